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
// with the classic numbers (53 File not found, 75 Path/File access error, 76
// Path not found).
std::string readFileBytes(std::string_view programPath);
// Writes through a temporary file in the same directory and a rename, so a
// crash in the middle never leaves a truncated file behind.
void writeFileAtomic(std::string_view programPath, std::string_view bytes);
// Deletes the file; a missing file is not an error. Returns whether it existed.
bool removeFile(std::string_view programPath);
bool fileExists(std::string_view programPath);

// Changes the process's current directory; failures are ignored.
void setCurrentDirectory(std::string_view programPath);

// True when both names lead to the same file (after mapping).
bool samePath(std::string_view a, std::string_view b);

} // namespace platform
