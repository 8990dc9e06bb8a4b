// Spherical astronomy: degrees in and out, double precision throughout.
#pragma once

// Solves a spherical triangle from two sides b, c and the included angle A:
// a is the third side, B and C the angles opposite b and c.
void solveSphericalTriangle(double& C, double& B, double& a, double A, double b, double c);

// Ecliptic longitude/latitude to right ascension [0, 360) and declination,
// with the obliquity of the given decimal year.
void eclipticToEquatorial(double& ra, double& dec, double year, double lambda, double beta);
