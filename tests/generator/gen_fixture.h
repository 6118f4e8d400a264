#pragma once
// A fresh data directory per test, and readers for the bytes of WAV files.

#include "platform/files.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("arv1-gen-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        platform::setDataDirectory(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static std::string slurp(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void spit(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }

    std::filesystem::path dir;
};

// Little-endian fields of a byte image, read independently of the code under test.
inline std::uint32_t u32At(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}
inline std::int16_t s16At(const std::string& b, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(b[at]) |
                                     static_cast<unsigned char>(b[at + 1]) << 8);
}
// The samples after a 44-byte header, interleaved.
inline std::vector<std::int16_t> samplesOf(const std::string& file) {
    std::vector<std::int16_t> v((file.size() - 44) / 2);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = s16At(file, 44 + 2 * i);
    return v;
}
