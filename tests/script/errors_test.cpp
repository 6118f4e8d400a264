// Compile and runtime errors: number, description and line, one table row
// per case.

#include "script/engine.h"

#include <gtest/gtest.h>

namespace {

struct ErrorCase {
    const char* name;
    const char* code;
    int number;
    int line;
    const char* description;
};

std::ostream& operator<<(std::ostream& os, const ErrorCase& c) {
    return os << c.name;
}

class CompileErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrors, ReportNumberDescriptionAndLine) {
    const ErrorCase& c = GetParam();
    script::Engine engine;
    EXPECT_FALSE(engine.addCode(c.code));
    const script::ErrorInfo& e = engine.lastError();
    EXPECT_EQ(e.number, c.number) << e.description;
    EXPECT_EQ(e.line, c.line);
    EXPECT_EQ(e.description, c.description);
    EXPECT_EQ(e.source, "Microsoft VBScript compilation error");
}

const ErrorCase kCompileErrors[] = {
    {"EndOfStatement", "x = 1 2", 1025, 1, "Expected end of statement"},
    {"CallArgsWithoutSpace", "Dim x\nx = 1\nMsgBox 1 2", 1025, 3, "Expected end of statement"},
    {"SyntaxError", "x = ", 1002, 1, "Syntax error"},
    {"MissingEndIf", "If True Then\n  x = 1\n", 1014, 3, "Expected 'End'"},
    {"MissingNext", "For i = 1 To 3\n  x = 1\n", 1020, 3, "Expected 'Next'"},
    {"MissingLoop", "Do\n  x = 1\n", 1019, 3, "Expected 'Loop'"},
    {"MissingWend", "While True\n  x = 1\n", 1018, 3, "Expected 'Wend'"},
    {"MissingThen", "If True\n x = 1\nEnd If", 1017, 1, "Expected 'Then'"},
    {"DimKeyword", "Dim If", 1010, 1, "Expected identifier"},
    {"DimNumber", "Dim 5", 1010, 1, "Expected identifier"},
    {"MissingTo", "For i = 1 x 10\nNext", 1013, 1, "Expected 'To'"},
    {"MissingCase", "Select x\nEnd Select", 1021, 1, "Expected 'Case'"},
    {"MissingParen", "x = (1 + 2", 1006, 1, "Expected ')'"},
    {"ConstWithoutValue", "Const x", 1011, 1, "Expected '='"},
    {"ConstExpression", "Const x = 1 + 2", 1045, 1, "Expected literal constant"},
    {"DimBound", "Dim a(\"x\")", 1026, 1, "Expected integer constant"},
    {"Redefined", "Dim a\nDim a", 1041, 2, "Name redefined"},
    {"DimOverSub", "Sub s()\nEnd Sub\nDim s", 1041, 3, "Name redefined"},
    {"EndSubInFunction", "Function f()\nEnd Sub", 1015, 2, "Expected 'Function'"},
    {"EndFunctionInSub", "Sub s()\nEnd Function", 1016, 2, "Expected 'Sub'"},
    {"SubWithoutParen", "Sub x)\nEnd Sub", 1005, 1, "Expected '('"},
    {"StrayLoop", "x = 1\nLoop", 1038, 2, "'loop' without 'do'"},
    {"StrayNext", "Next", 1055, 1, "Unexpected 'Next'"},
    {"ExitDoOutsideDo", "Exit Do", 1039, 1, "Invalid 'exit' statement"},
    {"ExitSubInFunction", "Function f()\nExit Sub\nEnd Function", 1039, 2,
     "Invalid 'exit' statement"},
    {"ForMember", "For x.y = 1 To 2\nNext", 1040, 1, "Invalid 'for' loop control variable"},
    {"ForEachWithoutIn", "For Each x = a\nNext", 1046, 1, "Expected 'In'"},
    {"DoFor", "Do For\nLoop", 1028, 1, "Expected 'While', 'Until' or end of statement"},
    {"InvalidCharacter", "x = @y", 1032, 1, "Invalid character"},
    {"ContinuationFollowedByText", "x = 1 _ y", 1032, 1, "Invalid character"},
    {"UnterminatedString", "x = 1\nx = \"abc\ny = 2", 1033, 2, "Unterminated string constant"},
    {"InvalidNumber", "x = 1e999", 1031, 1, "Invalid number"},
    {"ParenthesesOnSub", "MsgBox(\"a\", 1)", 1044, 1, "Cannot use parentheses when calling a Sub"},
    {"SubInsideSub", "Sub a()\nSub b()\nEnd Sub\nEnd Sub", 1002, 2, "Syntax error"},
    {"PropertyOutsideClass", "Property Get x\nEnd Property", 1048, 1,
     "Must be defined inside a Class"},
    {"SetMe", "Set Me = Nothing", 1037, 1, "Invalid use of 'Me' keyword"},
    {"EndSubInClass", "Class C\nEnd Sub", 1047, 2, "Expected 'Class'"},
    {"PropertyWithoutKind", "Class C\nProperty x\nEnd Property\nEnd Class", 1049, 2,
     "Expected Let or Set or Get in property declaration"},
    {"EndSubInProperty", "Class C\nProperty Get x\nEnd Sub\nEnd Class", 1050, 3,
     "Expected 'Property'"},
    {"PropertyArgCounts",
     "Class C\nProperty Get P\nEnd Property\nProperty Let P(a, b)\nEnd Property\nEnd Class", 1051,
     4, "Number of arguments must be consistent across properties specification"},
    {"TwoDefaults",
     "Class C\nPublic Default Sub A\nEnd Sub\nPublic Default Sub B\nEnd Sub\nEnd Class", 1052, 4,
     "Cannot have multiple default property/method in a Class"},
    {"InitializeWithArgs", "Class C\nSub Class_Initialize(x)\nEnd Sub\nEnd Class", 1053, 2,
     "Class initialize or terminate do not have arguments"},
    {"LetWithoutArgs", "Class C\nProperty Let P\nEnd Property\nEnd Class", 1054, 2,
     "Property set or let must have at least one argument"},
    {"PrivateDefault", "Class C\nPrivate Default Function F\nEnd Function\nEnd Class", 1057, 2,
     "'Default' specification must also specify 'Public'"},
    {"DefaultLet", "Class C\nPublic Default Property Let P(v)\nEnd Property\nEnd Class", 1058, 2,
     "'Default' specification can only be on Property Get"},
    {"DuplicateMember", "Class C\nDim a\nSub a\nEnd Sub\nEnd Class", 1041, 3, "Name redefined"},
    {"ClassInSub", "Sub s\nClass C\nEnd Class\nEnd Sub", 1002, 2, "Syntax error"},
    {"ClassOverDim", "Dim C\nClass C\nEnd Class", 1041, 2, "Name redefined"},
    {"WrongEnd", "If x Then\nx = 1\nEnd Select", 1012, 3, "Expected 'If'"},
    {"ContinuedLines", "x = 1 + _\n 2 +\ny = 1", 1002, 2, "Syntax error"},
    {"BadOctal", "x = &O8", 1002, 1, "Syntax error"},
    {"UnclosedBracket", "Dim [abc", 1007, 1, "Expected ']'"},
    {"DeepNesting",
     "x = "
     "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
     "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
     "((((((((((((((((((((((((((((((((1",
     28, 1, "Out of stack space"},
};

INSTANTIATE_TEST_SUITE_P(Table, CompileErrors, testing::ValuesIn(kCompileErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CompileErrors, CarryTheColumn) {
    script::Engine engine;
    EXPECT_FALSE(engine.addCode("x = @invalid"));
    EXPECT_EQ(engine.lastError().column, 5);
    EXPECT_FALSE(engine.addCode("Dim a\r\nDim a"));
    EXPECT_EQ(engine.lastError().line, 2);
    EXPECT_EQ(engine.lastError().column, 5);
}

TEST(CompileErrors, CountLineEndingsLikeVBScript) {
    script::Engine engine;
    // \r\n is one line end, \n\r two, a lone \r one.
    EXPECT_FALSE(engine.addCode("x = 1\r\ny = 2\n\rz = 1 2"));
    EXPECT_EQ(engine.lastError().line, 4);
    EXPECT_FALSE(engine.addCode("x = 1\ry = 1 2"));
    EXPECT_EQ(engine.lastError().line, 2);
}

class RuntimeErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(RuntimeErrors, ReportNumberDescriptionAndLine) {
    const ErrorCase& c = GetParam();
    script::Engine engine;
    EXPECT_FALSE(engine.addCode(c.code, "case.vbs"));
    const script::ErrorInfo& e = engine.lastError();
    EXPECT_EQ(e.number, c.number) << e.description;
    EXPECT_EQ(e.line, c.line);
    EXPECT_EQ(e.description, c.description);
    EXPECT_EQ(e.source, "Microsoft VBScript runtime error");
    EXPECT_EQ(e.unit, "case.vbs");
}

const ErrorCase kRuntimeErrors[] = {
    {"TypeMismatch", "x = 1\ny = \"a\" * 2", 13, 2, "Type mismatch"},
    {"DivisionByZero", "x = 0\ny = 5 \\ x", 11, 2, "Division by zero"},
    {"ModByZero", "y = 5 Mod 0", 11, 1, "Division by zero"},
    {"Subscript", "Dim a(2)\na(3) = 1", 9, 2, "Subscript out of range"},
    {"Undefined", "Option Explicit\nDim a\nb = 1", 500, 3, "Variable is undefined: 'b'"},
    {"UndefinedRead", "Option Explicit\nDim a\na = b", 500, 3, "Variable is undefined: 'b'"},
    {"ArgCount", "Sub s(a)\nEnd Sub\ns 1, 2", 450, 3,
     "Wrong number of arguments or invalid property assignment"},
    {"ObjectRequired", "Dim o\nSet o = 5", 424, 2, "Object required"},
    {"ObjectRequiredMember", "x = 5\ny = x.Value", 424, 2, "Object required"},
    {"NotSet", "Dim o\nSet o = Nothing\nx = o", 91, 3, "Object variable not set"},
    {"NoMember", "x = Err.Bogus", 438, 1,
     "Object doesn't support this property or method: 'Bogus'"},
    {"NotDefined", "x = 1\ny = Missing(3)", 35, 2, "Sub or Function not defined: 'Missing'"},
    {"Overflow", "x = CInt(32768)", 6, 1, "Overflow"},
    {"Null", "x = Null\ny = CStr(x)", 94, 2, "Invalid use of Null"},
    {"InvalidCall", "x = Left(\"a\", -1)", 5, 1, "Invalid procedure call or argument"},
    {"ConstAssign", "Const c = 1\nc = 2", 501, 2, "Illegal assignment: 'c'"},
    {"FixedArray", "Dim a(1)\nReDim a(2)", 10, 2, "This array is fixed or temporarily locked"},
    {"NotCollection", "For Each x In 5\nNext", 451, 1, "Object not a collection"},
    {"Unqualified", "x = .Value", 505, 1, "Invalid or unqualified reference"},
    {"ClassNotDefined", "Set x = New Foo", 506, 1, "Class not defined: 'Foo'"},
    {"InsideProcedure", "Sub s()\n  Dim a\n  a = 1 / 0\nEnd Sub\n\ns", 11, 3, "Division by zero"},
    {"SelectCaseLine", "x = 1\nSelect Case x\nCase 1 / 0\nEnd Select", 11, 3, "Division by zero"},
    {"LoopUntilLine", "Do\nx = 1\nLoop Until 1 / 0", 11, 3, "Division by zero"},
    {"ForNextType", "For i = 1 To 3\ni = \"x\"\nNext", 13, 3, "Type mismatch"},
    {"RaiseCustom", "Err.Raise 1234, , \"custom text\"", 1234, 1, "custom text"},
    {"RaiseZero", "Err.Raise 0", 5, 1, "Invalid procedure call or argument"},
    {"ScalarCall", "x = 5\nx", 13, 2, "Type mismatch"},
    {"StackOverflow", "Sub r()\nr\nEnd Sub\nr", 28, 2, "Out of stack space"},
};

INSTANTIATE_TEST_SUITE_P(Table, RuntimeErrors, testing::ValuesIn(kRuntimeErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RuntimeErrors, ResumeNextRecordsTheScriptFacingDescription) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("On Error Resume Next\nx = Undefined1(1)\nd = Err.Description\n"
                               "n = Err.Number"));
    EXPECT_EQ(engine.evaluate("d")->toString(), "Sub or Function not defined");
    EXPECT_EQ(engine.evaluate("n")->toLong(), 35);
}

} // namespace
