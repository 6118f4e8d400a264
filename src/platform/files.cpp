#include "platform/files.h"

#include "common/vb_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/file.h>
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

namespace {

// The seam of simulateWriteFailure.
struct WriteFault {
    fs::path directory;
    int error = 0;
};
WriteFault& writeFault() {
    static WriteFault fault;
    return fault;
}

enum class Op { Create, Write };

// Whether the simulated failure hits an operation on `path`; sets errno.
bool simulatedFailure(const fs::path& path, Op op) {
    const WriteFault& f = writeFault();
    if (f.error == 0) return false;
    const bool hits = f.error == ENOSPC ? op == Op::Write : op == Op::Create;
    if (!hits) return false;
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec).lexically_normal();
    const auto [end, rest] =
        std::mismatch(f.directory.begin(), f.directory.end(), full.begin(), full.end());
    if (end != f.directory.end() && !end->empty()) return false;
    errno = f.error;
    return true;
}

int openForWriting(const fs::path& path, int flags) {
    if (simulatedFailure(path, Op::Create)) return -1;
    return ::open(path.c_str(), flags | O_CLOEXEC, 0666);
}

// Writes all bytes; false (errno set) on a failure.
bool writeAll(int fd, const fs::path& path, std::string_view bytes) {
    if (!bytes.empty() && simulatedFailure(path, Op::Write)) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool flushToDisk(int fd, const fs::path& path) {
    if (simulatedFailure(path, Op::Write)) return false;
    return ::fsync(fd) == 0;
}

// The classic error of a failed system call.
[[noreturn]] void raiseSystemError(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        common::raise(common::err::PermissionDenied);
    case ENOSPC:
    case EDQUOT:
        common::raise(common::err::DiskFull);
    case ENOENT:
    case ENOTDIR:
        common::raise(common::err::PathNotFound);
    default:
        common::raise(common::err::PathFileAccess);
    }
}

constexpr std::string_view kPartialMark = ".arv1-partial-";
constexpr std::string_view kLockFile = "arv1.lock";

fs::path checkedWritePath(std::string_view programPath) {
    if (programPath.empty()) common::raise(common::err::BadFileNameOrNumber);
    const fs::path path = mapPath(programPath);
    std::error_code ec;
    if (!path.parent_path().empty() && !fs::is_directory(path.parent_path(), ec))
        common::raise(common::err::PathNotFound);
    return path;
}

} // namespace

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
    const fs::path path = checkedWritePath(programPath);
    fs::path temp = path;
    temp += std::string(kPartialMark) + std::to_string(::getpid());
    const int fd = openForWriting(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) raiseSystemError(errno);
    // A failure removes the temporary file and reports the first error.
    auto fail = [&](int error, bool open) {
        if (open) ::close(fd);
        ::unlink(temp.c_str());
        raiseSystemError(error);
    };
    if (!writeAll(fd, temp, bytes) || !flushToDisk(fd, temp)) fail(errno, true);
    if (::close(fd) != 0) fail(errno, false);
    if (simulatedFailure(path, Op::Create) || ::rename(temp.c_str(), path.c_str()) != 0)
        fail(errno, false);
    // The rename itself reaches the disk with its directory.
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void appendFile(std::string_view programPath, std::string_view bytes) {
    const fs::path path = checkedWritePath(programPath);
    const int fd = openForWriting(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd < 0) raiseSystemError(errno);
    const bool written = writeAll(fd, path, bytes);
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written) raiseSystemError(error);
    if (!closed) raiseSystemError(errno);
}

void deleteFile(std::string_view programPath) {
    if (programPath.empty()) return;
    const fs::path path = mapPath(programPath);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return;
    if (simulatedFailure(path, Op::Create) || ::unlink(path.c_str()) != 0) {
        if (errno == ENOENT) return;
        raiseSystemError(errno);
    }
}

bool removeFile(std::string_view programPath) {
    std::error_code ec;
    if (programPath.empty() || !fs::exists(fs::symlink_status(mapPath(programPath), ec)))
        return false;
    try {
        deleteFile(programPath);
    } catch (const common::VbError&) {
    }
    return true;
}

void removePartialFiles() {
    std::error_code ec;
    for (fs::directory_iterator it(dataDirectory(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(kPartialMark) != std::string::npos && it->is_regular_file(ec))
            fs::remove(it->path(), ec);
    }
}

DataDirectoryLock::~DataDirectoryLock() {
    if (fd_ >= 0) ::close(fd_); // closing drops the lock
}

std::string DataDirectoryLock::acquire() {
    const fs::path path = dataDirectory() / kLockFile;
    fd_ = openForWriting(path, O_RDWR | O_CREAT);
    if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return {}; // a read-only directory without a lock file
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        char text[32] = {};
        const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
        const long pid = n > 0 ? std::strtol(text, nullptr, 10) : 0;
        ::close(fd_);
        fd_ = -1;
        return "the data directory " + dataDirectory().string() +
               " is in use by another instance of arv1" +
               (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string());
    }
    // The lock file names this process (where it can be written).
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd_, pid.data(), pid.size(), 0);
    }
    return {};
}

void simulateWriteFailure(const fs::path& directory, int error) {
    std::error_code ec;
    writeFault() = {fs::absolute(directory, ec).lexically_normal(), error};
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
