// eclipticToEquatorial against ERFA, an independent implementation of the
// IAU's fundamental astronomy routines. ERFA's ecliptic transforms (eraEceq06
// and kin) add precession and frame bias, which the chart does not model, so
// the oracle here is the bare rotation about the equinox direction, built from
// ERFA's own vector and matrix routines.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sky/Transforms.h"

namespace {

// The cubic the chart uses, in centuries from 1900.0.
double chartObliquityDegrees(double year) {
    const double T = (year - 1900.0) / 100.0;
    return ((0.0000005 * T - 0.00000164) * T - 0.0130125) * T + 23.452294;
}

// ERFA: ecliptic longitude/latitude to an equatorial unit vector for an
// obliquity in radians.
void erfaEquatorialVector(double lambdaDeg, double betaDeg, double obliquityRad, double out[3]) {
    double ecliptic[3], r[3][3];
    eraS2c(lambdaDeg * ERFA_DD2R, betaDeg * ERFA_DD2R, ecliptic);
    eraIr(r);
    eraRx(-obliquityRad, r);
    eraRxp(r, ecliptic, out);
}

struct Differences {
    double separation = 0;  // degrees on the sky
    double dec = 0;         // degrees
    double ra = 0;          // degrees, times cos(dec), away from the poles
};

// Largest differences between the chart's result and ERFA's over a grid of
// longitudes (including some outside 0..360) and latitudes.
Differences largestDifferences(double year, double obliquityRad) {
    Differences worst;
    for (double lambda = -180.0; lambda <= 540.0; lambda += 3.75) {
        for (double beta = -90.0; beta <= 90.0; beta += 2.5) {
            double ra, dec;
            eclipticToEquatorial(ra, dec, year, lambda, beta);
            double ours[3], theirs[3];
            eraS2c(ra * ERFA_DD2R, dec * ERFA_DD2R, ours);
            erfaEquatorialVector(lambda, beta, obliquityRad, theirs);
            worst.separation = std::max(worst.separation, eraSepp(ours, theirs) * ERFA_DR2D);

            double theirRa, theirDec;
            eraC2s(theirs, &theirRa, &theirDec);
            worst.dec = std::max(worst.dec, std::fabs(dec - theirDec * ERFA_DR2D));
            if (std::fabs(theirDec * ERFA_DR2D) < 89.0) {
                double dra = std::fabs(ra - eraAnp(theirRa) * ERFA_DR2D);
                dra = std::min(dra, 360.0 - dra);
                worst.ra = std::max(worst.ra, dra * std::cos(theirDec));
            }
        }
    }
    return worst;
}

}  // namespace

TEST(EclipticToEquatorialErfa, SameObliquityGivesTheSameRotation) {
    for (double year : {1900.0, 2010.0, 2100.0}) {
        const Differences d = largestDifferences(year, chartObliquityDegrees(year) * ERFA_DD2R);
        EXPECT_LT(d.separation, 1e-10) << year;  // degrees: rounding only
        EXPECT_LT(d.dec, 1e-10) << year;
        EXPECT_LT(d.ra, 1e-10) << year;
    }
}
