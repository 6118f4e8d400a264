#pragma once
// What every reader of the program's files says when it refuses one: the
// file, the line and what was expected there, in one form for all of them:
//
//   c:\QEX_ARV1files\amp.atp, line 42: expected a number for SweepStartFreq, found "1000,5"
//
// ReadError is a VbError, so routines that stop at the first error (and the
// classic error numbers they report) treat it like any other; code that tells
// the operator about a refused file asks fileErrorText for the whole story.

#include "common/vb_error.h"

#include <string>
#include <string_view>

namespace common {

class ReadError : public VbError {
public:
    // line 0: the file as a whole (no line to point at). `found` is shown as
    // given; pass kEndOfFile when the file ended instead.
    ReadError(int number, std::string file, int line, std::string expected, std::string found);
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& expected() const { return expected_; }
    const std::string& found() const { return found_; }
    // The whole one-line message.
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string file_;
    int line_;
    std::string expected_;
    std::string found_;
    std::string message_;
};

inline constexpr std::string_view kEndOfFile = "the end of the file";

// "FILE, line N: expected WHAT, found "TEXT"" (the text quoted and cut to 40
// characters; kEndOfFile unquoted; ", line N" left out for line 0).
std::string readErrorText(std::string_view file, int line, std::string_view expected,
                          std::string_view found);

// The operator's one-line account of a file that could not be read or
// written: a ReadError's own text, or "FILE: description" for any other error
// (file not found, permission denied, disk full, ...).
std::string fileErrorText(std::string_view file, const VbError& error);

} // namespace common
