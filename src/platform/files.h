#pragma once
// The data directory and every file access of the program. The program names
// its working directory "c:\QEX_ARV1files"; that name, in any letter case and
// with either slash, maps into the real data directory (~/QEX_ARV1files by
// default, or the one given with --data-dir). Other paths are used as they
// stand, with backslashes turned into slashes.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The program's own name of its working directory.
inline constexpr std::string_view kProgramDataDir = "c:\\QEX_ARV1files";

void setDataDirectory(std::filesystem::path directory);
const std::filesystem::path& dataDirectory();

// The one mapping from a path as the program or its files spell it to a real path.
std::filesystem::path mapPath(std::string_view programPath);

// Creates the data directory when it is missing; an existing one stays.
void ensureDataDirectory();

// Whole-file reads and writes through mapPath. Failures throw common::VbError
// with the classic numbers (53 File not found, 61 Disk full, 70 Permission
// denied, 75 Path/File access error, 76 Path not found).
std::string readFileBytes(std::string_view programPath);
// Writes through a temporary file in the same directory, flushed to the disk
// (fsync) before it is renamed over the file, and the directory flushed after
// it: neither a crash nor a power cut leaves a truncated file behind.
void writeFileAtomic(std::string_view programPath, std::string_view bytes);
// Appends to the file (created when missing) in one write to a file opened
// for appending, so the appends of several writers neither interleave nor
// get lost.
void appendFile(std::string_view programPath, std::string_view bytes);
// Deletes the file; a missing file is no error, any other failure throws.
void deleteFile(std::string_view programPath);
// Deletes the file, ignoring every failure. Returns whether it existed.
bool removeFile(std::string_view programPath);
bool fileExists(std::string_view programPath);

// Removes the temporary files that a run killed in the middle of a write
// left in the data directory. Call it holding the DataDirectoryLock.
void removePartialFiles();

// One instance to a data directory: a lock (flock) on the file "arv1.lock"
// in it, which names the process holding it. The kernel drops the lock of a
// process that ends, however it ends, so a killed run never blocks the next.
// A data directory where not even the lock file can be created (read-only)
// is used without the lock: nothing can be written there to disagree about.
class DataDirectoryLock {
public:
    DataDirectoryLock() = default;
    ~DataDirectoryLock();
    DataDirectoryLock(const DataDirectoryLock&) = delete;
    DataDirectoryLock& operator=(const DataDirectoryLock&) = delete;
    // Takes the lock on the data directory. Empty when taken; otherwise why
    // not, naming the other instance's process id.
    std::string acquire();

private:
    int fd_ = -1;
};

// A seam for tests: writes under `directory` fail the way the system fails
// them with `error`: EACCES (a read-only directory: files cannot be created,
// replaced, appended to or deleted) or ENOSPC (a full disk: files are created
// and deleted, but no byte can be written). 0 ends the failures.
void simulateWriteFailure(const std::filesystem::path& directory, int error);

// Changes the process's current directory; failures are ignored.
void setCurrentDirectory(std::string_view programPath);

// True when both names lead to the same file (after mapping).
bool samePath(std::string_view a, std::string_view b);

} // namespace platform
