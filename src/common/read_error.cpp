#include "common/read_error.h"

namespace common {

namespace {

constexpr std::size_t kFoundShown = 40;

std::string quoted(std::string_view found) {
    if (found == kEndOfFile) return std::string(found);
    std::string shown(found.substr(0, kFoundShown));
    if (found.size() > kFoundShown) shown += "...";
    return "\"" + shown + "\"";
}

} // namespace

std::string readErrorText(std::string_view file, int line, std::string_view expected,
                          std::string_view found) {
    std::string text(file);
    if (line > 0) text += ", line " + std::to_string(line);
    text += ": expected ";
    text += expected;
    text += ", found " + quoted(found);
    return text;
}

ReadError::ReadError(int number, std::string file, int line, std::string expected,
                     std::string found)
    : VbError(number, errorDescription(number)), file_(std::move(file)), line_(line),
      expected_(std::move(expected)), found_(std::move(found)),
      message_(readErrorText(file_, line_, expected_, found_)) {}

std::string fileErrorText(std::string_view file, const VbError& error) {
    if (const auto* read = dynamic_cast<const ReadError*>(&error)) return read->what();
    return std::string(file) + ": " + error.description();
}

} // namespace common
