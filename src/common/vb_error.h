#pragma once
// Run-time errors of the program's file and number routines, numbered as the
// operator knows them from the classic error table (6 Overflow, 53 File not
// found, 62 Input past end of file, ...). Routines that "stop at the first
// error" throw this; callers that ignore errors catch it.

#include <stdexcept>
#include <string>

namespace common {

class VbError : public std::runtime_error {
public:
    VbError(int number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    int number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    int number_;
    std::string description_;
};

// The error numbers used across the program, with their standard texts.
namespace err {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int DialogCancelled = 32755;
} // namespace err

// The standard description of an error number ("Overflow", "File not found", ...).
std::string errorDescription(int number);

// Throws VbError(number, errorDescription(number)).
[[noreturn]] void raise(int number);

} // namespace common
