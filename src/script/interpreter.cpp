#include "script/interpreter.h"

#include "script/classes.h"
#include "script/err_object.h"
#include "script/library.h"
#include "script/parser.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace script {

using namespace ast;
using Tag = Variant::Tag;

namespace {

ScriptError namedError(int number, std::string_view subject) {
    ScriptError e(number);
    e.subject = std::string(subject);
    return e;
}

const Variant kEmpty;

inline void storeInteger(Variant& out, long long v, bool isLong) {
    if (!isLong && v >= -32768 && v <= 32767)
        out.setInt(Tag::Integer, static_cast<int32_t>(v));
    else if (v >= INT32_MIN && v <= INT32_MAX)
        out.setInt(Tag::Long, static_cast<int32_t>(v));
    else
        out.setDouble(Tag::Double, static_cast<double>(v));
}

// A comparison of two numbers of one type; `op` is one of the six.
template <class T> inline bool compared(ops::BinOp op, T x, T y) {
    switch (op) {
    case ops::BinOp::Eq:
        return x == y;
    case ops::BinOp::Ne:
        return x != y;
    case ops::BinOp::Lt:
        return x < y;
    case ops::BinOp::Gt:
        return x > y;
    case ops::BinOp::Le:
        return x <= y;
    default:
        return x >= y;
    }
}

inline bool isSmallInt(Tag t) {
    return t == Tag::Integer || t == Tag::Long;
}

} // namespace

void Interpreter::checkArraySize(std::span<const int32_t> bounds) const {
    size_t total = 1;
    for (int32_t b : bounds) {
        total *= static_cast<size_t>(b < 0 ? 0 : static_cast<int64_t>(b) + 1);
        if (total > limits.maxArrayElements) throw ScriptError(err::OutOfMemory);
    }
}

Interpreter::Interpreter() : heap_(std::make_shared<Heap>()) {
    heap_->interpreter = this;
    err_ = make<ErrObject>();
    addObject("Err", err_, false);
    addRuntimeFunctions();
}

Interpreter::~Interpreter() {
    // The script's values go while its code can still run Class_Terminate;
    // then the objects that only cycles keep alive let go of each other.
    for (GlobalEntry& e : entries_)
        e.value = Variant();
    std::vector<Ref<HeapObject>> rest;
    for (HeapObject* o : heap_->live)
        rest.emplace_back(o);
    for (const Ref<HeapObject>& o : rest)
        o->clearReferences();
    rest.clear();
    heap_->interpreter = nullptr;
}

// ---- names ---------------------------------------------------------------------------

GlobalEntry* Interpreter::entry(std::string_view name) {
    const std::string key = lowerName(name);
    auto it = byName_.find(key);
    if (it != byName_.end()) return it->second;
    GlobalEntry& e = entries_.emplace_back();
    e.name = std::string(name);
    byName_.emplace(key, &e);
    resolve(e);
    return &e;
}

// Host names, in order of precedence: named objects, functions, members of
// objects added with global members.
void Interpreter::resolve(GlobalEntry& e) {
    if (e.scriptDefined) return;
    e.kind = GlobalEntry::Kind::Undefined;
    e.value = Variant();
    e.native = nullptr;
    e.host = nullptr;
    for (const NamedObject& o : objects_) {
        if (sameName(o.name, e.name)) {
            e.kind = GlobalEntry::Kind::NamedObject;
            e.value = Variant(o.object);
            return;
        }
    }
    auto nat = nativeByName_.find(lowerName(e.name));
    if (nat != nativeByName_.end()) {
        e.kind = GlobalEntry::Kind::Native;
        e.native = nat->second;
        return;
    }
    for (const NamedObject& o : objects_) {
        if (!o.globalMembers) continue;
        const int id = o.object->findMember(e.name);
        if (id >= 0) {
            e.kind = GlobalEntry::Kind::HostMember;
            e.host = o.object.get();
            e.member = id;
            return;
        }
    }
}

void Interpreter::resolveAll() {
    for (GlobalEntry& e : entries_)
        resolve(e);
}

void Interpreter::addFunction(std::string_view name, NativeFunction fn, int minArgs, int maxArgs) {
    NativeBinding& b = natives_.emplace_back();
    b.name = std::string(name);
    b.fn = std::move(fn);
    b.minArgs = minArgs;
    b.maxArgs = maxArgs;
    nativeByName_[lowerName(name)] = &b;
    // Only an entry of the same name can change.
    auto it = byName_.find(lowerName(name));
    if (it != byName_.end()) resolve(*it->second);
}

void Interpreter::addObject(std::string_view name, Ref<Object> object, bool globalMembers) {
    if (!object) return;
    objects_.push_back({std::string(name), std::move(object), globalMembers});
    if (globalMembers) {
        resolveAll();
    } else if (auto it = byName_.find(lowerName(name)); it != byName_.end()) {
        resolve(*it->second);
    }
}

void Interpreter::addConstant(std::string_view name, Variant value) {
    GlobalEntry* e = entry(name);
    e->kind = GlobalEntry::Kind::Constant;
    e->scriptDefined = true; // host constants stay what they are
    e->value = std::move(value);
}

void Interpreter::link(Unit& unit) {
    for (const GlobalDecl& d : unit.globals) {
        GlobalEntry* e = entry(d.name);
        const bool wasVariable = e->scriptDefined && e->kind == GlobalEntry::Kind::Variable;
        e->scriptDefined = true;
        e->proc = nullptr;
        if (d.kind == GlobalDecl::Kind::Constant) {
            e->kind = GlobalEntry::Kind::Constant;
            e->value = d.value;
            continue;
        }
        e->kind = GlobalEntry::Kind::Variable;
        if (d.isArray) {
            checkArraySize(d.bounds);
            e->value = Variant::array(std::span<const int32_t>(d.bounds));
            e->value.setFlags(d.bounds.empty() ? 0 : Variant::kFixedArray);
        } else if (!wasVariable) {
            e->value = Variant();
            e->value.setFlags(0);
        }
    }
    for (const auto& c : unit.classes) {
        GlobalEntry* e = entry(c->name);
        e->scriptDefined = true;
        e->kind = GlobalEntry::Kind::Class;
        e->cls = c.get();
        e->proc = nullptr;
        e->value = Variant();
    }
    for (const auto& p : unit.procedures) {
        GlobalEntry* e = entry(p->name);
        e->scriptDefined = true;
        e->kind = GlobalEntry::Kind::Procedure;
        e->proc = p.get();
        e->value = Variant();
    }
    for (Name* n : unit.globalNames)
        n->entry = entry(n->name);
}

bool Interpreter::hasProcedure(std::string_view name) const {
    auto it = byName_.find(lowerName(name));
    return it != byName_.end() && it->second->kind == GlobalEntry::Kind::Procedure;
}

// ---- running --------------------------------------------------------------------------

void Interpreter::recordError(const ScriptError& e) {
    lastError_ = ErrorInfo();
    lastError_.number = e.number;
    lastError_.description = e.description;
    if (!e.subject.empty()) lastError_.description += ": '" + e.subject + "'";
    lastError_.source = e.source;
    lastError_.line = e.line;
    lastError_.column = e.column;
    if (e.unit >= 0 && e.unit < static_cast<int>(unitNames_.size()))
        lastError_.unit = unitNames_[e.unit];
}

template <class Body> bool Interpreter::runTopLevel(int unit, Body&& body) {
    const bool outermost = depth_ == 0;
    if (outermost) {
        stackFloor_ = StackLimit::floorForThisThread(limits.stackReserve);
        budget_ = limits.statementsPerInterruptCheck;
    }
    Frame top;
    top.unit = unit;
    Frame* saved = frame_;
    frame_ = &top;
    ++depth_;
    bool ok = false;
    try {
        body();
        ok = true;
    } catch (ScriptError& e) {
        if (e.unit < 0) e.unit = unit;
        recordError(e);
    } catch (Interrupted&) {
        ScriptError e(err::UserInterrupt);
        e.line = currentLine_;
        e.unit = frame_ ? frame_->unit : unit;
        recordError(e);
    } catch (std::bad_alloc&) {
        ScriptError e(err::OutOfMemory);
        e.unit = unit;
        recordError(e);
    }
    --depth_;
    frame_ = saved;
    if (outermost) interruptRequested = false;
    return ok;
}

bool Interpreter::addCode(std::string_view code, std::string_view unitName) {
    if (depth_ == 0) lastError_ = ErrorInfo();
    const int id = static_cast<int>(units_.size());
    std::unique_ptr<Unit> unit;
    unitNames_.emplace_back(unitName);
    try {
        unit = parseProgram(code, id);
        link(*unit);
    } catch (ScriptError& e) {
        e.unit = id;
        recordError(e);
        units_.push_back(nullptr);
        return false;
    }
    units_.push_back(std::move(unit));
    const Unit* u = units_.back().get();
    return runTopLevel(id, [&] { execBlock(u->topLevel); });
}

std::optional<Variant> Interpreter::evaluate(std::string_view expression) {
    if (depth_ == 0) lastError_ = ErrorInfo();
    const int id = static_cast<int>(units_.size());
    std::unique_ptr<Unit> unit;
    unitNames_.emplace_back();
    units_.push_back(nullptr);
    try {
        unit = parseExpression(expression, id);
        link(*unit);
    } catch (ScriptError& e) {
        e.unit = id;
        recordError(e);
        releaseUnitSlot(id);
        return std::nullopt;
    }
    Variant result;
    const Expr* ex = unit->expression;
    const bool ok = runTopLevel(id, [&] {
        if (ex->kind == ExprKind::Name) {
            const Name* n = static_cast<const Name*>(ex);
            if (n->entry->kind == GlobalEntry::Kind::Undefined) {
                ScriptError e = namedError(err::ProcedureNotDefined, n->name);
                e.line = n->line;
                throw e;
            }
        }
        try {
            eval(ex, result);
        } catch (ScriptError& e) {
            if (e.line == 0) e.line = ex->line;
            throw;
        }
    });
    releaseUnitSlot(id);
    if (!ok) return std::nullopt;
    return result;
}

void Interpreter::releaseUnitSlot(int id) {
    // The expression's unit itself ends with the evaluation; its slot goes
    // too unless code was added after it, so that a host evaluating the same
    // expression on every run takes no memory for it.
    if (units_.size() == static_cast<std::size_t>(id) + 1) {
        units_.pop_back();
        unitNames_.pop_back();
    }
}

std::optional<Variant> Interpreter::call(std::string_view procedure,
                                         std::span<const Variant> args) {
    if (depth_ == 0) lastError_ = ErrorInfo();
    GlobalEntry* e = entry(procedure);
    Variant result;
    const bool ok = runTopLevel(-1, [&] {
        switch (e->kind) {
        case GlobalEntry::Kind::Procedure:
            callProcedure(e->proc, {}, args, result);
            break;
        case GlobalEntry::Kind::Native:
            callNative(e->native, args, result);
            break;
        case GlobalEntry::Kind::HostMember:
            result = invokeMember(e->host, e->member, Access::Get, args);
            break;
        default:
            throw namedError(err::ProcedureNotDefined, procedure);
        }
    });
    if (!ok) return std::nullopt;
    return result;
}

void Interpreter::poll(int line) {
    budget_ = limits.statementsPerInterruptCheck > 0 ? limits.statementsPerInterruptCheck : 4096;
    currentLine_ = line;
    if (interruptRequested.load(std::memory_order_relaxed) ||
        (interruptCheck && interruptCheck())) {
        interruptRequested = true;
        throw Interrupted{};
    }
}

// A host call that asked to stop the script (a wait cut short by a time
// limit) stops it as soon as it returns, before the next statement.
void Interpreter::stopIfHostAsked() {
    if (!interruptRequested.load(std::memory_order_relaxed)) return;
    currentLine_ = 0; // the statement that made the call names the line
    throw Interrupted{};
}

bool Interpreter::handle(ScriptError& e, int line) {
    if (e.line == 0) {
        e.line = line;
        e.unit = frame_->unit;
    }
    if (!frame_->resumeNext) return false;
    err_->set(e);
    return true;
}

Interpreter::Flow Interpreter::execBlock(const Block& block) {
    checkStack();
    for (const Stmt* s : block) {
        if (--budget_ <= 0) poll(s->line);
        try {
            const Flow f = exec(s);
            if (f != Flow::Normal) return f;
        } catch (ScriptError& e) {
            if (!handle(e, s->line)) throw;
        } catch (Interrupted&) {
            if (currentLine_ == 0) currentLine_ = s->line;
            throw;
        } catch (std::bad_alloc&) {
            ScriptError e(err::OutOfMemory);
            if (!handle(e, s->line)) throw e;
        } catch (std::length_error&) {
            ScriptError e(err::OutOfMemory);
            if (!handle(e, s->line)) throw e;
        }
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::exec(const Stmt* s) {
    switch (s->kind) {
    case StmtKind::Assign: {
        const auto* a = static_cast<const Assign*>(s);
        if (!a->appendParts.empty() && appendInPlace(a)) return Flow::Normal;
        Variant v;
        eval(a->value, v);
        assign(a->target, std::move(v), a->isSet);
        return Flow::Normal;
    }
    case StmtKind::Call: {
        const Expr* c = static_cast<const CallStmt*>(s)->call;
        Variant discard;
        if (c->kind == ExprKind::Call) {
            evalCall(static_cast<const Call*>(c), discard);
        } else if (c->kind == ExprKind::Member) {
            callMemberOf(static_cast<const Member*>(c), {}, discard);
        } else if (c->kind == ExprKind::Name &&
                   static_cast<const Name*>(c)->scope == Scope::Member) {
            evalClassMember(static_cast<const Name*>(c), {}, discard);
        } else if (c->kind == ExprKind::Name) {
            const Name* n = static_cast<const Name*>(c);
            const GlobalEntry* e = n->scope == Scope::Global ? n->entry : nullptr;
            if (e && e->kind == GlobalEntry::Kind::Undefined &&
                !(n->slot >= 0 && frame_->slots[n->slot].deref().isObject()))
                throw namedError(err::ProcedureNotDefined, n->name);
            const bool callable = e && (e->kind == GlobalEntry::Kind::Procedure ||
                                        e->kind == GlobalEntry::Kind::Native ||
                                        e->kind == GlobalEntry::Kind::HostMember);
            Variant tmp;
            const Variant& v = readName(n, tmp);
            if (!callable) {
                if (!v.isObject()) throw ScriptError(err::TypeMismatch);
                index(v, {}, discard);
            }
        } else {
            eval(c, discard);
        }
        return Flow::Normal;
    }
    case StmtKind::ReDim:
        execReDim(static_cast<const ReDim*>(s));
        return Flow::Normal;
    case StmtKind::Erase:
        execErase(static_cast<const Erase*>(s));
        return Flow::Normal;
    case StmtKind::If:
        return execIf(static_cast<const If*>(s));
    case StmtKind::Select:
        return execSelect(static_cast<const Select*>(s));
    case StmtKind::For:
        return execFor(static_cast<const For*>(s));
    case StmtKind::ForEach:
        return execForEach(static_cast<const ForEach*>(s));
    case StmtKind::Do:
        return execDo(static_cast<const Do*>(s));
    case StmtKind::Exit:
        switch (static_cast<const Exit*>(s)->what) {
        case Exit::What::Do:
            return Flow::ExitDo;
        case Exit::What::For:
            return Flow::ExitFor;
        case Exit::What::Procedure:
            return Flow::ExitProc;
        }
        return Flow::Normal;
    case StmtKind::OnError:
        frame_->resumeNext = static_cast<const OnError*>(s)->resumeNext;
        err_->clear();
        return Flow::Normal;
    case StmtKind::With: {
        const auto* w = static_cast<const With*>(s);
        Variant obj;
        try {
            eval(w->object, obj);
            if (!obj.isObject()) throw ScriptError(err::ObjectRequired);
        } catch (ScriptError& e) {
            // Resumed: the body runs, and each use of the object fails.
            if (!handle(e, s->line)) throw;
            obj = Variant();
        }
        frame_->with.push_back(std::move(obj));
        struct Pop {
            std::vector<Variant>& v;
            ~Pop() { v.pop_back(); }
        } pop{frame_->with};
        return execBlock(w->body);
    }
    }
    return Flow::Normal;
}

bool Interpreter::condition(const Expr* e, int line, bool& value) {
    try {
        Variant t;
        value = ops::isTrue(evalRef(e, t));
        return false;
    } catch (ScriptError& err) {
        if (!handle(err, line)) throw;
        return true;
    }
}

Interpreter::Flow Interpreter::execIf(const If* s) {
    for (const If::Clause& c : s->clauses) {
        bool v = false;
        const bool failed = condition(c.condition, c.line, v);
        if (failed || v) return execBlock(c.body);
    }
    return execBlock(s->elseBody);
}

Interpreter::Flow Interpreter::execSelect(const Select* s) {
    Variant subject;
    try {
        eval(s->subject, subject);
    } catch (ScriptError& e) {
        if (!handle(e, s->line)) throw;
        return Flow::Normal;
    }
    const bool subjectLiteral = s->subject->kind == ExprKind::Literal;
    for (const Select::Case& c : s->cases) {
        for (const Expr* value : c.values) {
            bool match;
            try {
                Variant t;
                const Variant& v = evalRef(value, t);
                match =
                    ops::compare(subject, v, subjectLiteral, value->kind == ExprKind::Literal) == 0;
            } catch (ScriptError& e) {
                if (!handle(e, c.line)) throw;
                match = true;
            }
            if (match) return execBlock(c.body);
        }
    }
    return s->hasElse ? execBlock(s->elseBody) : Flow::Normal;
}

Interpreter::Flow Interpreter::execFor(const For* s) {
    Variant from, to, step = Variant::integer(1);
    double toD = 0, stepD = 1;
    try {
        eval(s->from, from);
        eval(s->to, to);
        if (s->step) eval(s->step, step);
        for (Variant* v : {&from, &to, &step}) {
            *v = v->defaultValue();
            if (v->isNull()) throw ScriptError(err::InvalidUseOfNull);
            if (v->isString())
                *v = Variant(v->toDouble());
            else if (v->isEmpty())
                *v = Variant::integer(0);
            else if (v->tag() == Tag::Boolean)
                *v = Variant::integer(static_cast<int16_t>(v->rawInt()));
            else if (!v->isNumber())
                throw ScriptError(err::TypeMismatch);
        }
        toD = to.toDouble();
        stepD = step.toDouble();
    } catch (ScriptError& e) {
        if (!handle(e, s->line)) throw;
        // VBScript runs the body once, then Next finds the loop uninitialised.
        const Flow f = execBlock(s->body);
        if (f == Flow::ExitProc || f == Flow::ExitDo) return f;
        if (f == Flow::ExitFor) return Flow::Normal;
        throw ScriptError(err::ForNotInitialized);
    }
    Variant* counter = writableName(s->counter, false);
    if (!counter) throw ScriptError(err::IllegalAssignment);
    *counter = from;
    const bool intStep = isSmallInt(step.tag());
    const int32_t stepI = intStep ? step.rawInt() : 0;
    const bool stepLong = step.tag() == Tag::Long;
    bool first = true;
    while (true) {
        if (--budget_ <= 0) poll(s->line);
        const Variant& c = *counter;
        double cur;
        if (isSmallInt(c.tag())) {
            cur = c.rawInt();
        } else if (c.isNumber()) {
            cur = c.toDouble();
        } else {
            ScriptError e(err::TypeMismatch);
            e.line = first ? s->line : s->nextLine;
            throw e;
        }
        if (stepD >= 0 ? cur > toD : cur < toD) break;
        first = false;
        const Flow f = execBlock(s->body);
        if (f == Flow::ExitFor) break;
        if (f != Flow::Normal) return f;
        Variant& cv = *counter;
        if (intStep && isSmallInt(cv.tag())) {
            storeInteger(cv, static_cast<long long>(cv.rawInt()) + stepI,
                         stepLong || cv.tag() == Tag::Long);
        } else {
            Variant next;
            try {
                ops::binary(ops::BinOp::Add, cv, step, next);
                if (!next.isNumber()) throw ScriptError(err::TypeMismatch);
            } catch (ScriptError& e) {
                if (e.line == 0) e.line = s->nextLine;
                throw;
            }
            cv = std::move(next);
        }
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execForEach(const ForEach* s) {
    std::vector<Variant> items;
    Variant hold; // keeps an array alive and unchanged while we walk it
    const std::vector<Variant>* list = &items;
    try {
        eval(s->collection, hold);
        if (hold.isArray()) {
            list = &hold.rawArray().items;
        } else if (hold.isObject() && hold.rawObject()) {
            Ref<Object> keep(hold.rawObject());
            if (!keep->enumerate(items)) throw ScriptError(err::NotACollection);
        } else {
            throw ScriptError(err::NotACollection);
        }
    } catch (ScriptError& e) {
        if (!handle(e, s->line)) throw;
        // Resumed: the body runs once with the variable unchanged, then Next
        // finds nothing to walk.
        const Flow f = execBlock(s->body);
        if (f == Flow::ExitProc || f == Flow::ExitDo) return f;
        if (f == Flow::ExitFor) return Flow::Normal;
        throw ScriptError(err::NotACollection);
    }
    for (size_t i = 0; i < list->size(); ++i) {
        if (--budget_ <= 0) poll(s->line);
        Variant item = (*list)[i];
        assign(s->variable, std::move(item), (*list)[i].isObject());
        const Flow f = execBlock(s->body);
        if (f == Flow::ExitFor) break;
        if (f != Flow::Normal) return f;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execDo(const Do* s) {
    using T = Do::Test;
    while (true) {
        if (--budget_ <= 0) poll(s->line);
        if (s->test == T::PreWhile || s->test == T::PreUntil) {
            bool v = false;
            if (!condition(s->condition, s->conditionLine, v) && v != (s->test == T::PreWhile))
                break;
        }
        const Flow f = execBlock(s->body);
        if (f == Flow::ExitDo) break;
        if (f != Flow::Normal) return f;
        if (s->test == T::PostWhile || s->test == T::PostUntil) {
            bool v = false;
            if (condition(s->condition, s->conditionLine, v)) break;
            if (v != (s->test == T::PostWhile)) break;
        }
    }
    return Flow::Normal;
}

void Interpreter::execReDim(const ReDim* s) {
    for (const ReDim::Item& item : s->items) {
        std::vector<int32_t> bounds;
        size_t total = 1;
        for (const Expr* b : item.bounds) {
            Variant t;
            const int32_t ub = evalRef(b, t).toLong();
            bounds.push_back(ub);
            total *= static_cast<size_t>(ub < 0 ? 0 : static_cast<int64_t>(ub) + 1);
            if (total > limits.maxArrayElements) throw ScriptError(err::OutOfMemory);
        }
        if (bounds.size() > 60) throw ScriptError(err::SubscriptOutOfRange);
        Variant* p = writableName(item.target, true);
        if (!p) throw ScriptError(err::IllegalAssignment);
        if (p->flags() & Variant::kFixedArray) throw ScriptError(err::ArrayFixed);
        if (s->preserve && p->isArray() && p->rawArray().dimensions() > 0) {
            ArrayData& a = p->mutableArray();
            if (a.dimensions() != static_cast<int>(bounds.size()))
                throw ScriptError(err::SubscriptOutOfRange);
            for (size_t d = 0; d + 1 < bounds.size(); ++d)
                if (a.counts[d] != (bounds[d] < 0 ? 0 : static_cast<int64_t>(bounds[d]) + 1))
                    throw ScriptError(err::SubscriptOutOfRange);
            a.counts.back() =
                bounds.back() < 0 ? 0 : bounds.back() + 1; // bounded by the size check
            a.items.resize(total);
        } else {
            *p = Variant::array(std::span<const int32_t>(bounds));
        }
    }
}

void Interpreter::execErase(const Erase* s) {
    const Name* n = s->target;
    Variant* p = locate(n);
    if (!p) {
        if (n->optionExplicit && n->scope == Scope::Global &&
            n->entry->kind == GlobalEntry::Kind::Undefined)
            throw namedError(err::VariableUndefined, n->name);
        throw ScriptError(err::TypeMismatch);
    }
    if (!p->isArray()) throw ScriptError(err::TypeMismatch);
    if (p->flags() & Variant::kFixedArray) {
        ArrayData& a = p->mutableArray();
        for (Variant& v : a.items)
            v = Variant();
    } else {
        *p = Variant::array(std::span<const int32_t>());
    }
}

// ---- assignment -------------------------------------------------------------------------

Variant* Interpreter::writableName(const Name* n, bool declare) {
    if (n->scope == Scope::Local) {
        Variant& s = frame_->slots[n->slot];
        if (s.flags() & Variant::kConstant) throw namedError(err::IllegalAssignment, n->name);
        return &s.deref();
    }
    if (n->scope == Scope::Member) {
        const ClassMember& m = frame_->me->def->members[static_cast<size_t>(n->slot)];
        return m.field >= 0 ? &frame_->me->fields[static_cast<size_t>(m.field)] : nullptr;
    }
    GlobalEntry* e = n->entry;
    switch (e->kind) {
    case GlobalEntry::Kind::Variable:
        return &e->value;
    case GlobalEntry::Kind::Undefined:
        if (n->optionExplicit && !declare) throw namedError(err::VariableUndefined, n->name);
        if (n->slot >= 0) return &frame_->slots[n->slot].deref();
        e->kind = GlobalEntry::Kind::Variable;
        e->scriptDefined = true;
        return &e->value;
    case GlobalEntry::Kind::HostMember:
        return nullptr;
    default:
        throw namedError(err::IllegalAssignment, n->name);
    }
}

// The storage an expression names (a variable or an array element), or
// nullptr when it is not storage. Never creates variables.
Variant* Interpreter::locate(const Expr* e) {
    if (e->kind == ExprKind::Name) {
        const Name* n = static_cast<const Name*>(e);
        if (n->scope == Scope::Local) return &frame_->slots[n->slot].deref();
        if (n->scope == Scope::Member) return writableName(n, false);
        GlobalEntry* g = n->entry;
        if (g->kind == GlobalEntry::Kind::Variable) return &g->value;
        if (g->kind == GlobalEntry::Kind::Undefined && n->slot >= 0)
            return &frame_->slots[n->slot].deref();
        return nullptr;
    }
    if (e->kind == ExprKind::Call) {
        const Call* c = static_cast<const Call*>(e);
        std::vector<Variant> args;
        evalArgs(c->args, args);
        Variant* inner = locate(c->callee);
        if (!inner || !inner->isArray()) return nullptr;
        const std::vector<int32_t> idx = indices(args);
        ArrayData& a = inner->mutableArray();
        const long long pos = a.offset(idx);
        if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
        return &a.items[static_cast<size_t>(pos)];
    }
    return nullptr;
}

void Interpreter::assign(const Expr* target, Variant value, bool isSet) {
    if (isSet) {
        if (!value.isObject()) throw ScriptError(err::ObjectRequired);
    } else if (value.isObject()) {
        value = value.defaultValue();
    }
    const Access access = isSet ? Access::Set : Access::Let;
    switch (target->kind) {
    case ExprKind::Name: {
        const Name* n = static_cast<const Name*>(target);
        Variant* p = writableName(n, false);
        if (!p) {
            const Variant args[] = {std::move(value)};
            if (n->scope == Scope::Member)
                invokeClassMember(frame_->me, n->slot + 1, access, args);
            else
                invokeMember(n->entry->host, n->entry->member, access, args);
            return;
        }
        *p = std::move(value);
        return;
    }
    case ExprKind::Member: {
        const Member* m = static_cast<const Member*>(target);
        Variant holder;
        Object* o = memberObject(m, holder);
        const int id = o->findMember(m->name);
        if (id < 0) throw namedError(err::NoSuchMember, m->name);
        const Variant args[] = {std::move(value)};
        invokeMember(o, id, access, args);
        return;
    }
    case ExprKind::Call: {
        const Call* c = static_cast<const Call*>(target);
        if (c->callee->kind == ExprKind::Name) {
            // An element of an array variable, without allocating.
            const Name* n = static_cast<const Name*>(c->callee);
            auto storage = [&]() -> Variant* {
                if (n->scope == Scope::Local) return &frame_->slots[n->slot].deref();
                if (n->scope == Scope::Global && n->entry->kind == GlobalEntry::Kind::Variable)
                    return &n->entry->value;
                return nullptr;
            };
            Variant* p = storage();
            int32_t idx[kSmallIndices];
            if (p && p->isArray() && smallIndices(c->args, idx)) {
                p = storage();
                if (!p || !p->isArray()) throw ScriptError(err::TypeMismatch);
                const long long pos =
                    p->rawArray().offset(std::span<const int32_t>(idx, c->args.size()));
                if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
                p->mutableArray().items[static_cast<size_t>(pos)] = std::move(value);
                return;
            }
        }
        std::vector<Variant> args;
        evalArgs(c->args, args);
        if (c->callee->kind == ExprKind::Member) {
            const Member* m = static_cast<const Member*>(c->callee);
            Variant holder;
            Object* o = memberObject(m, holder);
            const int id = o->findMember(m->name);
            if (id < 0) throw namedError(err::NoSuchMember, m->name);
            args.push_back(std::move(value));
            invokeMember(o, id, access, args);
            return;
        }
        if (c->callee->kind == ExprKind::Name) {
            const Name* n = static_cast<const Name*>(c->callee);
            if (n->scope == Scope::Member &&
                frame_->me->def->members[static_cast<size_t>(n->slot)].field < 0) {
                args.push_back(std::move(value));
                invokeClassMember(frame_->me, n->slot + 1, access, args);
                return;
            }
            if (n->scope == Scope::Global && n->entry->kind == GlobalEntry::Kind::HostMember) {
                args.push_back(std::move(value));
                invokeMember(n->entry->host, n->entry->member, access, args);
                return;
            }
            if (n->scope == Scope::Global && n->optionExplicit &&
                n->entry->kind == GlobalEntry::Kind::Undefined && n->slot < 0)
                throw namedError(err::VariableUndefined, n->name);
        }
        Variant* p = locate(c->callee);
        if (!p) throw ScriptError(err::TypeMismatch);
        if (p->isArray()) {
            if (!args.empty() && args.size() <= kSmallIndices) {
                int32_t idx[kSmallIndices];
                for (size_t i = 0; i < args.size(); ++i) {
                    if (args[i].isArray()) throw ScriptError(err::TypeMismatch);
                    idx[i] = isSmallInt(args[i].tag()) ? args[i].rawInt() : args[i].toLong();
                }
                const long long pos =
                    p->rawArray().offset(std::span<const int32_t>(idx, args.size()));
                if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
                p->mutableArray().items[static_cast<size_t>(pos)] = std::move(value);
                return;
            }
            const std::vector<int32_t> idx = indices(args);
            ArrayData& a = p->mutableArray();
            const long long pos = a.offset(idx);
            if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
            a.items[static_cast<size_t>(pos)] = std::move(value);
            return;
        }
        if (p->isObject()) {
            if (!p->rawObject()) throw ScriptError(err::ObjectNotSet);
            args.push_back(std::move(value));
            invokeMember(p->rawObject(), Object::kDefaultMember, access, args);
            return;
        }
        throw ScriptError(err::TypeMismatch);
    }
    case ExprKind::Me:
        throw ScriptError(err::InvalidCall);
    default:
        throw ScriptError(err::IllegalAssignment);
    }
}

// ---- evaluation ---------------------------------------------------------------------------

const Variant& Interpreter::readName(const Name* n, Variant& tmp) {
    if (n->scope == Scope::Local) return frame_->slots[n->slot].deref();
    if (n->scope == Scope::Member) {
        if (Variant* field = writableName(n, false)) return *field;
        evalClassMember(n, {}, tmp);
        return tmp;
    }
    GlobalEntry* e = n->entry;
    switch (e->kind) {
    case GlobalEntry::Kind::Variable:
    case GlobalEntry::Kind::Constant:
    case GlobalEntry::Kind::NamedObject:
        return e->value;
    case GlobalEntry::Kind::Procedure:
        callProcedure(e->proc, {}, {}, tmp);
        return tmp;
    case GlobalEntry::Kind::Native:
        callNative(e->native, {}, tmp);
        return tmp;
    case GlobalEntry::Kind::HostMember:
        tmp = invokeMember(e->host, e->member, Access::Get, {});
        return tmp;
    case GlobalEntry::Kind::Class:
    case GlobalEntry::Kind::Undefined:
        break;
    }
    if (n->slot >= 0) return frame_->slots[n->slot].deref();
    if (n->optionExplicit) throw namedError(err::VariableUndefined, n->name);
    return kEmpty;
}

const Variant& Interpreter::evalRef(const Expr* e, Variant& tmp) {
    if (e->kind == ExprKind::Literal) return static_cast<const Literal*>(e)->value;
    if (e->kind == ExprKind::Name) return readName(static_cast<const Name*>(e), tmp);
    eval(e, tmp);
    return tmp;
}

void Interpreter::checkString(const Variant& v) const {
    if (v.isString() && v.rawString().size() > limits.maxStringBytes)
        throw ScriptError(err::OutOfStringSpace);
}

void Interpreter::eval(const Expr* e, Variant& out) {
    switch (e->kind) {
    case ExprKind::Literal:
        out = static_cast<const Literal*>(e)->value;
        return;
    case ExprKind::Name: {
        Variant tmp;
        const Variant& v = readName(static_cast<const Name*>(e), tmp);
        if (&v == &tmp)
            out = std::move(tmp);
        else
            out = v;
        return;
    }
    case ExprKind::Binary:
        evalBinary(static_cast<const Binary*>(e), out);
        return;
    case ExprKind::Unary: {
        checkStack();
        const Unary* u = static_cast<const Unary*>(e);
        Variant tmp;
        const Variant& v = evalRef(u->operand, tmp);
        switch (u->op) {
        case Unary::Op::Negate:
            ops::negate(v, out);
            return;
        case Unary::Op::Not:
            ops::logicalNot(v, out);
            return;
        case Unary::Op::Plus:
            if (v.isArray()) throw ScriptError(err::TypeMismatch);
            out = v.defaultValue();
            return;
        }
        return;
    }
    case ExprKind::Paren:
        eval(static_cast<const Paren*>(e)->inner, out);
        return;
    case ExprKind::Call:
        evalCall(static_cast<const Call*>(e), out);
        return;
    case ExprKind::Member:
        callMemberOf(static_cast<const Member*>(e), {}, out);
        return;
    case ExprKind::New: {
        const std::string& name = static_cast<const New*>(e)->className;
        if (sameName(name, "RegExp")) {
            out = Variant(makeRegExp());
            return;
        }
        auto it = byName_.find(lowerName(name));
        if (it != byName_.end() && it->second->kind == GlobalEntry::Kind::Class) {
            out = newInstance(it->second->cls);
            return;
        }
        throw namedError(err::ClassNotDefined, name);
    }
    case ExprKind::Me:
        if (!frame_->me) throw ScriptError(err::ObjectRequired);
        out = Variant(Ref<Object>(frame_->me));
        return;
    case ExprKind::Missing:
        out = Variant();
        return;
    }
}

void Interpreter::evalBinary(const Binary* b, Variant& out) {
    checkStack();
    Variant t1, t2;
    // Borrow the left operand from its variable only when evaluating the
    // right one cannot run code that changes it.
    const ExprKind rk = b->right->kind;
    const Variant* lp;
    if (rk == ExprKind::Literal ||
        (rk == ExprKind::Name && static_cast<const Name*>(b->right)->scope == Scope::Local)) {
        lp = &evalRef(b->left, t1);
    } else {
        eval(b->left, t1);
        lp = &t1;
    }
    const Variant& l = *lp;
    const Variant& r = evalRef(b->right, t2);
    const Tag lt = l.tag(), rt = r.tag();
    if (isSmallInt(lt) && isSmallInt(rt)) {
        const long long x = l.rawInt(), y = r.rawInt();
        const bool isLong = lt == Tag::Long || rt == Tag::Long;
        switch (b->op) {
        case ops::BinOp::Add:
            return storeInteger(out, x + y, isLong);
        case ops::BinOp::Sub:
            return storeInteger(out, x - y, isLong);
        case ops::BinOp::Mul:
            return storeInteger(out, x * y, isLong);
        case ops::BinOp::Mod:
            if (y == 0) throw ScriptError(err::DivisionByZero);
            return storeInteger(out, x % y, isLong);
        case ops::BinOp::IntDiv:
            if (y == 0) throw ScriptError(err::DivisionByZero);
            return storeInteger(out, x / y, isLong);
        case ops::BinOp::Eq:
        case ops::BinOp::Ne:
        case ops::BinOp::Lt:
        case ops::BinOp::Gt:
        case ops::BinOp::Le:
        case ops::BinOp::Ge:
            return out.setInt(Tag::Boolean, compared(b->op, x, y) ? -1 : 0);
        default:
            break;
        }
    } else if ((lt == Tag::Double || isSmallInt(lt)) && (rt == Tag::Double || isSmallInt(rt))) {
        // Doubles (with an integer): the common cases, straight.
        const double x = lt == Tag::Double ? l.rawDouble() : l.rawInt();
        const double y = rt == Tag::Double ? r.rawDouble() : r.rawInt();
        double v = 0;
        switch (b->op) {
        case ops::BinOp::Add:
            v = x + y;
            break;
        case ops::BinOp::Sub:
            v = x - y;
            break;
        case ops::BinOp::Mul:
            v = x * y;
            break;
        case ops::BinOp::Div:
            v = y == 0 ? HUGE_VAL : x / y;
            break;
        case ops::BinOp::Eq:
        case ops::BinOp::Ne:
        case ops::BinOp::Lt:
        case ops::BinOp::Gt:
        case ops::BinOp::Le:
        case ops::BinOp::Ge:
            return out.setInt(Tag::Boolean, compared(b->op, x, y) ? -1 : 0);
        default:
            v = HUGE_VAL; // the general path below
            break;
        }
        if (std::isfinite(v)) return out.setDouble(Tag::Double, v);
    }
    ops::binary(b->op, l, r, out, b->left->kind == ExprKind::Literal, rk == ExprKind::Literal);
    if (b->op == ops::BinOp::Concat || b->op == ops::BinOp::Add) checkString(out);
}

void Interpreter::evalArgs(const std::vector<Expr*>& args, std::vector<Variant>& out) {
    out.resize(args.size());
    for (size_t i = 0; i < args.size(); ++i)
        eval(args[i], out[i]);
}

std::vector<int32_t> Interpreter::indices(std::span<const Variant> args) {
    std::vector<int32_t> idx(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].isArray()) throw ScriptError(err::TypeMismatch);
        idx[i] = args[i].toLong();
    }
    return idx;
}

void Interpreter::index(const Variant& container, std::span<const Variant> args, Variant& out) {
    if (container.isArray()) {
        const std::vector<int32_t> idx = indices(args);
        const ArrayData& a = container.rawArray();
        const long long pos = a.offset(idx);
        if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
        out = a.items[static_cast<size_t>(pos)];
        return;
    }
    if (container.isObject()) {
        if (!container.rawObject()) throw ScriptError(err::ObjectNotSet);
        out = invokeMember(container.rawObject(), Object::kDefaultMember, Access::Get, args);
        return;
    }
    throw ScriptError(err::TypeMismatch);
}

void Interpreter::evalCall(const Call* c, Variant& out) {
    checkStack();
    const Expr* callee = c->callee;
    std::vector<Variant> args;
    if (callee->kind == ExprKind::Name) {
        const Name* n = static_cast<const Name*>(callee);
        int32_t idx[kSmallIndices];
        if (n->scope == Scope::Local) {
            if (frame_->slots[n->slot].deref().isArray() && smallIndices(c->args, idx)) {
                const Variant& v = frame_->slots[n->slot].deref();
                if (v.isArray()) return element(v, idx, c->args.size(), out);
            }
            evalArgs(c->args, args);
            index(frame_->slots[n->slot].deref(), args, out);
            return;
        }
        if (n->scope == Scope::Member) return evalClassMember(n, c->args, out);
        if (n->entry->kind == GlobalEntry::Kind::Variable && n->entry->value.isArray() &&
            smallIndices(c->args, idx) && n->entry->value.isArray())
            return element(n->entry->value, idx, c->args.size(), out);
        GlobalEntry* e = n->entry;
        switch (e->kind) {
        case GlobalEntry::Kind::Procedure:
            callProcedure(e->proc, c->args, {}, out);
            return;
        case GlobalEntry::Kind::Native:
            evalArgs(c->args, args);
            callNative(e->native, args, out);
            return;
        case GlobalEntry::Kind::HostMember:
            evalArgs(c->args, args);
            out = invokeMember(e->host, e->member, Access::Get, args);
            return;
        case GlobalEntry::Kind::Variable:
        case GlobalEntry::Kind::Constant:
        case GlobalEntry::Kind::NamedObject:
            evalArgs(c->args, args);
            index(e->value, args, out);
            return;
        case GlobalEntry::Kind::Class:
        case GlobalEntry::Kind::Undefined:
            if (n->slot >= 0) {
                const Variant& v = frame_->slots[n->slot].deref();
                if (v.isArray() || v.isObject()) {
                    evalArgs(c->args, args);
                    index(frame_->slots[n->slot].deref(), args, out);
                    return;
                }
            }
            throw namedError(err::ProcedureNotDefined, n->name);
        }
        return;
    }
    if (callee->kind == ExprKind::Member)
        return callMemberOf(static_cast<const Member*>(callee), c->args, out);
    Variant container;
    eval(callee, container);
    evalArgs(c->args, args);
    index(container, args, out);
}

Object* Interpreter::memberObject(const Member* m, Variant& holder) {
    if (!m->object) {
        if (frame_->with.empty()) throw ScriptError(err::UnqualifiedReference);
        holder = frame_->with.back();
    } else {
        eval(m->object, holder);
    }
    if (!holder.isObject() || !holder.rawObject()) throw ScriptError(err::ObjectRequired);
    return holder.rawObject();
}

void Interpreter::evalMember(const Member* m, std::span<const Variant> args, Variant& out) {
    checkStack();
    Variant holder;
    Object* o = memberObject(m, holder);
    const int id = o->findMember(m->name);
    if (id < 0) throw namedError(err::NoSuchMember, m->name);
    out = invokeMember(o, id, Access::Get, args);
}

Variant Interpreter::invokeMember(Object* obj, int member, Access access,
                                  std::span<const Variant> args) {
    Ref<Object> keep(obj);
    try {
        Variant r = obj->invoke(member, access, args);
        stopIfHostAsked();
        checkString(r);
        return r;
    } catch (ScriptError&) {
        throw;
    } catch (Interrupted&) {
        throw;
    } catch (std::bad_alloc&) {
        throw ScriptError(err::OutOfMemory);
    } catch (std::exception& ex) {
        throw ScriptError(51, ex.what());
    }
}

void Interpreter::callNative(const NativeBinding* nb, std::span<const Variant> args, Variant& out) {
    const int argc = static_cast<int>(args.size());
    if (argc < nb->minArgs || (nb->maxArgs >= 0 && argc > nb->maxArgs))
        throw ScriptError(err::WrongArgCount);
    try {
        out = nb->fn(args);
        // A host call that asked to stop the script (a wait cut short by a
        // time limit) stops it here, before its next statement.
        stopIfHostAsked();
    } catch (ScriptError&) {
        throw;
    } catch (Interrupted&) {
        throw;
    } catch (std::bad_alloc&) {
        throw ScriptError(err::OutOfMemory);
    } catch (std::length_error&) {
        throw ScriptError(err::OutOfMemory);
    } catch (std::exception& ex) {
        throw ScriptError(51, ex.what());
    }
    checkString(out);
}

void Interpreter::callProcedure(const Procedure* proc, const std::vector<Expr*>& argExprs,
                                std::span<const Variant> values, Variant& out, ClassInstance* me) {
    const bool fromScript = !argExprs.empty();
    const size_t argc = fromScript ? argExprs.size() : values.size();
    if (argc != proc->params.size()) throw ScriptError(err::WrongArgCount);
    checkStack();

    const int n = proc->slotCount;
    Variant small[8];
    std::unique_ptr<Variant[]> big;
    Variant* slots = small;
    if (n > 8) {
        big.reset(new Variant[static_cast<size_t>(n)]);
        slots = big.get();
    }

    // ByRef array elements are copied in and written back after the call.
    struct WriteBack {
        const Call* element;
        std::vector<int32_t> idx;
        int slot;
    };
    std::vector<WriteBack> writeBacks;

    for (size_t i = 0; i < argc; ++i) {
        Variant& slot = slots[i + 1];
        if (!fromScript) {
            slot = values[i];
            continue;
        }
        const Expr* a = argExprs[i];
        if (!proc->params[i].byVal) {
            if (a->kind == ExprKind::Name) {
                const Name* nm = static_cast<const Name*>(a);
                Variant* target = nullptr;
                if (nm->scope == Scope::Local) {
                    if (!(frame_->slots[nm->slot].flags() & Variant::kConstant))
                        target = &frame_->slots[nm->slot].deref();
                } else if (nm->scope == Scope::Member) {
                    target = writableName(nm, false);
                } else {
                    const auto kind = nm->entry->kind;
                    if (kind == GlobalEntry::Kind::Variable || kind == GlobalEntry::Kind::Undefined)
                        target = writableName(nm, false);
                }
                if (target) {
                    slot = Variant::makeRef(target);
                    continue;
                }
            } else if (a->kind == ExprKind::Call) {
                const Call* c = static_cast<const Call*>(a);
                if (c->callee->kind == ExprKind::Name) {
                    Variant* container = locate(c->callee);
                    if (container && container->isArray()) {
                        std::vector<Variant> iv;
                        evalArgs(c->args, iv);
                        std::vector<int32_t> idx = indices(iv);
                        container = locate(c->callee);
                        if (!container || !container->isArray())
                            throw ScriptError(err::TypeMismatch);
                        const long long pos = container->rawArray().offset(idx);
                        if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
                        slot = container->rawArray().items[static_cast<size_t>(pos)];
                        writeBacks.push_back({c, std::move(idx), static_cast<int>(i + 1)});
                        continue;
                    }
                }
            }
        }
        eval(a, slot);
    }
    for (const SlotInit& init : proc->inits) {
        Variant& s = slots[init.slot];
        if (init.isConst) {
            s = init.constValue;
            s.setFlags(Variant::kConstant);
        } else if (!init.bounds.empty()) {
            checkArraySize(init.bounds);
            s = Variant::array(std::span<const int32_t>(init.bounds));
            s.setFlags(Variant::kFixedArray);
        } else {
            s = init.constValue;
        }
    }

    Frame frame;
    frame.slots = slots;
    frame.proc = proc;
    frame.unit = proc->unit;
    frame.me = me;
    Frame* caller = frame_;
    struct Restore {
        Interpreter& in;
        Frame* caller;
        ~Restore() {
            in.frame_ = caller;
            --in.depth_;
        }
    };
    {
        frame_ = &frame;
        ++depth_;
        Restore restore{*this, caller};
        execBlock(proc->body);
    }
    for (const WriteBack& wb : writeBacks) {
        Variant* container = locate(wb.element->callee);
        if (!container || !container->isArray()) continue;
        ArrayData& a = container->mutableArray();
        const long long pos = a.offset(wb.idx);
        if (pos >= 0) a.items[static_cast<size_t>(pos)] = slots[wb.slot];
    }
    if (proc->isFunction)
        out = std::move(slots[0]);
    else
        out = Variant();
}

} // namespace script

namespace script {

// ---- classes ------------------------------------------------------------------------------

void Interpreter::checkVisible(const ClassInstance* obj, const ClassMember& m) const {
    if (!m.isPublic && !(frame_ && frame_->me && frame_->me->def == obj->def))
        throw namedError(err::NoSuchMember, m.name);
}

Variant Interpreter::newInstance(const ClassDef* def) {
    Ref<ClassInstance> obj = make<ClassInstance>(heap_, def);
    if (def->initialize) {
        Variant discard;
        callProcedure(def->initialize, {}, {}, discard, obj.get());
    }
    return Variant(obj);
}

void Interpreter::runTerminate(ClassInstance* obj) noexcept {
    // Errors in Class_Terminate are not reported: nobody could catch them.
    Frame* saved = frame_;
    const int depth = depth_;
    try {
        Variant discard;
        callProcedure(obj->def->terminate, {}, {}, discard, obj);
    } catch (...) {
    }
    frame_ = saved;
    depth_ = depth;
}

void Interpreter::evalClassMember(const Name* n, const std::vector<Expr*>& args, Variant& out) {
    ClassInstance* me = frame_->me;
    const ClassMember& m = me->def->members[static_cast<size_t>(n->slot)];
    if (m.field >= 0) {
        const Variant& f = me->fields[static_cast<size_t>(m.field)];
        if (args.empty()) {
            out = f;
            return;
        }
        std::vector<Variant> values;
        evalArgs(args, values);
        index(me->fields[static_cast<size_t>(m.field)], values, out);
        return;
    }
    const Procedure* p = m.method ? m.method : m.get;
    if (!p) throw namedError(err::NoSuchMember, m.name);
    Ref<ClassInstance> keep(me);
    callProcedure(p, args, {}, out, me);
}

void Interpreter::callMemberOf(const Member* m, const std::vector<Expr*>& args, Variant& out) {
    checkStack();
    Variant holder;
    Object* o = memberObject(m, holder);
    if (auto* obj = dynamic_cast<ClassInstance*>(o)) {
        // Script to script: arguments go ByRef where the parameter says so.
        if (m->lastClass != obj->def) {
            m->lastMember = obj->def->find(lowerName(m->name));
            m->lastClass = obj->def;
        }
        const int id = m->lastMember;
        if (id < 0) throw namedError(err::NoSuchMember, m->name);
        const ClassMember& cm = obj->def->members[static_cast<size_t>(id)];
        checkVisible(obj, cm);
        const Procedure* p = cm.field >= 0 ? nullptr : cm.method ? cm.method : cm.get;
        if (p) return callProcedure(p, args, {}, out, obj);
    }
    std::vector<Variant> values;
    evalArgs(args, values);
    const int id = o->findMember(m->name);
    if (id < 0) throw namedError(err::NoSuchMember, m->name);
    if (values.empty()) {
        out = invokeMember(o, id, Access::Get, values);
        return;
    }
    // `obj.prop(i)` where prop takes no arguments indexes what it returns
    // (`match.SubMatches(0)`, `dict.Keys(1)`).
    try {
        out = invokeMember(o, id, Access::Get, values);
    } catch (ScriptError& e) {
        if (e.number != err::WrongArgCount) throw;
        Variant v;
        try {
            v = invokeMember(o, id, Access::Get, {});
        } catch (ScriptError&) {
            throw e;
        }
        index(v, values, out);
    }
}

Variant Interpreter::invokeClassMember(ClassInstance* obj, int member, Access access,
                                       std::span<const Variant> args) {
    const ClassDef* def = obj->def;
    if (member == Object::kDefaultMember) member = def->defaultMember + 1;
    if (member < 1 || member > static_cast<int>(def->members.size()))
        throw ScriptError(err::NoSuchMember);
    const ClassMember& m = def->members[static_cast<size_t>(member - 1)];
    checkVisible(obj, m);
    Ref<ClassInstance> keep(obj);
    Variant out;
    if (m.field >= 0) {
        Variant& f = obj->fields[static_cast<size_t>(m.field)];
        if (access == Access::Get) {
            if (args.empty()) return f;
            index(f, args, out);
            return out;
        }
        if (args.size() == 1) {
            f = args[0];
            return out;
        }
        if (!f.isArray()) throw ScriptError(err::TypeMismatch);
        const std::vector<int32_t> idx = indices(args.first(args.size() - 1));
        ArrayData& a = f.mutableArray();
        const long long pos = a.offset(idx);
        if (pos < 0) throw ScriptError(err::SubscriptOutOfRange);
        a.items[static_cast<size_t>(pos)] = args.back();
        return out;
    }
    if (m.method) {
        if (access != Access::Get) throw namedError(err::NoSuchMember, m.name);
        callProcedure(m.method, {}, args, out, obj);
        return out;
    }
    const Procedure* p = access == Access::Get ? m.get : access == Access::Let ? m.let : m.set;
    if (!p) throw namedError(err::NoSuchMember, m.name);
    callProcedure(p, {}, args, out, obj);
    return out;
}

} // namespace script

namespace script {

// ---- Eval, Execute, ExecuteGlobal, GetRef ------------------------------------------------------

namespace {

// A procedure of the script as an object: GetRef's result. Calling its
// default member calls the procedure.
class ProcedureRef : public Object {
public:
    ProcedureRef(std::shared_ptr<Heap> heap, const Procedure* proc)
        : heap_(std::move(heap)), proc_(proc) {}
    std::string typeName() const override { return "Object"; }
    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (member != kDefaultMember || access != Access::Get || !heap_->interpreter)
            throw ScriptError(err::NoSuchMember);
        return heap_->interpreter->callByRef(proc_, args);
    }

private:
    std::shared_ptr<Heap> heap_;
    const Procedure* proc_;
};

// The text Execute and Eval take: a string, or an object's default value.
std::string codeText(const Variant& v) {
    if (v.isObject()) return codeText(v.defaultValue());
    if (!v.isString()) throw ScriptError(err::TypeMismatch);
    return v.rawString();
}

} // namespace

Variant Interpreter::callByRef(const Procedure* proc, std::span<const Variant> args) {
    Variant out;
    callProcedure(proc, {}, args, out);
    return out;
}

void Interpreter::addRuntimeFunctions() {
    addFunction(
        "Eval", [this](std::span<const Variant> a) { return evalText(a[0]); }, 1, 1);
    addFunction(
        "Execute",
        [this](std::span<const Variant> a) {
            executeText(a[0], false);
            return Variant();
        },
        1, 1);
    addFunction(
        "ExecuteGlobal",
        [this](std::span<const Variant> a) {
            executeText(a[0], true);
            return Variant();
        },
        1, 1);
    addFunction(
        "GetRef", [this](std::span<const Variant> a) { return getRef(a[0]); }, 1, 1);
    addFunction(
        "CreateObject",
        [this](std::span<const Variant> a) -> Variant {
            const std::string id = lowerName(library::notNull(a[0]).toString());
            if (id == "scripting.dictionary") return Variant(makeDictionary(heap_));
            if (id == "scripting.filesystemobject") return Variant(makeFileSystemObject(files));
            if (id == "vbscript.regexp") return Variant(makeRegExp());
            throw namedError(err::CannotCreateObject, a[0].toString());
        },
        1, 2);
}

Unit& Interpreter::compileUnit(std::string_view code, bool expression, const Procedure* enclosing) {
    const int id = static_cast<int>(units_.size());
    unitNames_.emplace_back(frame_ && frame_->unit >= 0 &&
                                    frame_->unit < static_cast<int>(unitNames_.size())
                                ? unitNames_[static_cast<size_t>(frame_->unit)]
                                : std::string());
    units_.push_back(nullptr);
    std::vector<std::string> extras;
    if (enclosing && frame_->extraLocals)
        for (const auto& [name, value] : *frame_->extraLocals)
            extras.push_back(name);
    std::unique_ptr<Unit> unit = expression ? parseExpression(code, id, enclosing, extras)
                                            : parseProgram(code, id, enclosing, extras);
    link(*unit);
    units_.back() = std::move(unit);
    return *units_.back();
}

template <class Body> void Interpreter::inScopeFrame(const Unit& unit, Body&& body) {
    const Procedure* p = unit.scopeProc.get();
    const int outer = frame_->proc->slotCount;
    std::vector<Variant> slots(static_cast<size_t>(p->slotCount));
    for (int i = 0; i < outer; ++i) {
        Variant& target = frame_->slots[i].deref();
        slots[static_cast<size_t>(i)] = Variant::makeRef(&target);
        slots[static_cast<size_t>(i)].setFlags(frame_->slots[i].flags());
    }
    int next = outer;
    if (frame_->extraLocals)
        for (auto& [name, value] : *frame_->extraLocals)
            slots[static_cast<size_t>(next++)] = Variant::makeRef(&value);
    for (const SlotInit& init : p->inits) {
        Variant& v = slots[static_cast<size_t>(init.slot)];
        if (init.isConst) {
            v = init.constValue;
            v.setFlags(Variant::kConstant);
        } else if (!init.bounds.empty()) {
            checkArraySize(init.bounds);
            v = Variant::array(std::span<const int32_t>(init.bounds));
            v.setFlags(Variant::kFixedArray);
        } else {
            v = init.constValue;
        }
    }
    Frame frame;
    frame.slots = slots.data();
    frame.proc = p;
    frame.unit = unit.id;
    frame.me = frame_->me;
    Frame* caller = frame_;
    frame_ = &frame;
    struct Restore {
        Frame*& f;
        Frame* caller;
        ~Restore() { f = caller; }
    } restore{frame_, caller};
    body();
    // Locals the code declared stay in the caller's frame.
    for (const auto& [name, slot] : p->locals) {
        if (slot < next) continue;
        if (!caller->extraLocals)
            caller->extraLocals = std::make_unique<std::map<std::string, Variant>>();
        (*caller->extraLocals)[name] = std::move(slots[static_cast<size_t>(slot)]);
    }
}

Variant Interpreter::evalText(const Variant& text) {
    if (!text.isString()) {
        if (text.isObject()) {
            if (text.isNothing()) throw ScriptError(err::ObjectNotSet);
            return text.defaultValue();
        }
        return text;
    }
    const Procedure* enclosing = frame_ ? frame_->proc : nullptr;
    Unit& unit = compileUnit(text.rawString(), true, enclosing);
    Variant out;
    if (enclosing)
        inScopeFrame(unit, [&] { eval(unit.expression, out); });
    else
        eval(unit.expression, out);
    return out;
}

void Interpreter::executeText(const Variant& text, bool global) {
    const std::string code = codeText(text);
    const Procedure* enclosing = !global && frame_ ? frame_->proc : nullptr;
    Unit& unit = compileUnit(code, false, enclosing);
    auto run = [&] {
        const Flow f = execBlock(unit.topLevel);
        (void)f;
    };
    if (enclosing) {
        inScopeFrame(unit, run);
        return;
    }
    // Global code runs in a top-level frame of its own.
    Frame top;
    top.unit = unit.id;
    Frame* caller = frame_;
    frame_ = &top;
    struct Restore {
        Frame*& f;
        Frame* caller;
        ~Restore() { f = caller; }
    } restore{frame_, caller};
    run();
}

Variant Interpreter::getRef(const Variant& name) {
    if (!name.isString()) throw ScriptError(err::TypeMismatch);
    auto it = byName_.find(lowerName(name.rawString()));
    if (it == byName_.end() || it->second->kind != GlobalEntry::Kind::Procedure)
        throw ScriptError(err::InvalidCall);
    return Variant(make<ProcedureRef>(heap_, it->second->proc));
}

} // namespace script

namespace script {

// ---- fast paths ----------------------------------------------------------------------------

bool Interpreter::appendInPlace(const Assign* a) {
    const Name* n = static_cast<const Name*>(a->target);
    Variant* p = locate(n);
    if (!p || !p->isString() || (p->flags() & Variant::kConstant)) return false;
    // The parts are evaluated first; should that change the variable, the
    // value it had before is what the & takes, as without the shortcut.
    Variant saved = *p;
    const std::string* text = &p->rawString();
    const size_t size = text->size();
    Variant parts[8];
    const size_t count = a->appendParts.size();
    size_t added = 0;
    for (size_t i = 0; i < count; ++i) {
        Variant& v = parts[i];
        eval(a->appendParts[i], v);
        if (v.isArray()) throw ScriptError(err::TypeMismatch);
        if (v.isObject()) v = v.defaultValue();
        if (!v.isString() && !v.isNull()) v = Variant(v.toString());
        if (v.isString()) added += v.rawString().size();
    }
    p = locate(n);
    if (!p || !p->isString() || &p->rawString() != text || text->size() != size) {
        Variant r = std::move(saved);
        for (size_t i = 0; i < count; ++i) {
            Variant next;
            ops::binary(ops::BinOp::Concat, r, parts[i], next);
            r = std::move(next);
        }
        checkString(r);
        assign(a->target, std::move(r), false);
        return true;
    }
    if (size + added > limits.maxStringBytes) throw ScriptError(err::OutOfStringSpace);
    saved = Variant();
    std::string& s = p->mutableString();
    for (size_t i = 0; i < count; ++i)
        if (parts[i].isString()) s += parts[i].rawString();
    return true;
}

bool Interpreter::smallIndices(const std::vector<Expr*>& args, int32_t* idx) {
    if (args.empty() || args.size() > kSmallIndices) return false;
    for (size_t i = 0; i < args.size(); ++i) {
        Variant t;
        const Variant& v = evalRef(args[i], t);
        const Tag tag = v.tag();
        if (isSmallInt(tag)) {
            idx[i] = v.rawInt();
        } else {
            if (v.isArray()) throw ScriptError(err::TypeMismatch);
            idx[i] = v.toLong();
        }
    }
    return true;
}

} // namespace script
