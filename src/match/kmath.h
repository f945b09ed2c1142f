#ifndef KRAG_MATCH_KMATH_H
#define KRAG_MATCH_KMATH_H

// Sine, cosine and arctangent for the world.
//
// The C library chooses among several versions of these by the CPU it runs on, and the
// versions disagree in the last bit now and then, which is enough to set two machines'
// matches apart. These are computed in plain IEEE double operations only (the build
// never fuses them into multiply-adds), so they give the same bits on every x86-64.
// They are nearly always correctly rounded, so they also agree with the C library on
// almost every input. Drawing may keep using the library's own.

double ksin(double x);
double kcos(double x);
double katan2(double y, double x); // the C library's quadrants, zeros and infinities
// Both at once, for the price of one.
void ksincos(double x, double &s, double &c);

// The float versions round the double result once.
float ksinf(float x);
float kcosf(float x);

#endif
