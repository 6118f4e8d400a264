#include "script/lexer.h"

#include "script/datetime.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace script {

namespace {

struct KeywordEntry {
    const char* name;
    Tok kind;
};

const KeywordEntry kKeywords[] = {
    {"and", Tok::And},
    {"byref", Tok::ByRef},
    {"byval", Tok::ByVal},
    {"call", Tok::Call},
    {"case", Tok::Case},
    {"class", Tok::Class},
    {"const", Tok::Const},
    {"default", Tok::Default},
    {"dim", Tok::Dim},
    {"do", Tok::Do},
    {"each", Tok::Each},
    {"else", Tok::Else},
    {"elseif", Tok::ElseIf},
    {"empty", Tok::Empty},
    {"end", Tok::End},
    {"eqv", Tok::Eqv},
    {"error", Tok::Error},
    {"exit", Tok::Exit},
    {"explicit", Tok::Explicit},
    {"false", Tok::False},
    {"for", Tok::For},
    {"function", Tok::Function},
    {"get", Tok::Get},
    {"goto", Tok::GoTo},
    {"if", Tok::If},
    {"imp", Tok::Imp},
    {"in", Tok::In},
    {"is", Tok::Is},
    {"let", Tok::Let},
    {"loop", Tok::Loop},
    {"me", Tok::Me},
    {"mod", Tok::Mod},
    {"new", Tok::New},
    {"next", Tok::Next},
    {"not", Tok::Not},
    {"nothing", Tok::Nothing},
    {"null", Tok::Null},
    {"on", Tok::On},
    {"option", Tok::Option},
    {"or", Tok::Or},
    {"preserve", Tok::Preserve},
    {"private", Tok::Private},
    {"property", Tok::Property},
    {"public", Tok::Public},
    {"redim", Tok::ReDim},
    {"resume", Tok::Resume},
    {"select", Tok::Select},
    {"set", Tok::Set},
    {"step", Tok::Step},
    {"stop", Tok::Stop},
    {"sub", Tok::Sub},
    {"then", Tok::Then},
    {"to", Tok::To},
    {"true", Tok::True},
    {"until", Tok::Until},
    {"wend", Tok::WEnd},
    {"while", Tok::While},
    {"with", Tok::With},
    {"xor", Tok::Xor},
};

const std::unordered_map<std::string, Tok>& keywordTable() {
    static const std::unordered_map<std::string, Tok> table = [] {
        std::unordered_map<std::string, Tok> t;
        for (const auto& k : kKeywords)
            t.emplace(k.name, k.kind);
        return t;
    }();
    return table;
}

class Lexer {
public:
    explicit Lexer(std::string_view src) : s_(src) {}

    std::vector<Token> run() {
        while (true) {
            bool space = skipBlanks();
            if (pos_ >= s_.size()) break;
            const char c = s_[pos_];
            Token t;
            t.line = line_;
            t.column = column();
            t.spaceBefore = space || pos_ == lineStart_;
            if (c == '\n' || c == '\r') {
                newline();
                t.kind = Tok::Newline;
                push(std::move(t));
            } else if (c == '\'') {
                skipToLineEnd();
            } else if (c == '_') {
                continuation();
            } else if (std::isalpha(static_cast<unsigned char>(c))) {
                if (identifier(t)) push(std::move(t));
            } else if (c == '[') {
                bracketIdentifier(t);
                push(std::move(t));
            } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                       (c == '.' && pos_ + 1 < s_.size() &&
                        std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
                number(t);
                push(std::move(t));
            } else if (c == '"') {
                stringLiteral(t);
                push(std::move(t));
            } else if (c == '#') {
                dateLiteral(t);
                push(std::move(t));
            } else if (c == '&' && ampersandNumber(t)) {
                push(std::move(t));
            } else {
                punctuation(t);
                push(std::move(t));
            }
        }
        Token eof;
        eof.kind = Tok::Eof;
        eof.line = line_;
        eof.column = column();
        eof.spaceBefore = true;
        tokens_.push_back(std::move(eof));
        return std::move(tokens_);
    }

private:
    [[noreturn]] void fail(int number, int line, int col) {
        ScriptError e(number);
        e.line = line;
        e.column = col;
        throw e;
    }
    [[noreturn]] void fail(int number) { fail(number, line_, column()); }

    int column() const { return static_cast<int>(pos_ - lineStart_) + 1; }
    char at(size_t p) const { return p < s_.size() ? s_[p] : '\0'; }
    void push(Token t) { tokens_.push_back(std::move(t)); }

    bool skipBlanks() {
        bool any = false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
                ++pos_;
                any = true;
            } else {
                break;
            }
        }
        return any;
    }

    void newline() {
        if (s_[pos_] == '\r' && at(pos_ + 1) == '\n') ++pos_;
        ++pos_;
        ++line_;
        lineStart_ = pos_;
    }

    void skipToLineEnd() {
        while (pos_ < s_.size() && s_[pos_] != '\n' && s_[pos_] != '\r')
            ++pos_;
    }

    void continuation() {
        const int col = column();
        size_t p = pos_ + 1;
        while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\t'))
            ++p;
        if (p < s_.size() && s_[p] != '\n' && s_[p] != '\r')
            fail(err::InvalidCharacter, line_, col);
        pos_ = p;
        if (pos_ < s_.size()) newline();
    }

    bool identifier(Token& t) {
        const size_t start = pos_;
        while (pos_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            ++pos_;
        if (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) >= 0x80)
            fail(err::InvalidCharacter);
        if (pos_ - start > 255) fail(err::IdentifierTooLong, t.line, t.column);
        t.text = std::string(s_.substr(start, pos_ - start));
        const bool afterDot = !tokens_.empty() && tokens_.back().kind == Tok::Dot;
        const std::string lower = lowerName(t.text);
        if (lower == "rem" && !afterDot) {
            skipToLineEnd();
            return false;
        }
        t.kind = Tok::Ident;
        if (!afterDot) {
            auto it = keywordTable().find(lower);
            if (it != keywordTable().end()) t.kind = it->second;
        }
        return true;
    }

    void bracketIdentifier(Token& t) {
        const size_t start = ++pos_;
        while (pos_ < s_.size() && s_[pos_] != ']' && s_[pos_] != '\n' && s_[pos_] != '\r') {
            if (s_[pos_] == '[') fail(err::InvalidCharacter);
            ++pos_;
        }
        if (at(pos_) != ']') fail(err::ExpectedRBracket);
        t.kind = Tok::Ident;
        t.text = std::string(s_.substr(start, pos_ - start));
        ++pos_;
    }

    void number(Token& t) {
        const size_t start = pos_;
        bool isFloat = false;
        while (std::isdigit(static_cast<unsigned char>(at(pos_))))
            ++pos_;
        if (at(pos_) == '.') {
            isFloat = true;
            ++pos_;
            while (std::isdigit(static_cast<unsigned char>(at(pos_))))
                ++pos_;
        }
        if ((at(pos_) == 'e' || at(pos_) == 'E') &&
            (std::isdigit(static_cast<unsigned char>(at(pos_ + 1))) ||
             ((at(pos_ + 1) == '+' || at(pos_ + 1) == '-') &&
              std::isdigit(static_cast<unsigned char>(at(pos_ + 2)))))) {
            isFloat = true;
            pos_ += 2;
            while (std::isdigit(static_cast<unsigned char>(at(pos_))))
                ++pos_;
        }
        const std::string text(s_.substr(start, pos_ - start));
        t.kind = Tok::Literal;
        if (!isFloat) {
            // Leading zeros do not change the size class.
            size_t nz = text.find_first_not_of('0');
            std::string digits = nz == std::string::npos ? "0" : text.substr(nz);
            if (digits.size() <= 10) {
                const long long v = std::stoll(digits);
                if (v <= 32767) {
                    t.value = Variant::integer(static_cast<int16_t>(v));
                    return;
                }
                if (v <= 2147483647LL) {
                    t.value = Variant(static_cast<int32_t>(v));
                    return;
                }
            }
        }
        const double d = std::strtod(text.c_str(), nullptr);
        if (std::isinf(d)) fail(err::InvalidNumber, t.line, t.column);
        t.value = Variant(d);
    }

    void stringLiteral(Token& t) {
        std::string out;
        ++pos_;
        while (true) {
            if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                fail(err::UnterminatedString);
            if (s_[pos_] == '"') {
                if (at(pos_ + 1) == '"') {
                    out += '"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            out += s_[pos_++];
        }
        t.kind = Tok::Literal;
        t.value = Variant(std::move(out));
    }

    void dateLiteral(Token& t) {
        const size_t start = ++pos_;
        while (pos_ < s_.size() && s_[pos_] != '#' && s_[pos_] != '\n' && s_[pos_] != '\r')
            ++pos_;
        if (at(pos_) != '#') fail(err::SyntaxError, t.line, t.column);
        double serial = datetime::serialFromDate(2000, 1, 1);
        if (!datetime::parseDate(s_.substr(start, pos_ - start), serial))
            fail(err::SyntaxError, t.line, t.column);
        ++pos_;
        t.kind = Tok::Literal;
        t.value = Variant::date(serial);
    }

    // &H.. hex and &O.. / &digits octal literals; false for the & operator.
    bool ampersandNumber(Token& t) {
        const char k = static_cast<char>(std::tolower(static_cast<unsigned char>(at(pos_ + 1))));
        int base = 0;
        size_t p = pos_ + 1;
        if (k == 'h' && std::isxdigit(static_cast<unsigned char>(at(pos_ + 2)))) {
            base = 16;
            p = pos_ + 2;
        } else if (k == 'o') {
            base = 8;
            p = pos_ + 2;
        } else if (std::isdigit(static_cast<unsigned char>(k))) {
            base = 8;
        } else {
            return false;
        }
        unsigned long long v = 0;
        int significant = 0;
        bool any = false;
        while (p < s_.size()) {
            const int c = std::tolower(static_cast<unsigned char>(s_[p]));
            int d;
            if (std::isdigit(c))
                d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                break;
            if (d >= base) fail(err::SyntaxError, t.line, t.column);
            if (v != 0 || d != 0) ++significant;
            if (significant > 11) fail(err::InvalidNumber, t.line, t.column);
            v = v * base + d;
            any = true;
            ++p;
        }
        if (!any) fail(err::SyntaxError, t.line, t.column);
        if (v > 0xffffffffULL) fail(err::InvalidNumber, t.line, t.column);
        bool longMark = false;
        if (at(p) == '&') {
            longMark = true;
            ++p;
        }
        pos_ = p;
        t.kind = Tok::Literal;
        if (!longMark && v <= 0xffff) {
            if (v == 0x8000)
                t.value = Variant(static_cast<int32_t>(-32768));
            else
                t.value = Variant::integer(static_cast<int16_t>(static_cast<uint16_t>(v)));
        } else {
            t.value = Variant::smallestInteger(static_cast<int32_t>(static_cast<uint32_t>(v)));
        }
        return true;
    }

    void punctuation(Token& t) {
        const char c = s_[pos_];
        const char n = at(pos_ + 1);
        int len = 1;
        switch (c) {
        case ':':
            t.kind = Tok::Colon;
            break;
        case '(':
            t.kind = Tok::LParen;
            break;
        case ')':
            t.kind = Tok::RParen;
            break;
        case ',':
            t.kind = Tok::Comma;
            break;
        case '.':
            t.kind = Tok::Dot;
            break;
        case '+':
            t.kind = Tok::Plus;
            break;
        case '-':
            t.kind = Tok::Minus;
            break;
        case '*':
            t.kind = Tok::Star;
            break;
        case '/':
            t.kind = Tok::Slash;
            break;
        case '\\':
            t.kind = Tok::Backslash;
            break;
        case '^':
            t.kind = Tok::Caret;
            break;
        case '&':
            t.kind = Tok::Amp;
            break;
        case '=':
            if (n == '>')
                t.kind = Tok::Ge, len = 2;
            else if (n == '<')
                t.kind = Tok::Le, len = 2;
            else
                t.kind = Tok::Eq;
            break;
        case '<':
            if (n == '>')
                t.kind = Tok::Ne, len = 2;
            else if (n == '=')
                t.kind = Tok::Le, len = 2;
            else
                t.kind = Tok::Lt;
            break;
        case '>':
            if (n == '<')
                t.kind = Tok::Ne, len = 2;
            else if (n == '=')
                t.kind = Tok::Ge, len = 2;
            else
                t.kind = Tok::Gt;
            break;
        default:
            fail(err::InvalidCharacter);
        }
        pos_ += len;
    }

    std::string_view s_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
    std::vector<Token> tokens_;
};

} // namespace

bool keywordIsName(Tok kind) {
    return kind == Tok::Default || kind == Tok::Error || kind == Tok::Explicit ||
           kind == Tok::Property || kind == Tok::Step;
}

std::string_view tokenSpelling(Tok kind) {
    for (const auto& k : kKeywords)
        if (k.kind == kind) return k.name;
    return "";
}

std::vector<Token> tokenize(std::string_view source) {
    return Lexer(source).run();
}

} // namespace script
