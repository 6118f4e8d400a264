#pragma once
// The sequential "write" file convention of panels, favourites and table
// files: one value per line, text in double quotes, numbers as plain decimal
// text, CR LF line ends, Windows-1252 bytes. The reader also accepts LF-only
// and CR-only files and several values on one line separated by commas.
//
// A double quote inside a text cannot be written in this convention (the
// reader ends the text at it); the writer puts two single quotes ('') in its
// place. Line breaks inside a text are written as they stand and read back,
// since a quoted text runs to its closing quote.

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
// integer type. A number field that holds text converts by its leading number
// (so "abc" reads as 0); integers round halves to even.
//
// Fields are separated by commas or line ends (CR LF, LF or CR). Blanks and
// tabs before a field are skipped; a quoted field runs to its closing quote
// (or to the end of the file) and whatever follows it up to the next
// separator is ignored; an unquoted field runs to the next separator and loses
// its trailing blanks. An empty line is one empty field.
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
    // The next raw Windows-1252 field, quotes removed; a view into bytes_.
    std::string_view nextField();
    std::string bytes_;
    std::size_t pos_ = 0;
};

} // namespace common
