#pragma once
// The sequential "write" file convention of panels, favourites and table
// files: one value per line, text in double quotes, numbers as plain decimal
// text, CR LF line ends, Windows-1252 bytes. The reader also accepts LF-only
// files and several values on one line separated by commas.

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

class SeqWriter {
public:
    void writeText(std::string_view utf8); // "..." on its own line
    void writeNumber(double value);        // shortest text of the double
    void writeSingle(float value);         // shortest text of the single
    void writeInteger(long long value);
    // The file's bytes so far (Windows-1252, CR LF).
    const std::string& bytes() const { return bytes_; }

private:
    void line(std::string_view cp1252);
    std::string bytes_;
};

// Reads values in order. Each read throws VbError: 62 "Input past end of
// file" when no value is left, 6 "Overflow" when a number does not fit its
// integer type. A number field that holds text converts by its leading number.
class SeqReader {
public:
    explicit SeqReader(std::string bytes);
    bool atEnd();
    std::string readText(); // UTF-8
    double readDouble();
    float readSingle();
    std::int16_t readInt16();
    std::int32_t readInt32();
    std::uint8_t readByte();

private:
    std::string nextField(); // raw Windows-1252 field, quotes removed
    std::string bytes_;
    std::size_t pos_ = 0;
};

} // namespace common
