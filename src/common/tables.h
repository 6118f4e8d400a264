#pragma once
// The module-wide tables that the sweep, the limit check, the reverse
// calibration, the panel files and the editor share. Every array is indexed
// 0..200; rows and points are 1..200 and index 0 holds nothing.

#include <array>
#include <cstdint>

namespace common {

inline constexpr int kMaxRows = 200;
inline constexpr int kTableSize = kMaxRows + 1;

struct SweepData {
    std::int16_t pointCount = 0; // index of the point being measured; 0 = no data
    std::array<double, kTableSize> freq{};
    std::array<float, kTableSize> levelLeft{};
    std::array<float, kTableSize> levelRight{};
    std::array<float, kTableSize> thdLeft{};
    std::array<float, kTableSize> thdRight{};

    std::int16_t predefCount = 0; // predefined sweep points from a user sweep file
    std::array<double, kTableSize> predefFreq{};
    std::array<float, kTableSize> predefLeft{};
    std::array<float, kTableSize> predefRight{};
};

struct LimitTable {
    std::int16_t limitCount = 0;
    std::array<double, kTableSize> limitFreq{};
    std::array<float, kTableSize> limitLower{};
    std::array<float, kTableSize> limitUpper{};
};

struct ReverseCalTable {
    std::int16_t revcalCount = 0;
    std::array<double, kTableSize> revcalFreq{};
    std::array<double, kTableSize> revcalLeft{};
    std::array<double, kTableSize> revcalRight{};
};

} // namespace common
