// The host interface: objects with global members, adding code, evaluating
// RUNSEQ, the last error, dialogs and interrupts.

#include "script/engine.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <pthread.h>
#include <thread>

namespace {

using script::Variant;

// A stand-in for the instrument's function object.
struct FakeInstrument {
    std::vector<std::string> calls;
    script::Ref<script::NativeObject> object =
        script::make<script::NativeObject>("clsAddInFunction");

    FakeInstrument() {
        object->method(
            "genfreq",
            [this](std::span<const Variant> a) {
                calls.push_back("genfreq " + a[0].toString());
                return Variant();
            },
            1, 1);
        object->method(
            "readch",
            [this](std::span<const Variant> a) {
                calls.push_back("readch " + a[0].toString());
                return Variant("1.000 V");
            },
            1, 1);
        object->property(
            "level", [this] { return Variant(level); },
            [this](const Variant& v) { level = v.toDouble(); });
    }
    double level = 0.5;
};

TEST(Engine, HostObjectMembersAreGlobal) {
    script::Engine engine;
    FakeInstrument inst;
    engine.addObject("MathFunction", inst.object, true);
    ASSERT_TRUE(engine.addCode("genfreq \"1000\"\nx = readch(1)\nMathFunction.genfreq 2000\n"
                               "GenFreq(3000)\nlevel = level * 2"))
        << engine.lastError().description;
    EXPECT_EQ(inst.calls, (std::vector<std::string>{"genfreq 1000", "readch 1", "genfreq 2000",
                                                    "genfreq 3000"}));
    EXPECT_EQ(engine.evaluate("x")->toString(), "1.000 V");
    EXPECT_DOUBLE_EQ(inst.level, 1.0);
}

TEST(Engine, HostMemberArgumentCountIsChecked) {
    script::Engine engine;
    FakeInstrument inst;
    engine.addObject("MathFunction", inst.object, true);
    EXPECT_FALSE(engine.addCode("genfreq"));
    EXPECT_EQ(engine.lastError().number, 450);
}

TEST(Engine, EvaluateCallsTheScriptsFunction) {
    script::Engine engine;
    ASSERT_TRUE(
        engine.addCode("Dim runs\nFunction RUNSEQ()\n runs = runs + 1\n RUNSEQ = runs * 10\n"
                       "End Function"));
    EXPECT_EQ(engine.evaluate("RUNSEQ")->toLong(), 10);
    EXPECT_EQ(engine.evaluate("RUNSEQ")->toLong(), 20);
    EXPECT_EQ(engine.evaluate("runs")->toLong(), 2);
    EXPECT_TRUE(engine.evaluate("runs = 2")->toBool()) << "= compares in an expression";
}

TEST(Engine, EvaluateOfAMissingProcedureNamesIt) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("x = 1"));
    EXPECT_FALSE(engine.evaluate("RUNSEQ"));
    EXPECT_EQ(engine.lastError().number, 35);
    EXPECT_EQ(engine.lastError().description, "Sub or Function not defined: 'RUNSEQ'");
    EXPECT_EQ(engine.lastError().line, 1);
}

TEST(Engine, EvaluateReportsSyntaxErrors) {
    script::Engine engine;
    EXPECT_FALSE(engine.evaluate("1 +"));
    EXPECT_EQ(engine.lastError().number, 1002);
    EXPECT_FALSE(engine.evaluate("1 2"));
    EXPECT_EQ(engine.lastError().number, 1025);
}

TEST(Engine, RuntimeErrorInRunseqCarriesTheLineInItsUnit) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("Function RUNSEQ()\n  Dim a\n  a = 1 / 0\nEnd Function", "seq.dfs"));
    EXPECT_FALSE(engine.evaluate("RUNSEQ"));
    EXPECT_EQ(engine.lastError().number, 11);
    EXPECT_EQ(engine.lastError().description, "Division by zero");
    EXPECT_EQ(engine.lastError().line, 3);
    EXPECT_EQ(engine.lastError().unit, "seq.dfs");
}

TEST(Engine, LaterCodeKeepsEarlierCodeAndLaterDefinitionsWin) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("Dim counter\ncounter = 5\nFunction Which()\nWhich = \"first\"\n"
                               "End Function\nFunction Helper()\nHelper = \"help\"\nEnd Function"));
    ASSERT_TRUE(engine.addCode("Function Which()\nWhich = \"second\" & counter\nEnd Function"));
    EXPECT_EQ(engine.evaluate("Which")->toString(), "second5");
    EXPECT_EQ(engine.evaluate("Helper()")->toString(), "help");
    EXPECT_TRUE(engine.hasProcedure("helper"));
}

TEST(Engine, EarlierCodeCallsProceduresDefinedLater) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("Function RUNSEQ()\nRUNSEQ = Later(2)\nEnd Function"));
    ASSERT_TRUE(engine.addCode("Function Later(x)\nLater = x * 21\nEnd Function"));
    EXPECT_EQ(engine.evaluate("RUNSEQ")->toLong(), 42);
}

TEST(Engine, ACompileErrorAddsNothing) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("Function Keep()\nKeep = 1\nEnd Function"));
    EXPECT_FALSE(engine.addCode("Function Keep()\nKeep = 2\nEnd Function\nx = 1 2"));
    EXPECT_EQ(engine.lastError().number, 1025);
    EXPECT_EQ(engine.lastError().line, 4);
    EXPECT_EQ(engine.evaluate("Keep")->toLong(), 1);
}

TEST(Engine, ARuntimeErrorKeepsTheUnitsDefinitions) {
    script::Engine engine;
    EXPECT_FALSE(engine.addCode("Function F()\nF = 3\nEnd Function\nx = 1 / 0"));
    EXPECT_EQ(engine.evaluate("F")->toLong(), 3);
}

TEST(Engine, CallPassesArguments) {
    script::Engine engine;
    ASSERT_TRUE(engine.addCode("Function Add(a, b)\nAdd = a + b\nEnd Function"));
    const Variant args[] = {Variant(static_cast<int32_t>(2)), Variant(0.5)};
    EXPECT_DOUBLE_EQ(engine.call("Add", args)->toDouble(), 2.5);
    EXPECT_FALSE(engine.call("Nope"));
    EXPECT_EQ(engine.lastError().number, 35);
}

TEST(Engine, HostFunctionsRaiseScriptErrors) {
    script::Engine engine;
    engine.addFunction("fails",
                       [](std::span<const Variant>) -> Variant { throw script::ScriptError(5); });
    ASSERT_TRUE(engine.addCode("On Error Resume Next\nfails\nn = Err.Number"));
    EXPECT_EQ(engine.evaluate("n")->toLong(), 5);
    EXPECT_FALSE(engine.addCode("x = 1\nfails"));
    EXPECT_EQ(engine.lastError().line, 2);
    EXPECT_EQ(engine.lastError().description, "Invalid procedure call or argument");
}

TEST(Engine, AddedNamesShadowBuiltinsAndScriptNamesShadowHostNames) {
    script::Engine engine;
    engine.addFunction("Len", [](std::span<const Variant>) { return Variant("host"); });
    EXPECT_EQ(engine.evaluate("Len(\"abc\")")->toString(), "host");
    FakeInstrument inst;
    engine.addObject("MathFunction", inst.object, true);
    ASSERT_TRUE(engine.addCode("Function readch(x)\nreadch = \"script\"\nEnd Function"));
    EXPECT_EQ(engine.evaluate("readch(1)")->toString(), "script");
}

TEST(Engine, MsgBoxAndInputBoxGoToTheHost) {
    script::Engine engine;
    std::string seenPrompt, seenTitle;
    int seenButtons = -1;
    engine.setMsgBoxHandler([&](const std::string& p, int b, const std::string& t) {
        seenPrompt = p;
        seenButtons = b;
        seenTitle = t;
        return 6; // vbYes
    });
    engine.setInputBoxHandler(
        [](const std::string&, const std::string&,
           const std::string& d) -> std::optional<std::string> { return "typed " + d; });
    ASSERT_TRUE(engine.addCode("r = MsgBox(\"Continue?\", vbYesNo, \"Title\")\n"
                               "s = InputBox(\"Name\", \"T\", \"default\")\nMsgBox \"plain\""));
    EXPECT_EQ(engine.evaluate("r = vbYes")->toBool(), true);
    EXPECT_EQ(engine.evaluate("s")->toString(), "typed default");
    EXPECT_EQ(seenPrompt, "plain");
    EXPECT_EQ(seenButtons, 0);
}

TEST(Engine, InterruptCheckStopsAnEndlessLoop) {
    script::Engine engine;
    int checks = 0;
    engine.setInterruptCheck([&] { return ++checks >= 3; });
    EXPECT_FALSE(engine.addCode("On Error Resume Next\nDo\nx = x + 1\nLoop"));
    EXPECT_EQ(engine.lastError().number, 18);
    EXPECT_EQ(engine.lastError().description, "User interrupt occurred");
    EXPECT_EQ(checks, 3);
    engine.setInterruptCheck(nullptr);
    EXPECT_TRUE(engine.addCode("y = 1")) << "the engine runs again afterwards";
}

TEST(Engine, InterruptCheckStopsAnEmptyLoop) {
    script::Engine engine;
    engine.setInterruptCheck([] { return true; });
    EXPECT_FALSE(engine.addCode("For i = 1 To 2000000000\nNext"));
    EXPECT_EQ(engine.lastError().number, 18);
}

TEST(Engine, RequestInterruptFromAnotherThread) {
    script::Engine engine;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        engine.requestInterrupt();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(engine.addCode("Do While True\nLoop"));
    stopper.join();
    EXPECT_EQ(engine.lastError().number, 18);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(Engine, ReentrantEvaluateFromAHostFunction) {
    script::Engine engine;
    engine.addFunction("nested", [&](std::span<const Variant> a) {
        return *engine.evaluate("Twice(" + a[0].toString() + ")");
    });
    ASSERT_TRUE(
        engine.addCode("Function Twice(x)\nTwice = x * 2\nEnd Function\ny = nested(4) + 1"));
    EXPECT_EQ(engine.evaluate("y")->toLong(), 9);
}

TEST(Engine, StringLimitGivesOutOfStringSpace) {
    script::Engine engine;
    script::Limits limits;
    limits.maxStringBytes = 1000;
    engine.setLimits(limits);
    EXPECT_FALSE(engine.addCode("s = \"x\"\nDo\ns = s & s\nLoop"));
    EXPECT_EQ(engine.lastError().number, 14);
    EXPECT_EQ(engine.lastError().line, 3);
}

TEST(Engine, ArrayLimitGivesOutOfMemory) {
    script::Engine engine;
    EXPECT_FALSE(engine.addCode("ReDim a(100000, 100000)"));
    EXPECT_EQ(engine.lastError().number, 7);
}

TEST(Engine, ClearErrorAndConstants) {
    script::Engine engine;
    engine.addConstant("MAXLEVEL", Variant(static_cast<int32_t>(12)));
    EXPECT_EQ(engine.evaluate("MAXLEVEL + 1")->toLong(), 13);
    EXPECT_FALSE(engine.addCode("MAXLEVEL = 2"));
    EXPECT_EQ(engine.lastError().number, 501);
    engine.clearError();
    EXPECT_FALSE(engine.lastError());
}

TEST(NativeObject, DefaultMemberAndTypeName) {
    script::Engine engine;
    auto obj = script::make<script::NativeObject>("Reading");
    obj->method("Value", [](std::span<const Variant>) { return Variant(3.5); })
        .setDefaultMember("value");
    engine.addObject("reading", obj);
    EXPECT_DOUBLE_EQ(engine.evaluate("reading + 1")->toDouble(), 4.5);
    EXPECT_EQ(engine.evaluate("TypeName(reading)")->toString(), "Reading");
    EXPECT_FALSE(engine.evaluate("reading.Missing"));
    EXPECT_EQ(engine.lastError().number, 438);
    EXPECT_EQ(obj->memberNames(), std::vector<std::string>{"Value"});
}

} // namespace

namespace {

TEST(Engine, ASuccessfulRunClearsTheLastError) {
    script::Engine engine;
    EXPECT_FALSE(engine.addCode("x = 1 / 0"));
    EXPECT_TRUE(engine.lastError());
    EXPECT_TRUE(engine.addCode("x = 1"));
    EXPECT_FALSE(engine.lastError());
}

} // namespace

// The stack limit is the thread's real stack: on a 256 KiB thread endless
// recursion, and a deeply nested expression, stop with "Out of stack space"
// instead of overflowing.
TEST(Engine, StackLimitFollowsTheThreadsStack) {
    struct Run {
        int recursion = 0, nesting = 0;
    } run;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256u << 10);
    pthread_t thread;
    auto body = [](void* p) -> void* {
        auto* r = static_cast<Run*>(p);
        script::Engine engine;
        engine.addCode("Function F(n)\nF = F(n + 1)\nEnd Function\nx = F(0)");
        r->recursion = engine.lastError().number;
        std::string deep = "x = ";
        for (int i = 0; i < 390; ++i)
            deep += "(1 + ";
        deep += "1" + std::string(390, ')');
        engine.addCode(deep);
        r->nesting = engine.lastError().number;
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &run), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(run.recursion, 28);
    EXPECT_TRUE(run.nesting == 0 || run.nesting == 28) << run.nesting;
}

// A class instance that the host keeps after the engine has gone is a bare
// object: no members, no Class_Terminate, and it is freed without a crash.
TEST(Engine, AClassInstanceOutlivesItsEngine) {
    Variant kept;
    {
        script::Engine engine;
        ASSERT_TRUE(engine.addCode("Class C\nPublic X\nSub Class_Terminate\nX = 1\nEnd Sub\n"
                                   "End Class"));
        std::optional<Variant> made = engine.evaluate("New C");
        ASSERT_TRUE(made && made->isObject());
        kept = *made;
        EXPECT_EQ(script::typeName(kept), "C");
    }
    EXPECT_EQ(script::typeName(kept), "Object");
    EXPECT_EQ(kept.rawObject()->findMember("X"), -1);
    kept = Variant();
}
