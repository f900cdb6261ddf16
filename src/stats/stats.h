// Statistics: special functions, the two-proportion p-value and the
// significance scan of the patient pool against the control pool.
#pragma once
#include <string>

// Kept in their own namespace so that erf and erfc do not collide with <cmath>.
namespace hhstats {
double loggamma(double x);
double p_gamma(double a, double x, double lga);
double q_gamma(double a, double x, double lga);
double p_chisq(double chisq, int df);
double q_chisq(double chisq, int df);
double erf(double x);
double erfc(double x);
double p_normal(double x);
double q_normal(double x);
// One-sided p-value that the sharing proportion sP/nP exceeds sC/nC.
double p_value(int nP, int nC, int sP, int sC);
}  // namespace hhstats

// Tests every segment of equal (patient level, control level) pairs and writes
// the coloured -log10 p figure with legend (psPath) and the start/end list (txtPath).
void significance(const std::string& psPath, const std::string& txtPath);
