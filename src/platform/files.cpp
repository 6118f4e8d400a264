#include "platform/files.h"

#include "common/vb_error.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace fs = std::filesystem;

namespace {

fs::path defaultDataDirectory() {
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / "QEX_ARV1files";
}

fs::path& dataDirStorage() {
    static fs::path dir = defaultDataDirectory();
    return dir;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

void setDataDirectory(fs::path directory) {
    dataDirStorage() = std::move(directory);
}

const fs::path& dataDirectory() {
    return dataDirStorage();
}

fs::path mapPath(std::string_view programPath) {
    std::string path(programPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    // "c:/QEX_ARV1files", with or without the drive, in any case.
    static constexpr std::string_view dirName = "qex_arv1files";
    std::string_view rest = path;
    if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':')
        rest.remove_prefix(2);
    if (!rest.empty() && rest[0] == '/') {
        std::string_view afterSlash = rest.substr(1);
        if (afterSlash.size() >= dirName.size() &&
            equalsNoCase(afterSlash.substr(0, dirName.size()), dirName) &&
            (afterSlash.size() == dirName.size() || afterSlash[dirName.size()] == '/')) {
            std::string_view inside = afterSlash.substr(dirName.size());
            while (!inside.empty() && inside[0] == '/')
                inside.remove_prefix(1);
            return inside.empty() ? dataDirectory() : dataDirectory() / fs::path(inside);
        }
    }
    return fs::path(path);
}

void ensureDataDirectory() {
    std::error_code ec;
    fs::create_directories(dataDirectory(), ec);
}

std::string readFileBytes(std::string_view programPath) {
    const fs::path path = mapPath(programPath);
    std::error_code ec;
    if (programPath.empty() || !fs::is_regular_file(path, ec))
        common::raise(fs::exists(path.parent_path(), ec) || path.parent_path().empty()
                          ? common::err::FileNotFound
                          : common::err::PathNotFound);
    std::ifstream in(path, std::ios::binary);
    if (!in) common::raise(common::err::PathFileAccess);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileAtomic(std::string_view programPath, std::string_view bytes) {
    const fs::path path = mapPath(programPath);
    std::error_code ec;
    if (programPath.empty()) common::raise(common::err::BadFileNameOrNumber);
    if (!path.parent_path().empty() && !fs::is_directory(path.parent_path(), ec))
        common::raise(common::err::PathNotFound);
    fs::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) common::raise(common::err::PathFileAccess);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            common::raise(common::err::PathFileAccess);
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        common::raise(common::err::PathFileAccess);
    }
}

bool removeFile(std::string_view programPath) {
    std::error_code ec;
    return !programPath.empty() && fs::remove(mapPath(programPath), ec);
}

bool fileExists(std::string_view programPath) {
    std::error_code ec;
    return !programPath.empty() && fs::is_regular_file(mapPath(programPath), ec);
}

void setCurrentDirectory(std::string_view programPath) {
    std::error_code ec;
    fs::current_path(mapPath(programPath), ec);
}

bool samePath(std::string_view a, std::string_view b) {
    std::error_code ec;
    return fs::weakly_canonical(fs::absolute(mapPath(a), ec), ec) ==
           fs::weakly_canonical(fs::absolute(mapPath(b), ec), ec);
}

} // namespace platform
