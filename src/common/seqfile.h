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

// Reads values in order. Each read throws a ReadError (a VbError) that names
// the file, the line and what was expected: 62 "Input past end of file" when
// no value is left or a quoted text has no closing quote, 6 "Overflow" when a
// number does not fit its integer type. A number field that holds text
// converts by its leading number (so "abc" reads as 0); integers round halves
// to even. `what` names the field in the message ("SweepStartFreq").
//
// Fields are separated by commas or line ends (CR LF, LF or CR). Blanks and
// tabs before a field are skipped; a quoted field runs to its closing quote
// and whatever follows it up to the next separator is ignored; an unquoted
// field runs to the next separator and loses its trailing blanks. An empty
// line is one empty field. A UTF-8 byte-order mark at the start is skipped.
class SeqReader {
public:
    // `fileName` is how messages name the file (the program's own spelling).
    explicit SeqReader(std::string bytes, std::string fileName = {});
    // One value per line: a field followed by a comma on its line is refused
    // (panel files, where "1000,5" is a typing error, not two values).
    void setOneValuePerLine(bool on) { oneValuePerLine_ = on; }
    // A quoted text ends on its own line: a missing closing quote is refused
    // at its line (table cells, which never hold line breaks).
    void setQuotesCloseOnTheirLine(bool on) { quotesCloseOnTheirLine_ = on; }
    bool atEnd();
    std::string readText(std::string_view what = {}); // UTF-8
    double readDouble(std::string_view what = {});
    float readSingle(std::string_view what = {});
    std::int16_t readInt16(std::string_view what = {});
    std::int32_t readInt32(std::string_view what = {});
    std::uint8_t readByte(std::string_view what = {});
    // Refuses the field read last: throws a ReadError (number) at its line.
    [[noreturn]] void refuseLast(std::string_view expected, int number);
    // Refuses anything but empty lines after the last field.
    void expectEnd();
    const std::string& fileName() const { return fileName_; }
    // The line of the field read last.
    int lastLine() const { return lastLine_; }

private:
    // The next raw Windows-1252 field, quotes removed; a view into bytes_.
    std::string_view nextField(std::string_view expected);
    [[noreturn]] void refuse(int number, int line, std::string_view expected,
                             std::string_view found) const;
    template <class Convert>
    auto convertField(std::string_view kind, std::string_view what, Convert convert);
    int lineAt(std::size_t pos);
    std::string bytes_;
    std::string fileName_;
    std::size_t pos_ = 0;
    bool oneValuePerLine_ = false;
    bool quotesCloseOnTheirLine_ = false;
    // Line counting: the line of linePos_.
    std::size_t linePos_ = 0;
    int line_ = 1;
    // The field read last, for messages.
    int lastLine_ = 0;
    std::string lastField_;
};

} // namespace common
