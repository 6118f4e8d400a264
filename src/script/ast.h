#pragma once
// The syntax tree (engine-internal). The parser builds it; names are bound to
// frame slots (locals) or to global entries when a unit is linked, so the
// evaluator never looks a name up by text while running.
//
// All nodes of a unit are owned by Unit::nodes (a flat list, so that a deep
// tree is never destroyed recursively); nodes point at each other with plain
// pointers. Every node keeps the line it started on.

#include "script/operators.h"
#include "script/variant.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace script {
struct GlobalEntry;
}

namespace script::ast {

struct Node {
    virtual ~Node() = default;
    int line = 0;
};

struct ClassDef;

enum class ExprKind : uint8_t {
    Literal,
    Name,
    Member,
    Call,
    Unary,
    Binary,
    Paren,
    New,
    Me,
    Missing
};

struct Expr : Node {
    explicit Expr(ExprKind k) : kind(k) {}
    ExprKind kind;
    uint16_t depth = 1; // height of the subtree
};

struct Literal : Expr {
    Literal() : Expr(ExprKind::Literal) {}
    Variant value;
};

// Local: a frame slot. Member: a member of the class whose method is
// running (slot = index in ClassDef::members). Global: a global entry.
enum class Scope : uint8_t { Unbound, Local, Member, Global };

struct Name : Expr {
    Name() : Expr(ExprKind::Name) {}
    std::string name;
    Scope scope = Scope::Unbound;
    // Local: the frame slot. Global inside a procedure: the slot of the
    // implicit local that assignment creates when no global exists (-1 at
    // top level).
    int slot = -1;
    GlobalEntry* entry = nullptr;
    bool optionExplicit = false;
    bool callee = false; // written as a call: `f(x)` or a call statement
};

// `object.name`; object == nullptr means the innermost With object.
struct Member : Expr {
    Member() : Expr(ExprKind::Member) {}
    Expr* object = nullptr;
    std::string name;
    // The member found the last time, for a script class (a cache).
    mutable const ClassDef* lastClass = nullptr;
    mutable int lastMember = -1;
};

// `callee(args)`: a procedure call, an array element or a default member.
struct Call : Expr {
    Call() : Expr(ExprKind::Call) {}
    Expr* callee = nullptr;
    std::vector<Expr*> args; // an omitted argument is a Missing node
};

struct Unary : Expr {
    enum class Op : uint8_t { Negate, Plus, Not };
    Unary() : Expr(ExprKind::Unary) {}
    Op op = Op::Negate;
    Expr* operand = nullptr;
};

struct Binary : Expr {
    Binary() : Expr(ExprKind::Binary) {}
    ops::BinOp op = ops::BinOp::Add;
    Expr* left = nullptr;
    Expr* right = nullptr;
};

// `(inner)`: kept because a parenthesised argument is passed by value.
struct Paren : Expr {
    Paren() : Expr(ExprKind::Paren) {}
    Expr* inner = nullptr;
};

struct New : Expr {
    New() : Expr(ExprKind::New) {}
    std::string className;
};

// ---- statements ------------------------------------------------------------------

enum class StmtKind : uint8_t {
    Assign,
    Call,
    ReDim,
    Erase,
    If,
    Select,
    For,
    ForEach,
    Do,
    Exit,
    OnError,
    With
};

struct Stmt : Node {
    explicit Stmt(StmtKind k) : kind(k) {}
    StmtKind kind;
};

using Block = std::vector<Stmt*>;

struct Assign : Stmt {
    Assign() : Stmt(StmtKind::Assign) {}
    bool isSet = false;
    Expr* target = nullptr; // Name, Member or Call
    Expr* value = nullptr;
    // `s = s & a & b`: the parts appended to the target (a, b), which may
    // then be appended in place instead of copying s.
    std::vector<Expr*> appendParts;
};

struct CallStmt : Stmt {
    CallStmt() : Stmt(StmtKind::Call) {}
    Expr* call = nullptr; // Call, Name or Member
};

struct ReDim : Stmt {
    ReDim() : Stmt(StmtKind::ReDim) {}
    struct Item {
        Name* target;
        std::vector<Expr*> bounds;
    };
    bool preserve = false;
    std::vector<Item> items;
};

struct Erase : Stmt {
    Erase() : Stmt(StmtKind::Erase) {}
    Name* target = nullptr;
};

struct If : Stmt {
    If() : Stmt(StmtKind::If) {}
    struct Clause {
        Expr* condition;
        Block body;
        int line;
    };
    std::vector<Clause> clauses; // If, then each ElseIf
    Block elseBody;
};

struct Select : Stmt {
    Select() : Stmt(StmtKind::Select) {}
    struct Case {
        std::vector<Expr*> values;
        Block body;
        int line;
    };
    Expr* subject = nullptr;
    std::vector<Case> cases;
    bool hasElse = false;
    Block elseBody;
};

struct For : Stmt {
    For() : Stmt(StmtKind::For) {}
    Name* counter = nullptr;
    Expr* from = nullptr;
    Expr* to = nullptr;
    Expr* step = nullptr; // nullptr = 1
    Block body;
    int nextLine = 0; // errors of the counter's update belong to Next
};

struct ForEach : Stmt {
    ForEach() : Stmt(StmtKind::ForEach) {}
    Name* variable = nullptr;
    Expr* collection = nullptr;
    Block body;
};

struct Do : Stmt {
    enum class Test : uint8_t { None, PreWhile, PreUntil, PostWhile, PostUntil };
    Do() : Stmt(StmtKind::Do) {}
    Test test = Test::None;
    Expr* condition = nullptr;
    int conditionLine = 0;
    Block body;
};

struct Exit : Stmt {
    enum class What : uint8_t { Do, For, Procedure };
    Exit() : Stmt(StmtKind::Exit) {}
    What what = What::Do;
};

struct OnError : Stmt {
    OnError() : Stmt(StmtKind::OnError) {}
    bool resumeNext = false;
};

struct With : Stmt {
    With() : Stmt(StmtKind::With) {}
    Expr* object = nullptr;
    Block body;
};

// ---- procedures and units -----------------------------------------------------------

struct Param {
    std::string name;
    bool byVal = false;
};

// What a frame slot starts with when the procedure is entered.
struct SlotInit {
    int slot;
    bool isConst;
    Variant constValue;          // isConst
    std::vector<int32_t> bounds; // fixed array (non-const, non-empty)
};

enum class ProcKind : uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct ClassDef;

struct Procedure {
    std::string name;
    ProcKind kind = ProcKind::Sub;
    bool isFunction = false; // has a return value (Function, Property Get)
    bool isPublic = true;
    const ClassDef* owner = nullptr; // a method of this class
    std::vector<Param> params;       // slots 1..n; slot 0 is the return value
    Block body;
    int line = 0;
    int slotCount = 1;
    std::vector<SlotInit> inits;
    int unit = -1;
    // Names bound when the procedure was compiled, kept for code that
    // Execute and Eval compile in its scope: declared locals, and names
    // that are global if a global exists and a local slot otherwise.
    std::unordered_map<std::string, int> locals, implicitLocals;
};

// A field, method or property of a class. A property has up to three
// procedures; a method has one; a field has none.
struct ClassMember {
    std::string name;
    bool isPublic = true;
    int field = -1; // index in ClassInstance's fields
    const Procedure* method = nullptr;
    const Procedure* get = nullptr;
    const Procedure* let = nullptr;
    const Procedure* set = nullptr;
};

struct ClassField {
    std::vector<int32_t> bounds; // fixed array when non-empty
    bool isArray = false;
};

struct ClassDef {
    std::string name;
    int line = 0;
    std::vector<ClassField> fields;
    std::vector<ClassMember> members;
    std::unordered_map<std::string, int> index; // lower-case name -> member
    int defaultMember = -1;
    const Procedure* initialize = nullptr;
    const Procedure* terminate = nullptr;
    std::vector<std::unique_ptr<Procedure>> procedures;

    int find(const std::string& lowerName) const {
        auto it = index.find(lowerName);
        return it == index.end() ? -1 : it->second;
    }
};

struct GlobalDecl {
    enum class Kind : uint8_t { Variable, Constant };
    std::string name;
    Kind kind = Kind::Variable;
    std::vector<int32_t> bounds; // fixed array when non-empty
    bool isArray = false;        // Dim a() (dynamic) or fixed
    Variant value;               // Constant
    int line = 0;
};

struct Unit {
    int id = -1;
    bool optionExplicit = false;
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<std::unique_ptr<Procedure>> procedures; // in source order
    std::vector<std::unique_ptr<ClassDef>> classes;
    std::vector<GlobalDecl> globals;
    std::vector<Name*> globalNames; // names to bind to global entries
    Block topLevel;
    Expr* expression = nullptr; // expression units (Engine::evaluate)
    // Code compiled in a procedure's scope (Execute, Eval): its frame. The
    // first slots stand for the enclosing procedure's slots.
    std::unique_ptr<Procedure> scopeProc;
};

} // namespace script::ast
