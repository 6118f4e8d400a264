#pragma once
// Savitzky-Golay smoothing of the stored sweep curves: the published
// quadratic/cubic smoothing integers for windows of 5 to 25 points, and the
// in-place smoothing of one curve with a window of 2p + 1 points.

#include <array>
#include <cstdint>
#include <vector>

namespace views {

// Column c holds the coefficients for a window of 2c + 5 points: row 0 the
// normalising divisor, row 1 the centre coefficient, row j + 1 the
// coefficient for the samples j places before and after the centre.
using SavGolTable = std::array<std::array<std::int16_t, 14>, 11>;

SavGolTable makeSavGolTable();

// The half-width the smoothing command uses (11 points).
inline constexpr int kSmoothHalfWidth = 5;

// Smooths v[1..n] into s[1..n] (index 0 unused; s is resized to n + 1) with
// half-width p and column p - 2 of the table. Points 1..p and n - p + 1..n
// keep their values; with fewer than 2p + 1 points the curve is copied
// unchanged. The products are summed in double precision. p outside 2..12
// copies the curve.
void SavGolSmooth(const float* v, int n, int p, const SavGolTable& table, std::vector<double>& s);

} // namespace views
