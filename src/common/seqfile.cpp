#include "common/seqfile.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"

#include <algorithm>
#include <cstring>

namespace common {

void SeqWriter::line(std::string_view cp1252) {
    bytes_ += cp1252;
    bytes_ += "\r\n";
}

void SeqWriter::writeText(std::string_view utf8) {
    const std::string bytes = utf8ToCp1252(utf8);
    bytes_ += '"';
    for (const char c : bytes) {
        if (c == '"')
            bytes_ += "''";
        else
            bytes_ += c;
    }
    line("\"");
}

void SeqWriter::writeNumber(double value) {
    line(shortestText(value));
}

void SeqWriter::writeSingle(float value) {
    line(shortestText(value));
}

void SeqWriter::writeInteger(long long value) {
    line(std::to_string(value));
}

SeqReader::SeqReader(std::string bytes, std::string fileName)
    : bytes_(std::move(bytes)), fileName_(std::move(fileName)) {
    if (bytes_.starts_with("\xEF\xBB\xBF")) pos_ = linePos_ = 3;
}

bool SeqReader::atEnd() {
    return pos_ >= bytes_.size();
}

namespace {
bool isSeparator(char c) {
    return c == ',' || c == '\r' || c == '\n';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
std::string expecting(std::string_view kind, std::string_view what) {
    std::string text(kind);
    if (!what.empty()) text += " for " + std::string(what);
    return text;
}
constexpr std::string_view kNumber = "a number";
constexpr std::string_view kInt16 = "a whole number from -32768 to 32767";
constexpr std::string_view kInt32 = "a whole number from -2147483648 to 2147483647";
constexpr std::string_view kByte = "a whole number from 0 to 255";
} // namespace

int SeqReader::lineAt(std::size_t pos) {
    const char* s = bytes_.data();
    const std::size_t n = bytes_.size();
    for (; linePos_ < pos && linePos_ < n; ++linePos_) {
        const char c = s[linePos_];
        if (c == '\n' || (c == '\r' && (linePos_ + 1 >= n || s[linePos_ + 1] != '\n'))) ++line_;
    }
    return line_;
}

void SeqReader::refuse(int number, int line, std::string_view expected,
                       std::string_view found) const {
    throw ReadError(number, fileName_, line, std::string(expected), cp1252ToUtf8(found));
}

void SeqReader::refuseLast(std::string_view expected, int number) {
    refuse(number, lastLine_, expected, lastField_);
}

std::string_view SeqReader::nextField(std::string_view expected) {
    const std::size_t n = bytes_.size();
    if (pos_ >= n) refuse(err::InputPastEnd, lineAt(n), expected, kEndOfFile);
    const char* s = bytes_.data();
    std::size_t i = pos_;
    while (i < n && isBlank(s[i]))
        ++i;
    const std::size_t fieldStart = i;
    lastLine_ = lineAt(fieldStart);
    std::string_view field;
    if (i < n && s[i] == '"') {
        const std::size_t start = i + 1;
        const void* quote = start < n ? std::memchr(s + start, '"', n - start) : nullptr;
        if (!quote) {
            pos_ = n;
            refuse(err::InputPastEnd, lastLine_, "a closing quote", kEndOfFile);
        }
        const auto close = static_cast<std::size_t>(static_cast<const char*>(quote) - s);
        if (quotesCloseOnTheirLine_) {
            const std::size_t lineEnd = std::string_view(s, n).find_first_of("\r\n", start);
            if (lineEnd < close) {
                pos_ = lineEnd;
                refuse(err::InputPastEnd, lastLine_, "a closing quote",
                       std::string_view(s + fieldStart, lineEnd - fieldStart));
            }
        }
        field = std::string_view(s + start, close - start);
        i = close + 1;
        while (i < n && !isSeparator(s[i]))
            ++i;
    } else {
        const std::size_t start = i;
        while (i < n && !isSeparator(s[i]))
            ++i;
        std::size_t end = i;
        while (end > start && isBlank(s[end - 1]))
            --end;
        field = std::string_view(s + start, end - start);
    }
    if (oneValuePerLine_ && i < n && s[i] == ',') {
        std::size_t lineEnd = i;
        while (lineEnd < n && s[lineEnd] != '\r' && s[lineEnd] != '\n')
            ++lineEnd;
        pos_ = lineEnd;
        refuse(err::TypeMismatch, lastLine_, expected,
               std::string_view(s + fieldStart, lineEnd - fieldStart));
    }
    if (i < n) {
        if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n')
            i += 2;
        else
            ++i; // a comma, a lone CR or a lone LF
    }
    pos_ = i;
    lastField_.assign(field);
    return field;
}

void SeqReader::expectEnd() {
    const std::size_t n = bytes_.size();
    std::size_t i = pos_;
    while (i < n && (isBlank(bytes_[i]) || bytes_[i] == '\r' || bytes_[i] == '\n'))
        ++i;
    if (i >= n) return;
    std::size_t lineEnd = i;
    while (lineEnd < n && bytes_[lineEnd] != '\r' && bytes_[lineEnd] != '\n')
        ++lineEnd;
    refuse(err::TypeMismatch, lineAt(i), kEndOfFile,
           std::string_view(bytes_).substr(i, lineEnd - i));
}

std::string SeqReader::readText(std::string_view what) {
    return cp1252ToUtf8(nextField(expecting("a text", what)));
}

double SeqReader::readDouble(std::string_view what) {
    return leadingNumber(nextField(expecting(kNumber, what)));
}

// A number that does not fit its field is refused at its line.
template <class Convert>
auto SeqReader::convertField(std::string_view kind, std::string_view what, Convert convert) {
    const std::string expected = expecting(kind, what);
    const std::string_view field = nextField(expected);
    try {
        return convert(field);
    } catch (const VbError& e) {
        refuse(e.number(), lastLine_, expected, field);
    }
}

float SeqReader::readSingle(std::string_view what) {
    return convertField(kNumber, what, [](std::string_view f) { return leadingSingle(f); });
}

std::int16_t SeqReader::readInt16(std::string_view what) {
    return convertField(kInt16, what, [](std::string_view f) { return toInt16(leadingNumber(f)); });
}

std::int32_t SeqReader::readInt32(std::string_view what) {
    return convertField(kInt32, what, [](std::string_view f) { return toInt32(leadingNumber(f)); });
}

std::uint8_t SeqReader::readByte(std::string_view what) {
    return convertField(kByte, what, [](std::string_view f) { return toByte(leadingNumber(f)); });
}

} // namespace common
