// The constant sky tables. Their contents are generated (see
// tools/gen_sky_tables.py) and compiled in; nothing is read or computed at
// run time.
#pragma once

#include <cstddef>

struct StarRecord {
    float ra;      // radians, [0, 2 pi)
    float dec;     // radians
    float mag;     // visual magnitude
    float sinDec;  // sin(dec), rounded to float
    float cosDec;  // cos(dec), rounded to float
};

struct LineRecord {
    float ra1, dec1, ra2, dec2;  // radians
    float sinDec1, cosDec1, sinDec2, cosDec2;
};

struct LabelPosition {
    float raHours;
    float decDegrees;
    float third;  // magnitude (star names) or running number (constellations)
};

struct ConstellationName {
    const char* abbreviation;
    const char* name;
};

constexpr size_t kStarCatalogCount = 1601;
constexpr size_t kDecZoneIndexCount = 179;
constexpr size_t kConstellationLinesCount = 507;
constexpr size_t kStarNamesCount = 73;
constexpr size_t kConstellationNamesCount = 89;

extern const StarRecord starCatalog[kStarCatalogCount];
extern const float decZoneIndex[kDecZoneIndexCount];
extern const LineRecord constellationLines[kConstellationLinesCount];
extern const char* const starNames[kStarNamesCount];
extern const LabelPosition starNamePositions[kStarNamesCount];
extern const ConstellationName constellationNames[kConstellationNamesCount];
extern const LabelPosition constellationLabelPositions[kConstellationNamesCount];
