#pragma once
// SA data files (".dsa"): the spectrum of both channels, positions 1..8159,
// as 16318 lines in CR LF: left value, right value, left, right, ... Each
// number is the shortest plain decimal text of the double. No header, no
// size or rate: the file holds 8159 pairs whatever the analysis size.

#include <cstddef>
#include <string>
#include <string_view>

namespace views {

inline constexpr int kSaPairs = 8159;
inline constexpr std::string_view kSaSaveFilter = "SA Data Files|*.dsa;";
inline constexpr std::string_view kSaLoadFilter = "SA Data Files|*.dsa|*.*|*.*";

// The file's bytes. Both arrays need positions up to kSaPairs.
std::string writeSaData(const double* spectrumLeft, const double* spectrumRight);

// Reads the pairs in order into positions 1..8159; numbers are separated by
// line ends or commas and may be in any decimal or exponent form (text that
// is no number reads as 0). A short file fills what it has and leaves the
// other positions as they were. Returns the number of values read.
int readSaData(std::string_view bytes, double* spectrumLeft, double* spectrumRight);

} // namespace views
