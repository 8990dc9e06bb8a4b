#include "sky/Transforms.h"

#include <cmath>

namespace {

// 180/pi to double precision, written out.
constexpr double kDegreesPerRadian = 57.29577951308232;

}  // namespace

void solveSphericalTriangle(double& C, double& B, double& a, double A, double b, double c) {
    A /= kDegreesPerRadian;
    b /= kDegreesPerRadian;
    c /= kDegreesPerRadian;

    const double sinA = std::sin(A), cosA = std::cos(A);
    const double sinB = std::sin(b), cosB = std::cos(b);
    const double sinC = std::sin(c), cosC = std::cos(c);

    // The third side from atan2 of its sine and cosine: an arccosine of K alone
    // loses all precision for sides near 0 and 180 degrees. S is sin a built
    // from half-angle terms, which stays accurate there too.
    const double K = cosB * cosC + sinB * sinC * cosA;
    const double p = std::cos(A / 2) * std::sin(b - c);
    const double q = std::sin(A / 2) * std::sin(b + c);
    const double r = sinB * sinC * sinA;
    const double S = std::sqrt(p * p + q * q + r * r);

    a = std::atan2(S, K) * kDegreesPerRadian;
    C = std::atan2(sinC * sinA, sinB * cosC - cosB * sinC * cosA) * kDegreesPerRadian;
    B = std::atan2(sinB * sinA, cosB * sinC - sinB * cosC * cosA) * kDegreesPerRadian;
}

void eclipticToEquatorial(double& ra, double& dec, double year, double lambda, double beta) {
    const double T = (year - 1900.0) / 100.0;
    // Obliquity of the ecliptic, the old cubic in centuries from 1900.0.
    const double epsilon = ((0.0000005 * T - 0.00000164) * T - 0.0130125) * T + 23.452294;

    double C, B, a;
    solveSphericalTriangle(C, B, a, 90.0 - lambda, 90.0 - beta, epsilon);

    // Comparisons are false for NaN, so a NaN passes through without looping.
    ra = B - 90.0;
    while (ra >= 360.0) ra -= 360.0;
    while (ra < 0.0) ra += 360.0;
    // A value a hair below 0 (lambda = 360, for one) rounds to 360 when 360 is
    // added; it is the same direction as 0 and must stay inside [0, 360).
    if (ra == 360.0) ra = 0.0;

    dec = 90.0 - a;
    while (dec > 90.0) dec -= 180.0;
    while (dec < -90.0) dec += 180.0;
}
