#include "common/seqfile.h"

#include "common/text.h"
#include "common/vb_error.h"

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

SeqReader::SeqReader(std::string bytes) : bytes_(std::move(bytes)) {}

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
} // namespace

std::string_view SeqReader::nextField() {
    const std::size_t n = bytes_.size();
    if (pos_ >= n) raise(err::InputPastEnd);
    const char* s = bytes_.data();
    std::size_t i = pos_;
    while (i < n && isBlank(s[i]))
        ++i;
    std::string_view field;
    if (i < n && s[i] == '"') {
        const std::size_t start = i + 1;
        const void* quote = start < n ? std::memchr(s + start, '"', n - start) : nullptr;
        const std::size_t close =
            quote ? static_cast<std::size_t>(static_cast<const char*>(quote) - s) : n;
        field = std::string_view(s + start, close - start);
        i = close < n ? close + 1 : n;
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
    if (i < n) {
        if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n')
            i += 2;
        else
            ++i; // a comma, a lone CR or a lone LF
    }
    pos_ = i;
    return field;
}

std::string SeqReader::readText() {
    return cp1252ToUtf8(nextField());
}

double SeqReader::readDouble() {
    return leadingNumber(nextField());
}

float SeqReader::readSingle() {
    return leadingSingle(nextField());
}

std::int16_t SeqReader::readInt16() {
    return toInt16(leadingNumber(nextField()));
}

std::int32_t SeqReader::readInt32() {
    return toInt32(leadingNumber(nextField()));
}

std::uint8_t SeqReader::readByte() {
    return toByte(leadingNumber(nextField()));
}

} // namespace common
