#pragma once
// Script errors: VBScript's error numbers with their standard English texts.
//
// A runtime error is thrown as ScriptError. Host functions throw it too
// (`throw script::ScriptError(5)` gives "Invalid procedure call or argument");
// scripts can catch it with On Error Resume Next like any other error.

#include <exception>
#include <string>
#include <string_view>

namespace script {

// The error numbers the engine itself raises. Any other number may come from
// Err.Raise or from the host.
namespace err {
inline constexpr int InvalidCall = 5;          // Invalid procedure call or argument
inline constexpr int Overflow = 6;             // Overflow
inline constexpr int OutOfMemory = 7;          // Out of memory
inline constexpr int SubscriptOutOfRange = 9;  // Subscript out of range
inline constexpr int ArrayFixed = 10;          // This array is fixed or temporarily locked
inline constexpr int DivisionByZero = 11;      // Division by zero
inline constexpr int TypeMismatch = 13;        // Type mismatch
inline constexpr int OutOfStringSpace = 14;    // Out of string space
inline constexpr int UserInterrupt = 18;       // User interrupt occurred
inline constexpr int OutOfStackSpace = 28;     // Out of stack space
inline constexpr int ProcedureNotDefined = 35; // Sub or Function not defined
inline constexpr int ObjectNotSet = 91;        // Object variable not set
inline constexpr int ForNotInitialized = 92;   // For loop not initialized
inline constexpr int InvalidUseOfNull = 94;    // Invalid use of Null
inline constexpr int ObjectRequired = 424;     // Object required
inline constexpr int CannotCreateObject = 429; // ActiveX component can't create object
inline constexpr int NoSuchMember = 438;       // Object doesn't support this property or method
inline constexpr int WrongArgCount =
    450; // Wrong number of arguments or invalid property assignment
inline constexpr int NotACollection = 451;       // Object not a collection
inline constexpr int VariableUndefined = 500;    // Variable is undefined
inline constexpr int IllegalAssignment = 501;    // Illegal assignment
inline constexpr int UnqualifiedReference = 505; // Invalid or unqualified reference
inline constexpr int ClassNotDefined = 506;      // Class not defined

inline constexpr int SyntaxError = 1002;
inline constexpr int ExpectedColon = 1003;
inline constexpr int ExpectedLParen = 1005;
inline constexpr int ExpectedRParen = 1006;
inline constexpr int ExpectedRBracket = 1007;
inline constexpr int ExpectedIdentifier = 1010;
inline constexpr int ExpectedEquals = 1011;
inline constexpr int ExpectedIf = 1012;
inline constexpr int ExpectedTo = 1013;
inline constexpr int ExpectedEnd = 1014;
inline constexpr int ExpectedFunction = 1015;
inline constexpr int ExpectedSub = 1016;
inline constexpr int ExpectedThen = 1017;
inline constexpr int ExpectedWend = 1018;
inline constexpr int ExpectedLoop = 1019;
inline constexpr int ExpectedNext = 1020;
inline constexpr int ExpectedCase = 1021;
inline constexpr int ExpectedSelect = 1022;
inline constexpr int ExpectedExpression = 1023;
inline constexpr int ExpectedStatement = 1024;
inline constexpr int ExpectedEndOfStatement = 1025;
inline constexpr int ExpectedInteger = 1026;
inline constexpr int ExpectedWhileUntil = 1027;
inline constexpr int ExpectedWhileUntilEnd = 1028;
inline constexpr int ExpectedWith = 1029;
inline constexpr int IdentifierTooLong = 1030;
inline constexpr int InvalidNumber = 1031;
inline constexpr int InvalidCharacter = 1032;
inline constexpr int UnterminatedString = 1033;
inline constexpr int InvalidMe = 1037;
inline constexpr int LoopWithoutDo = 1038;
inline constexpr int InvalidExit = 1039;
inline constexpr int InvalidForVariable = 1040;
inline constexpr int NameRedefined = 1041;
inline constexpr int MustBeFirstStatement = 1042;
inline constexpr int ParenthesesOnSubCall = 1044;
inline constexpr int ExpectedLiteral = 1045;
inline constexpr int ExpectedIn = 1046;
inline constexpr int ExpectedClass = 1047;
inline constexpr int MustBeInsideClass = 1048;
inline constexpr int ExpectedLetSetGet = 1049;
inline constexpr int ExpectedProperty = 1050;
inline constexpr int PropertyArgCount = 1051;
inline constexpr int MultipleDefault = 1052;
inline constexpr int ClassInitArgs = 1053;
inline constexpr int PropertyLetArgs = 1054;
inline constexpr int UnexpectedNext = 1055;
inline constexpr int DefaultNeedsPublic = 1057;
inline constexpr int DefaultOnlyOnGet = 1058;
} // namespace err

// The standard English description of an error number ("Type mismatch",
// "Expected 'End'", ...); "Unknown runtime error" for numbers without one.
std::string_view errorText(int number);

// True for the compile (syntax) error numbers 1001..1058.
bool isCompileError(int number);

inline constexpr std::string_view kRuntimeSource = "Microsoft VBScript runtime error";
inline constexpr std::string_view kCompileSource = "Microsoft VBScript compilation error";

// An error raised while compiling or running a script.
class ScriptError : public std::exception {
public:
    // Uses the standard description of `number`.
    explicit ScriptError(int number);
    ScriptError(int number, std::string description);

    const char* what() const noexcept override { return description.c_str(); }

    int number = 0;
    std::string description; // what Err.Description shows
    std::string source;      // what Err.Source shows
    // The name the error is about (a variable, a procedure); hosts see it
    // appended to the description: "Variable is undefined: 'x'".
    std::string subject;
    int line = 0;   // 1-based line of the statement (runtime) or token (compile); 0 = not known yet
    int column = 0; // 1-based column for compile errors, 0 otherwise
    int unit = -1;  // which piece of added code the line belongs to (engine-internal)
};

} // namespace script
