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

// Declination band start: the decZoneIndex entry for a chart centre at
// decDegrees is the whole part of (decDegrees - 45 + 90), clamped to the table
// (a NaN gives entry 0).
inline size_t decZoneEntry(double decDegrees) {
    const double k = decDegrees - 45.0 + 90.0;
    if (!(k >= 1.0)) return 0;
    if (k >= static_cast<double>(kDecZoneIndexCount - 1)) return kDecZoneIndexCount - 1;
    return static_cast<size_t>(k);
}

// The record at which a scan for stars around decDegrees begins: the first
// star at or above (decZoneEntry(decDegrees) - 89) degrees.
inline size_t decZoneStart(double decDegrees) {
    return static_cast<size_t>(decZoneIndex[decZoneEntry(decDegrees)]);
}
