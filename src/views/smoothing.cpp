#include "views/smoothing.h"

#include <initializer_list>

namespace views {

SavGolTable makeSavGolTable() {
    // Divisor, then the coefficients from the centre outwards, for 5, 7, ...
    // 25 points.
    const std::initializer_list<std::int16_t> columns[11] = {
        {35, 17, 12, -3},
        {21, 7, 6, 3, -2},
        {231, 59, 54, 39, 14, -21},
        {429, 89, 84, 69, 44, 9, -36},
        {143, 25, 24, 21, 16, 9, 0, -11},
        {1105, 167, 162, 147, 122, 87, 42, -13, -78},
        {323, 43, 42, 39, 34, 27, 18, 7, -6, -21},
        {2261, 269, 264, 249, 224, 189, 144, 89, 24, -51, -136},
        {3059, 329, 324, 309, 284, 249, 204, 149, 84, 9, -76, -171},
        {805, 79, 78, 75, 70, 63, 54, 43, 30, 15, -2, -21, -42},
        {5175, 467, 462, 447, 422, 387, 342, 287, 222, 147, 62, -33, -138, -253},
    };
    SavGolTable table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        std::size_t row = 0;
        for (std::int16_t value : columns[c])
            table[c][row++] = value;
    }
    return table;
}

void SavGolSmooth(const float* v, int n, int p, const SavGolTable& table, std::vector<double>& s) {
    s.assign(static_cast<std::size_t>(n < 0 ? 1 : n + 1), 0.0);
    for (int i = 1; i <= n; ++i)
        s[static_cast<std::size_t>(i)] = v[i];
    const int c = p - 2;
    if (c < 0 || c >= static_cast<int>(table.size())) return;
    const auto& column = table[static_cast<std::size_t>(c)];
    const double divisor = column[0];
    for (int i = p + 1; i <= n - p; ++i) {
        double sum = column[1] * static_cast<double>(v[i]);
        for (int j = 1; j <= p; ++j)
            sum += column[static_cast<std::size_t>(j + 1)] *
                   (static_cast<double>(v[i - j]) + static_cast<double>(v[i + j]));
        s[static_cast<std::size_t>(i)] = sum / divisor;
    }
}

} // namespace views
