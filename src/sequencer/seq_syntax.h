#pragma once
// What the sequence editor's window needs to know of VBScript text: the
// spans to colour on a line, and the names it offers to complete with a hint
// of their arguments. Works on UTF-16 lines so that offsets are those of the
// window's text blocks.

#include <span>
#include <string_view>
#include <vector>

namespace sequencer {

enum class SyntaxKind { Keyword, String, Comment, Number, Instrument };

struct SyntaxSpan {
    int start = 0; // UTF-16 offset in the line
    int length = 0;
    SyntaxKind kind = SyntaxKind::Keyword;
    bool operator==(const SyntaxSpan&) const = default;
};

// The coloured spans of one line, in order. VBScript has no construct that
// spans lines (a continued line cannot continue a string or a comment), so
// each line stands alone. An instrument function is one of the 23 names of
// clsAddInFunction, or "MathFunction", as a whole word and not as a member of
// another object (`x.genfreq`); `MathFunction.genfreq` is one.
std::vector<SyntaxSpan> syntaxSpans(std::u16string_view line);

struct Completion {
    std::string_view name;
    std::string_view hint; // the call with its arguments, e.g. "splash text, seconds"
    bool instrument = false;
};

// Everything offered: the instrument functions, then the keywords.
std::span<const Completion> completions();
// The entry of that name (any letter case), or nullptr.
const Completion* findCompletion(std::u16string_view name);

} // namespace sequencer
