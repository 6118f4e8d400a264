#pragma once
// What the fuzz targets share: a data directory of their own, where each
// input becomes the file that its reader reads. It is made at the first use
// and removed when the process ends normally.

#include "platform/files.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace fuzz {

inline const std::filesystem::path& dataDirectory() {
    static const std::filesystem::path dir = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "arv1-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        std::filesystem::path made(pattern);
        platform::setDataDirectory(made);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(platform::dataDirectory(), ec);
        });
        return made;
    }();
    return dir;
}

// Writes the input as `name` in the data directory and returns the name as
// the program spells it ("C:\QEX_ARV1files\" and the name).
inline std::string writeInput(std::string_view name, const std::uint8_t* data, std::size_t size) {
    std::ofstream(dataDirectory() / name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return "C:\\QEX_ARV1files\\" + std::string(name);
}

// Empties the data directory, so one input's files never reach the next.
inline void clearDataDirectory() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dataDirectory(), ec))
        std::filesystem::remove_all(entry.path(), ec);
}

} // namespace fuzz
