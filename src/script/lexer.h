#pragma once
// Lexer: VBScript source text -> tokens (engine-internal).
//
// Each token carries its 1-based line and column. `\n`, `\r` and `\r\n` each
// end one line; ` _` at the end of a line continues the statement on the
// next one. Comments (' and Rem) are dropped. Errors are thrown as
// ScriptError with the compile error number and the position.

#include "script/variant.h"

#include <string>
#include <string_view>
#include <vector>

namespace script {

enum class Tok : uint8_t {
    Eof,
    Newline,
    Colon,
    Ident,
    Literal, // number, string or date; see Token::value
    LParen,
    RParen,
    Comma,
    Dot,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Amp,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    // Keywords.
    And,
    ByRef,
    ByVal,
    Call,
    Case,
    Class,
    Const,
    Default,
    Dim,
    Do,
    Each,
    Else,
    ElseIf,
    Empty,
    End,
    Eqv,
    Error,
    Exit,
    Explicit,
    False,
    For,
    Function,
    Get,
    GoTo,
    If,
    Imp,
    In,
    Is,
    Let,
    Loop,
    Me,
    Mod,
    New,
    Next,
    Not,
    Nothing,
    Null,
    On,
    Option,
    Or,
    Preserve,
    Private,
    Property,
    Public,
    ReDim,
    Resume,
    Select,
    Set,
    Step,
    Stop,
    Sub,
    Then,
    To,
    True,
    Until,
    WEnd,
    While,
    With,
    Xor,
};

struct Token {
    Tok kind = Tok::Eof;
    int line = 1;
    int column = 1;
    bool spaceBefore = false; // blank (or line start) right before the token
    std::string text;         // identifier or keyword as written
    Variant value;            // Literal only
};

// Whether a keyword may also serve as a variable or procedure name.
bool keywordIsName(Tok kind);
// The spelling of a token kind for messages ("End", "(", ...).
std::string_view tokenSpelling(Tok kind);

std::vector<Token> tokenize(std::string_view source);

} // namespace script
