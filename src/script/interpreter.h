#pragma once
// The evaluator (engine-internal): runs linked syntax trees. Engine is its
// public face.

#include "script/ast.h"
#include "script/engine.h"
#include "script/heap.h"
#include "script/objects.h"
#include "script/stack_limit.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace script {

struct NativeBinding {
    std::string name;
    NativeFunction fn;
    int minArgs = 0;
    int maxArgs = kAnyCount;
};

// One global name. Entries never move (a deque), so the tree and ByRef
// parameters may point at them.
struct GlobalEntry {
    enum class Kind : uint8_t {
        Undefined,
        Variable,
        Constant,
        Procedure,
        Native,
        HostMember,
        NamedObject,
        Class
    };
    Kind kind = Kind::Undefined;
    bool scriptDefined = false; // a Dim/Const/Sub/Function of the script
    std::string name;
    Variant value; // Variable, Constant, NamedObject
    const ast::Procedure* proc = nullptr;
    const NativeBinding* native = nullptr;
    const ast::ClassDef* cls = nullptr;
    Object* host = nullptr; // HostMember (kept alive by the named object list)
    int member = -1;
};

class ErrObject;
class ClassInstance;

class Interpreter {
public:
    Interpreter();
    ~Interpreter();

    void addFunction(std::string_view name, NativeFunction fn, int minArgs, int maxArgs);
    void addObject(std::string_view name, Ref<Object> object, bool globalMembers);
    void addConstant(std::string_view name, Variant value);

    bool addCode(std::string_view code, std::string_view unitName);
    std::optional<Variant> evaluate(std::string_view expression);
    std::optional<Variant> call(std::string_view procedure, std::span<const Variant> args);
    bool hasProcedure(std::string_view name) const;

    // Members of script class instances (ClassInstance forwards here).
    Variant invokeClassMember(ClassInstance* obj, int member, Access access,
                              std::span<const Variant> args);
    void runTerminate(ClassInstance* obj) noexcept;
    // Calls a procedure with arguments by value (GetRef's objects).
    Variant callByRef(const ast::Procedure* proc, std::span<const Variant> args);

    const ErrorInfo& lastError() const { return lastError_; }
    void clearError() { lastError_ = ErrorInfo(); }

    MsgBoxHandler msgBox;
    InputBoxHandler inputBox;
    std::function<bool()> interruptCheck;
    std::shared_ptr<FileContext> files = std::make_shared<FileContext>();
    std::atomic<bool> interruptRequested{false};
    Limits limits;

private:
    enum class Flow : uint8_t { Normal, ExitDo, ExitFor, ExitProc };

    struct Frame {
        Variant* slots = nullptr;
        const ast::Procedure* proc = nullptr;
        int unit = -1;
        ClassInstance* me = nullptr; // the instance whose method runs
        // Locals that Execute declared in this frame (lower-case names).
        std::unique_ptr<std::map<std::string, Variant>> extraLocals;
        bool resumeNext = false;
        std::vector<Variant> with; // With objects, innermost last
    };
    struct Interrupted {}; // not a ScriptError: On Error Resume Next cannot catch it

    // ---- names ---------------------------------------------------------------
    GlobalEntry* entry(std::string_view name);
    void resolve(GlobalEntry& e);
    void resolveAll();
    void link(ast::Unit& unit);

    // ---- running -----------------------------------------------------------------
    template <class Body> bool runTopLevel(int unit, Body&& body);
    void recordError(const ScriptError& e);
    Flow execBlock(const ast::Block& block);
    Flow exec(const ast::Stmt* s);
    bool handle(ScriptError& e, int line);
    void poll(int line);
    void stopIfHostAsked();

    Flow execIf(const ast::If* s);
    Flow execSelect(const ast::Select* s);
    Flow execFor(const ast::For* s);
    Flow execForEach(const ast::ForEach* s);
    Flow execDo(const ast::Do* s);
    void execReDim(const ast::ReDim* s);
    void execErase(const ast::Erase* s);
    void assign(const ast::Expr* target, Variant value, bool isSet);
    // `s = s & a & b` by appending to s's text; false when s holds no string.
    bool appendInPlace(const ast::Assign* a);
    // Indices of an array element, evaluated without allocating; false when
    // there are more than a few.
    bool smallIndices(const std::vector<ast::Expr*>& args, int32_t* idx);
    static constexpr size_t kSmallIndices = 4;
    void element(const Variant& array, const int32_t* idx, size_t count, Variant& out) {
        const long long pos = array.rawArray().offset(std::span<const int32_t>(idx, count));
        if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
        out = array.rawArray().items[static_cast<size_t>(pos)];
    }
    bool condition(const ast::Expr* e, int line, bool& value);

    // ---- evaluation ----------------------------------------------------------------
    void eval(const ast::Expr* e, Variant& out);
    const Variant& evalRef(const ast::Expr* e, Variant& tmp);
    void evalBinary(const ast::Binary* b, Variant& out);
    void evalCall(const ast::Call* c, Variant& out);
    void evalMember(const ast::Member* m, std::span<const Variant> args, Variant& out);
    const Variant& readName(const ast::Name* n, Variant& tmp);
    Variant* writableName(const ast::Name* n, bool declare);
    Variant* locate(const ast::Expr* e);
    Object* memberObject(const ast::Member* m, Variant& holder);
    void evalArgs(const std::vector<ast::Expr*>& args, std::vector<Variant>& out);
    std::vector<int32_t> indices(std::span<const Variant> args);
    void index(const Variant& container, std::span<const Variant> args, Variant& out);
    void callProcedure(const ast::Procedure* proc, const std::vector<ast::Expr*>& args,
                       std::span<const Variant> values, Variant& out, ClassInstance* me = nullptr);
    // A name bound to a member of the running method's class: a field is
    // read (and indexed by `args`), a method or property is called.
    void evalClassMember(const ast::Name* n, const std::vector<ast::Expr*>& args, Variant& out);
    // `object.name(args)`.
    void callMemberOf(const ast::Member* m, const std::vector<ast::Expr*>& args, Variant& out);
    Variant newInstance(const ast::ClassDef* def);

    // Drops the slot of an evaluated expression's unit when it is the last.
    void releaseUnitSlot(int id);

    // ---- code compiled while running -------------------------------------------------------
    // Eval, Execute and ExecuteGlobal: in the running procedure's scope, or
    // (global) at the top level.
    Variant evalText(const Variant& text);
    void executeText(const Variant& text, bool global);
    // Compiles a unit and keeps it; compile errors are thrown.
    ast::Unit& compileUnit(std::string_view code, bool expression, const ast::Procedure* enclosing);
    // Runs `body` in a frame for a unit compiled in the running procedure's scope.
    template <class Body> void inScopeFrame(const ast::Unit& unit, Body&& body);
    Variant getRef(const Variant& name);
    void addRuntimeFunctions();
    void checkVisible(const ClassInstance* obj, const ast::ClassMember& m) const;
    void callNative(const NativeBinding* nb, std::span<const Variant> args, Variant& out);
    Variant invokeMember(Object* obj, int member, Access access, std::span<const Variant> args);
    void checkString(const Variant& v) const;
    // 7 "Out of memory" when an array of these bounds exceeds the limit.
    void checkArraySize(std::span<const int32_t> bounds) const;
    // 28 "Out of stack space" when less than Limits::stackReserve of the
    // thread's stack is left.
    void checkStack() const {
        if (StackLimit::exhausted(stackFloor_)) throw ScriptError(err::OutOfStackSpace);
    }

    std::deque<GlobalEntry> entries_;
    std::unordered_map<std::string, GlobalEntry*> byName_; // lower-case name
    std::deque<NativeBinding> natives_;
    std::unordered_map<std::string, const NativeBinding*> nativeByName_;
    struct NamedObject {
        std::string name;
        Ref<Object> object;
        bool globalMembers;
    };
    std::vector<NamedObject> objects_;
    std::vector<std::unique_ptr<ast::Unit>> units_; // kept: procedures point into them
    std::vector<std::string> unitNames_;
    Ref<ErrObject> err_;
    std::shared_ptr<Heap> heap_;

    Frame* frame_ = nullptr;
    int depth_ = 0;
    const char* stackFloor_ = nullptr;
    int budget_ = 4096;
    int currentLine_ = 0;
    ErrorInfo lastError_;
};

} // namespace script
