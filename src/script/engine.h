#pragma once
// script::Engine — an embeddable VBScript interpreter.
//
// The engine knows nothing of its host. The host gives it:
//   - functions:   addFunction("Echo", fn, 0, -1) — a global procedure;
//   - objects:     addObject("MathFunction", obj, true) — a named object;
//                  with globalMembers its members are also global names, so
//                  a script may write `genfreq "1000"` or `x = readch(1)`;
//   - constants:   addConstant("vbOK", 1);
//   - code:        addCode(text) compiles a unit, keeps its Sub/Function
//                  definitions and global variables (a later definition of
//                  the same name wins) and runs its top-level statements;
//   - expressions: evaluate("RUNSEQ") calls the script's RUNSEQ function;
//                  call("Name", args) calls a procedure directly;
//   - dialogs:     MsgBox and InputBox go to the handlers set here;
//   - interrupts:  a check called every few thousand statements, and
//                  requestInterrupt() which may be called from any thread.
//
// Built-in functions (Len, Mid, CInt, DateAdd, ...) and the Err object are
// registered through this same interface when the engine is constructed.
// CreateObject makes "Scripting.Dictionary", "Scripting.FileSystemObject"
// and "VBScript.RegExp"; `New RegExp` makes the last one too.
//
// Errors: addCode, evaluate and call return false / std::nullopt when the
// code fails to compile or raises a runtime error that the script does not
// handle; lastError() then gives VBScript's number, description and line.
//
// Re-entrancy: a host function may call evaluate() or call() while a script
// runs (for instance while it pumps events). All calls must come from one
// thread, except requestInterrupt().

#include "script/variant.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace script {

class Interpreter;

// A host function: takes the arguments by value (an omitted argument, as in
// `f 1, , 3`, arrives as Empty) and returns the result (Empty for a Sub).
// Throw ScriptError to raise a script error.
using NativeFunction = std::function<Variant(std::span<const Variant> args)>;

inline constexpr int kAnyCount = -1; // maxArgs: no upper limit

// A ready-made host object: a table of named methods and properties.
//   auto obj = script::make<script::NativeObject>("clsAddInFunction");
//   obj->method("genfreq", [](auto args) { ...; return script::Variant(); }, 1, 1);
class NativeObject : public Object {
public:
    explicit NativeObject(std::string typeName = "Object");

    // A method, or a read-only property when it takes no arguments.
    NativeObject& method(std::string_view name, NativeFunction fn, int minArgs = 0,
                         int maxArgs = kAnyCount);
    // A property that scripts can read and assign (`obj.p = v`).
    NativeObject& property(std::string_view name, std::function<Variant()> get,
                           std::function<void(const Variant&)> set);
    // Which member `obj` / `obj(args)` stands for.
    NativeObject& setDefaultMember(std::string_view name);

    std::string typeName() const override { return typeName_; }
    int findMember(std::string_view name) const override;
    Variant invoke(int member, Access access, std::span<const Variant> args) override;

    // The member names, in the order they were added.
    std::vector<std::string> memberNames() const;

private:
    struct Member {
        std::string name;
        NativeFunction call;
        std::function<void(const Variant&)> set;
        int minArgs = 0;
        int maxArgs = kAnyCount;
    };
    std::string typeName_;
    std::vector<Member> members_;
    std::unordered_map<std::string, int> index_; // lower-case name -> member id
    int defaultMember_ = -1;
};

// The last error, as a host shows it.
struct ErrorInfo {
    int number = 0;
    // The standard description, followed by the name it is about when there
    // is one: "Variable is undefined: 'x'", "Sub or Function not defined: 'f'".
    std::string description;
    std::string source; // "Microsoft VBScript runtime error" / "... compilation error"
    int line = 0;       // 1-based line within the unit (0 if not known)
    int column = 0;     // 1-based column (compile errors only)
    std::string unit;   // the name given to addCode ("" if none)

    explicit operator bool() const { return number != 0; }
};

// Maps a path as a script writes it ("c:\data\x.csv") to the file-system
// path that the FileSystemObject opens.
using PathMapper = std::function<std::string(std::string_view scriptPath)>;

// MsgBox(prompt, buttons, title) -> the button pressed (vbOK = 1, ...).
using MsgBoxHandler =
    std::function<int(const std::string& prompt, int buttons, const std::string& title)>;
// InputBox(prompt, title, default) -> the text entered, or nullopt when
// cancelled (the script then gets "").
using InputBoxHandler = std::function<std::optional<std::string>(
    const std::string& prompt, const std::string& title, const std::string& defaultText)>;

// Safety limits. Exceeding them gives script errors, never a crash.
struct Limits {
    // Stack kept free below the deepest nested call, for unwinding and for
    // host functions (at most half the thread's stack). Deeper nesting gives
    // 28 "Out of stack space".
    size_t stackReserve = 1u << 20;
    size_t maxStringBytes = 256u << 20;     // 14 "Out of string space"
    size_t maxArrayElements = 64u << 20;    // 7 "Out of memory"
    int statementsPerInterruptCheck = 4096; // how often the interrupt check runs
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // ---- binding --------------------------------------------------------------
    void addFunction(std::string_view name, NativeFunction fn, int minArgs = 0,
                     int maxArgs = kAnyCount);
    void addObject(std::string_view name, Ref<Object> object, bool globalMembers = false);
    void addConstant(std::string_view name, Variant value);

    // ---- running --------------------------------------------------------------
    // Compiles `code` and runs its top-level statements. `unitName` labels
    // errors (e.g. the file name). False on a compile or runtime error; a
    // unit with a compile error adds nothing.
    bool addCode(std::string_view code, std::string_view unitName = {});
    // Evaluates one expression in the global scope (`=` compares). A bare
    // name of a procedure calls it; an unknown name is an error.
    std::optional<Variant> evaluate(std::string_view expression);
    // Calls a global Sub or Function with the given arguments (by value).
    std::optional<Variant> call(std::string_view procedure, std::span<const Variant> args = {});
    // Whether the script defines a Sub or Function of that name.
    bool hasProcedure(std::string_view name) const;

    // The error of the last failed addCode/evaluate/call (cleared when an
    // outermost one starts).
    const ErrorInfo& lastError() const;
    void clearError();

    // ---- host services ----------------------------------------------------------
    // Without handlers MsgBox returns vbOK and InputBox returns "".
    void setMsgBoxHandler(MsgBoxHandler handler);
    void setInputBoxHandler(InputBoxHandler handler);
    // Paths of CreateObject("Scripting.FileSystemObject") go through this
    // mapping. Without one they are used as they stand, with "\" turned
    // into "/". Scripts have the rights of the user who runs the program.
    void setPathMapper(PathMapper mapper);
    // Called every Limits::statementsPerInterruptCheck statements; returning
    // true stops the script with error 18 "User interrupt occurred", which
    // On Error Resume Next does not catch.
    void setInterruptCheck(std::function<bool()> shouldStop);
    // Stops the running script at its next check, or, when a host function
    // asks it, as soon as that function returns. Safe from any thread.
    void requestInterrupt();
    void setLimits(const Limits& limits);
    const Limits& limits() const;

private:
    std::unique_ptr<Interpreter> impl_;
};

} // namespace script
