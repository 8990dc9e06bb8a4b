#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sky/SkyTables.h"

namespace {

constexpr double kPi = 3.141592653589793;

double degrees(float radians) { return static_cast<double>(radians) * 180.0 / kPi; }
double radians(double degrees) { return degrees * kPi / 180.0; }

// Angle between two directions in degrees (haversine: exact for small angles).
double separationDegrees(double ra1, double dec1, double ra2, double dec2) {
    const double h = std::pow(std::sin((dec2 - dec1) / 2), 2) +
                     std::cos(dec1) * std::cos(dec2) * std::pow(std::sin((ra2 - ra1) / 2), 2);
    return 2 * std::asin(std::min(1.0, std::sqrt(h))) * 180.0 / kPi;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

float sinOf(float dec) { return static_cast<float>(std::sin(static_cast<double>(dec))); }
float cosOf(float dec) { return static_cast<float>(std::cos(static_cast<double>(dec))); }

// Index of the catalogue star nearest to a direction (radians).
size_t nearestStar(double ra, double dec, double* separation) {
    size_t best = 0;
    double bestSep = 1e9;
    for (size_t i = 0; i < kStarCatalogCount; ++i) {
        const double sep = separationDegrees(ra, dec, starCatalog[i].ra, starCatalog[i].dec);
        if (sep < bestSep) {
            bestSep = sep;
            best = i;
        }
    }
    *separation = bestSep;
    return best;
}

size_t countBelow(double boundaryRadians, bool orEqual) {
    size_t n = 0;
    for (const StarRecord& s : starCatalog) {
        if (orEqual ? s.dec <= boundaryRadians : s.dec < boundaryRadians) ++n;
    }
    return n;
}

}  // namespace

TEST(StarCatalog, SortedSouthToNorthFromDeltaOctantisToPolaris) {
    for (size_t i = 1; i < kStarCatalogCount; ++i) {
        ASSERT_LE(starCatalog[i - 1].dec, starCatalog[i].dec) << "record " << i;
    }
    // delta Octantis, J2000 14h 26m 55s, -83 deg 40' 04".
    EXPECT_NEAR(degrees(starCatalog[0].dec), -83.6678, 0.001);
    EXPECT_NEAR(degrees(starCatalog[0].ra) / 15, 14.4486, 0.001);
    EXPECT_FLOAT_EQ(starCatalog[0].mag, 4.32f);
    // Polaris, 2h 31m 49s, +89 deg 15' 51", magnitude 2.02.
    const StarRecord& last = starCatalog[kStarCatalogCount - 1];
    EXPECT_NEAR(degrees(last.dec), 89.2642, 0.001);
    EXPECT_NEAR(degrees(last.ra) / 15, 2.5302, 0.001);
    EXPECT_FLOAT_EQ(last.mag, 2.02f);
}

TEST(StarCatalog, ValuesInRangeWithTheirDeclinationsSineAndCosine) {
    float faintest = -10, brightest = 10;
    for (size_t i = 0; i < kStarCatalogCount; ++i) {
        const StarRecord& s = starCatalog[i];
        EXPECT_GE(s.ra, 0.0f) << i;
        EXPECT_LT(static_cast<double>(s.ra), 2 * kPi) << i;
        EXPECT_TRUE(sameBits(s.sinDec, sinOf(s.dec)) && sameBits(s.cosDec, cosOf(s.dec))) << "record " << i;
        faintest = std::max(faintest, s.mag);
        brightest = std::min(brightest, s.mag);
    }
    // A bright-star catalogue cut at visual magnitude 5.0, Sirius the brightest.
    EXPECT_FLOAT_EQ(brightest, -1.46f);
    EXPECT_LE(faintest, 5.0f);
    EXPECT_GE(faintest, 4.9f);
}

TEST(DecZoneIndex, AgreesWithTheCatalogueByTheCountingRule) {
    for (size_t k = 0; k < kDecZoneIndexCount; ++k) {
        const double boundary = radians(static_cast<double>(k) - 89.0);
        const size_t below = countBelow(boundary, false);
        // No star on a whole degree: "below" and "at or below" agree.
        EXPECT_EQ(below, countBelow(boundary, true)) << "a star lies on " << (int(k) - 89) << " degrees";
        EXPECT_EQ(decZoneIndex[k], static_cast<float>(below)) << "entry " << k;
    }
    // Only delta Octantis lies south of -83 degrees, only Polaris north of +87.
    for (size_t k = 0; k <= 5; ++k) EXPECT_EQ(decZoneIndex[k], 0.0f) << k;
    EXPECT_EQ(decZoneIndex[6], 1.0f);
    for (size_t k = 176; k <= 178; ++k) EXPECT_EQ(decZoneIndex[k], 1600.0f) << k;
}

TEST(ConstellationLines, FirstAndLastRecords) {
    // delta Octantis to beta Octantis, catalogue records 0 and 1, bit for bit
    // (sines and cosines are checked for every end below).
    const LineRecord& first = constellationLines[0];
    EXPECT_TRUE(sameBits(first.ra1, starCatalog[0].ra) && sameBits(first.dec1, starCatalog[0].dec));
    EXPECT_TRUE(sameBits(first.ra2, starCatalog[1].ra) && sameBits(first.dec2, starCatalog[1].dec));

    // delta Ursae Minoris (17h 32m 13s, +86 deg 35' 11") to Polaris.
    const LineRecord& last = constellationLines[kConstellationLinesCount - 1];
    const StarRecord& polaris = starCatalog[kStarCatalogCount - 1];
    EXPECT_NEAR(degrees(last.ra1) / 15, 17.5369, 0.001);
    EXPECT_NEAR(degrees(last.dec1), 86.5864, 0.001);
    EXPECT_TRUE(sameBits(last.ra2, polaris.ra) && sameBits(last.dec2, polaris.dec));
}

TEST(ConstellationLines, EndpointsOnCatalogueStarsBitForBitOrClearOfThem) {
    size_t elsewhere = 0;
    for (size_t i = 0; i < kConstellationLinesCount; ++i) {
        const LineRecord& l = constellationLines[i];
        const float ends[2][4] = {{l.ra1, l.dec1, l.sinDec1, l.cosDec1},
                                  {l.ra2, l.dec2, l.sinDec2, l.cosDec2}};
        for (const auto& e : ends) {
            EXPECT_TRUE(sameBits(e[2], sinOf(e[1]))) << "record " << i;
            EXPECT_TRUE(sameBits(e[3], cosOf(e[1]))) << "record " << i;
            double sep;
            const StarRecord& s = starCatalog[nearestStar(e[0], e[1], &sep)];
            if (sep < 0.01) {
                EXPECT_TRUE(sameBits(e[0], s.ra) && sameBits(e[1], s.dec) && sameBits(e[2], s.sinDec) &&
                            sameBits(e[3], s.cosDec))
                    << "record " << i << " ends " << sep << " degrees from a star without taking its values";
            } else {
                ++elsewhere;
            }
        }
    }
    // The figures are drawn between catalogue stars, with few exceptions.
    EXPECT_LT(elsewhere, 2 * kConstellationLinesCount / 20);
}

TEST(StarNames, NamesInTableOrder) {
    EXPECT_STREQ(starNames[0], "Acamar");
    EXPECT_STREQ(starNames[6], "Pleiades");
    EXPECT_STREQ(starNames[52], "Polaris");
    EXPECT_STREQ(starNames[64], "Sirius");
    EXPECT_STREQ(starNames[69], "Vega");
    EXPECT_STREQ(starNames[72], "Rigil");
    // Sirius's place, and its magnitude: the catalogue's brightest.
    EXPECT_NEAR(starNamePositions[64].raHours, 6.7525, 0.0001);
    EXPECT_NEAR(starNamePositions[64].decDegrees, -16.7161, 0.0001);
    EXPECT_FLOAT_EQ(starNamePositions[64].third, -1.46f);
}

TEST(StarNames, EachNameSitsOnItsStar) {
    for (size_t i = 0; i < kStarNamesCount; ++i) {
        const LabelPosition& p = starNamePositions[i];
        double sep;
        const size_t star = nearestStar(p.raHours * kPi / 12, p.decDegrees * kPi / 180, &sep);
        EXPECT_LT(sep, 0.01) << starNames[i];
        EXPECT_EQ(p.third, starCatalog[star].mag) << starNames[i];
    }
}

TEST(ConstellationLabels, BlankEntryAndRunningNumbers) {
    EXPECT_STREQ(constellationNames[5].abbreviation, "   ");
    EXPECT_STREQ(constellationNames[5].name, "        ");
    EXPECT_EQ(constellationLabelPositions[5].raHours, 0.0f);
    EXPECT_EQ(constellationLabelPositions[5].decDegrees, 0.0f);
    for (size_t i = 0; i < kConstellationNamesCount; ++i) {
        const float seq = static_cast<float>(i <= 5 ? i : i - 1);
        EXPECT_EQ(constellationLabelPositions[i].third, seq) << i;
    }
}

TEST(ConstellationLabels, SpotRows) {
    struct Row {
        size_t i;
        const char* abbreviation;
        const char* name;
        float hours, degrees;
    };
    const Row rows[] = {
        {0, "And", "Andromeda", 0.56395f, 35.20625f},
        {6, "Cet", "Cetus", 1.6809f, -5.4818f},
        {19, "Boo", "Bootes", 14.5849f, 29.3942f},
        {42, "UMi", "Ursa Minor", 16.68764f, 84.54905f},
        {52, "Crt", "Crater", 11.504666f, -14.14335f},
        {82, "Oct", "Octans", 18.6081f, -80.5289f},
        {87, "TrA", "Triangulum Australe", 16.06315f, -66.2292f},
        {88, "Aps", "Apus", 15.7578f, -78.2811f},
    };
    for (const Row& r : rows) {
        EXPECT_STREQ(constellationNames[r.i].abbreviation, r.abbreviation);
        EXPECT_STREQ(constellationNames[r.i].name, r.name);
        EXPECT_EQ(constellationLabelPositions[r.i].raHours, r.hours) << r.name;
        EXPECT_EQ(constellationLabelPositions[r.i].decDegrees, r.degrees) << r.name;
    }
}
