#include "sequencer/seq_syntax.h"

#include "sequencer/addin_functions.h"

#include <algorithm>
#include <array>

namespace sequencer {

namespace {

// The instrument functions' hints, in the order of kAddInFunctionNames.
constexpr std::array<std::string_view, kAddInFunctionNames.size()> kInstrumentHints = {
    "loadtest path",
    "starttest",
    "datacapture",
    "genfreq frequencyHz",
    "genlevelL levelDbr",
    "genlevelR levelDbr",
    "phaseR degrees",
    "logdata path",
    "logfilepath path",
    "eraselog path",
    "logadd text",
    "logpretext text",
    "logtime",
    "logviewer path",
    "passfail() -> True unless the limit check failed",
    "checkend() -> True when END was pressed",
    "waitfor seconds",
    "splash text, seconds",
    "readch(readout 1..5) -> text",
    "getfreqdata(point 0..200) -> text",
    "getLdata(point 0..200) -> text",
    "getRdata(point 0..200) -> text",
    "launchapp pathOrDocument",
};

constexpr std::array<std::string_view, 64> kKeywords = {
    "And",       "As",       "Boolean", "ByRef",  "ByVal",    "Call",    "Case",     "Class",
    "Const",     "Currency", "Default", "Dim",    "Do",       "Each",    "Else",     "ElseIf",
    "Empty",     "End",      "Eqv",     "Erase",  "Error",    "Exit",    "Explicit", "False",
    "For",       "Function", "Get",     "GoTo",   "If",       "Imp",     "In",       "Is",
    "Let",       "Loop",     "Me",      "Mod",    "New",      "Next",    "Not",      "Nothing",
    "Null",      "On",       "Option",  "Or",     "Preserve", "Private", "Property", "Public",
    "Randomize", "ReDim",    "Rem",     "Resume", "Select",   "Set",     "Step",     "Stop",
    "Sub",       "Then",     "To",      "True",   "Until",    "Wend",    "While",    "With",
};
constexpr std::string_view kXor = "Xor";
constexpr std::string_view kMathFunction = "MathFunction";

std::vector<Completion> buildCompletions() {
    std::vector<Completion> list;
    for (std::size_t i = 0; i < kAddInFunctionNames.size(); ++i)
        list.push_back({kAddInFunctionNames[i], kInstrumentHints[i], true});
    list.push_back({kMathFunction, "MathFunction.name: the instrument's functions", true});
    for (std::string_view keyword : kKeywords)
        list.push_back({keyword, {}, false});
    list.push_back({kXor, {}, false});
    return list;
}

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameName(std::u16string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char y) {
               return lower(x) == lower(static_cast<char16_t>(static_cast<unsigned char>(y)));
           });
}

bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool isWordChar(char16_t c) {
    return isLetter(c) || isDigit(c) || c == u'_';
}
bool isHexDigit(char16_t c) {
    return isDigit(c) || (lower(c) >= u'a' && lower(c) <= u'f');
}

bool isKeyword(std::u16string_view word) {
    return std::any_of(kKeywords.begin(), kKeywords.end(),
                       [word](std::string_view k) { return sameName(word, k); }) ||
           sameName(word, kXor);
}

bool isInstrument(std::u16string_view word) {
    return std::any_of(kAddInFunctionNames.begin(), kAddInFunctionNames.end(),
                       [word](std::string_view k) { return sameName(word, k); });
}

} // namespace

std::span<const Completion> completions() {
    static const std::vector<Completion> list = buildCompletions();
    return list;
}

const Completion* findCompletion(std::u16string_view name) {
    for (const Completion& c : completions())
        if (sameName(name, c.name)) return &c;
    return nullptr;
}

std::vector<SyntaxSpan> syntaxSpans(std::u16string_view line) {
    std::vector<SyntaxSpan> spans;
    const int n = static_cast<int>(line.size());
    auto add = [&](int start, int end, SyntaxKind kind) {
        spans.push_back({start, end - start, kind});
    };
    // The word before a '.', to tell MathFunction.genfreq from x.genfreq.
    std::u16string_view previousWord;
    bool afterDot = false;
    int i = 0;
    while (i < n) {
        const char16_t c = line[static_cast<std::size_t>(i)];
        const int start = i;
        if (c == u'\'') {
            add(start, n, SyntaxKind::Comment);
            break;
        }
        if (c == u'"') {
            // "" inside a string is a quote; an unclosed string runs to the end.
            ++i;
            while (i < n) {
                if (line[static_cast<std::size_t>(i)] == u'"') {
                    if (i + 1 < n && line[static_cast<std::size_t>(i + 1)] == u'"') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            add(start, i, SyntaxKind::String);
            afterDot = false;
            continue;
        }
        if (c == u'&' && i + 1 < n &&
            (lower(line[static_cast<std::size_t>(i + 1)]) == u'h' ||
             lower(line[static_cast<std::size_t>(i + 1)]) == u'o')) {
            i += 2;
            while (i < n && isHexDigit(line[static_cast<std::size_t>(i)]))
                ++i;
            if (i < n && line[static_cast<std::size_t>(i)] == u'&') ++i;
            add(start, i, SyntaxKind::Number);
            afterDot = false;
            continue;
        }
        const bool fraction = c == u'.' && i + 1 < n &&
                              isDigit(line[static_cast<std::size_t>(i + 1)]) &&
                              (i == 0 || !isWordChar(line[static_cast<std::size_t>(i - 1)]));
        if (isDigit(c) || fraction) {
            while (i < n && (isDigit(line[static_cast<std::size_t>(i)]) ||
                             line[static_cast<std::size_t>(i)] == u'.'))
                ++i;
            if (i < n && lower(line[static_cast<std::size_t>(i)]) == u'e') {
                int j = i + 1;
                if (j < n && (line[static_cast<std::size_t>(j)] == u'+' ||
                              line[static_cast<std::size_t>(j)] == u'-'))
                    ++j;
                if (j < n && isDigit(line[static_cast<std::size_t>(j)])) {
                    i = j;
                    while (i < n && isDigit(line[static_cast<std::size_t>(i)]))
                        ++i;
                }
            }
            add(start, i, SyntaxKind::Number);
            afterDot = false;
            continue;
        }
        if (c == u'#') {
            // A date literal #...# on the same line.
            const std::size_t close = line.find(u'#', static_cast<std::size_t>(i + 1));
            if (close != std::u16string_view::npos) {
                i = static_cast<int>(close) + 1;
                add(start, i, SyntaxKind::Number);
                afterDot = false;
                continue;
            }
        }
        if (isLetter(c) || c == u'[') {
            std::u16string_view word;
            if (c == u'[') {
                // An escaped name: never a keyword or a function of ours.
                const std::size_t close = line.find(u']', static_cast<std::size_t>(i));
                i = close == std::u16string_view::npos ? n : static_cast<int>(close) + 1;
            } else {
                while (i < n && isWordChar(line[static_cast<std::size_t>(i)]))
                    ++i;
                word = line.substr(static_cast<std::size_t>(start),
                                   static_cast<std::size_t>(i - start));
            }
            if (!afterDot && sameName(word, "Rem")) {
                add(start, n, SyntaxKind::Comment);
                break;
            }
            if (afterDot) {
                if (sameName(previousWord, kMathFunction) && isInstrument(word))
                    add(start, i, SyntaxKind::Instrument);
            } else if (isInstrument(word) || sameName(word, kMathFunction)) {
                add(start, i, SyntaxKind::Instrument);
            } else if (isKeyword(word)) {
                add(start, i, SyntaxKind::Keyword);
            }
            previousWord = word;
            afterDot = false;
            continue;
        }
        if (c == u'.') {
            afterDot = true;
            ++i;
            continue;
        }
        if (c != u' ' && c != u'\t') {
            previousWord = {};
            afterDot = false;
        }
        ++i;
    }
    return spans;
}

} // namespace sequencer
