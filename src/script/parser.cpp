#include "script/parser.h"

#include "script/lexer.h"
#include "script/stack_limit.h"

#include <algorithm>
#include <unordered_map>

namespace script {

namespace {

using namespace ast;

// Nesting (parentheses, blocks) and expression height limits: deeper input
// is refused with "Out of stack space" instead of exhausting the C++ stack.
constexpr int kMaxNesting = 400;
constexpr int kMaxExprDepth = 1000;
// Stack left free below the parser's deepest frame.
constexpr std::size_t kStackReserve = 256u << 10;

// Names and slots of the procedure being parsed.
struct ProcScope {
    Procedure* proc = nullptr;
    Token nameToken;
    std::unordered_map<std::string, int> locals;   // lower-case name -> slot
    std::unordered_map<std::string, int> implicit; // global, or else this slot
    std::vector<Name*> names;
};

class Parser {
public:
    Parser(std::string_view src, int unitId, const Procedure* enclosing,
           std::span<const std::string> extraLocals)
        : tokens_(tokenize(src)), enclosing_(enclosing) {
        unit_ = std::make_unique<Unit>();
        unit_->id = unitId;
        if (enclosing) {
            unit_->scopeProc = std::make_unique<Procedure>();
            Procedure& p = *unit_->scopeProc;
            p.name = enclosing->name;
            p.kind = enclosing->kind;
            p.isFunction = enclosing->isFunction;
            p.unit = unitId;
            p.owner = enclosing->owner;
            p.slotCount = enclosing->slotCount;
            enclosingScope_.proc = &p;
            enclosingScope_.locals = enclosing->locals;
            enclosingScope_.implicit = enclosing->implicitLocals;
            for (const std::string& name : extraLocals)
                enclosingScope_.locals[name] = p.slotCount++;
        }
    }

    std::unique_ptr<Unit> program() {
        skipSeparators();
        if (at(Tok::Option)) {
            next();
            expect(Tok::Explicit, err::SyntaxError);
            unit_->optionExplicit = true;
            endOfStatement();
        }
        if (enclosing_) scope_ = &enclosingScope_;
        unit_->topLevel = block();
        if (!at(Tok::Eof)) strayTerminator();
        finishScope();
        return std::move(unit_);
    }

    std::unique_ptr<Unit> expressionUnit() {
        skipNewlines();
        if (enclosing_) scope_ = &enclosingScope_;
        unit_->expression = expression();
        skipNewlines();
        if (!at(Tok::Eof)) fail(err::ExpectedEndOfStatement);
        finishScope();
        return std::move(unit_);
    }

private:
    // ---- tokens -------------------------------------------------------------------

    const Token& peek(size_t k = 0) const {
        const size_t i = std::min(pos_ + k, tokens_.size() - 1);
        return tokens_[i];
    }
    bool at(Tok k) const { return peek().kind == k; }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return t;
    }
    bool accept(Tok k) {
        if (!at(k)) return false;
        next();
        return true;
    }
    const Token& expect(Tok k, int error) {
        if (!at(k)) fail(error);
        return next();
    }
    [[noreturn]] void fail(int number) { fail(number, peek()); }
    [[noreturn]] void fail(int number, const Token& t) {
        ScriptError e(number);
        e.source = kCompileSource;
        e.line = t.line;
        e.column = t.column;
        e.unit = unit_->id;
        throw e;
    }

    static bool isName(Tok k) { return k == Tok::Ident || keywordIsName(k); }
    bool atStatementEnd() const {
        const Tok k = peek().kind;
        return k == Tok::Newline || k == Tok::Colon || k == Tok::Eof;
    }
    void skipSeparators() {
        while (at(Tok::Newline) || at(Tok::Colon))
            next();
    }
    void skipNewlines() {
        while (at(Tok::Newline))
            next();
    }

    std::string identifier() {
        if (!isName(peek().kind)) fail(err::ExpectedIdentifier);
        return next().text;
    }
    // After a dot any keyword is a member name.
    std::string memberName() {
        const Token& t = peek();
        if (t.kind == Tok::Ident || (t.kind >= Tok::And && !t.text.empty())) return next().text;
        fail(err::ExpectedIdentifier);
    }

    struct NestingGuard {
        explicit NestingGuard(Parser& p) : p(p) {
            if (++p.nesting_ > kMaxNesting || StackLimit::exhausted(p.stackFloor_))
                p.fail(err::OutOfStackSpace);
        }
        ~NestingGuard() { --p.nesting_; }
        Parser& p;
    };

    template <class T> T* make(int line) {
        auto node = std::make_unique<T>();
        node->line = line;
        T* raw = node.get();
        unit_->nodes.push_back(std::move(node));
        return raw;
    }

    Expr* withDepth(Expr* e, std::initializer_list<const Expr*> children) {
        int d = 0;
        for (const Expr* c : children)
            if (c) d = std::max<int>(d, c->depth);
        if (d + 1 > kMaxExprDepth) fail(err::OutOfStackSpace);
        e->depth = static_cast<uint16_t>(d + 1);
        return e;
    }

    Name* makeName(const std::string& text, int line) {
        Name* n = make<Name>(line);
        n->name = text;
        n->optionExplicit = unit_->optionExplicit;
        if (scope_)
            scope_->names.push_back(n);
        else {
            n->scope = Scope::Global;
            unit_->globalNames.push_back(n);
        }
        return n;
    }

    // ---- statements ------------------------------------------------------------------

    void endOfStatement() {
        const Tok k = peek().kind;
        if (k == Tok::Newline || k == Tok::Colon || k == Tok::Eof || k == Tok::End) return;
        if (inlineIf_ > 0 && k == Tok::Else) return;
        fail(err::ExpectedEndOfStatement);
    }

    static bool isTerminator(Tok k) {
        return k == Tok::Eof || k == Tok::End || k == Tok::Else || k == Tok::ElseIf ||
               k == Tok::Case || k == Tok::Loop || k == Tok::Next || k == Tok::WEnd;
    }

    Block block() {
        NestingGuard guard(*this);
        Block b;
        while (true) {
            skipSeparators();
            if (isTerminator(peek().kind)) return b;
            if (Stmt* s = statement()) b.push_back(s);
            endOfStatement();
        }
    }

    [[noreturn]] void strayTerminator() {
        switch (peek().kind) {
        case Tok::Loop:
            fail(err::LoopWithoutDo);
        case Tok::Next:
            fail(err::UnexpectedNext);
        default:
            fail(err::ExpectedStatement);
        }
    }

    Stmt* statement() {
        const Token& t = peek();
        switch (t.kind) {
        case Tok::Dim:
            next();
            declarations();
            return nullptr;
        case Tok::Public:
        case Tok::Private:
            next();
            if (at(Tok::Default)) next();
            if (at(Tok::Sub) || at(Tok::Function)) return procedure();
            if (at(Tok::Const)) {
                next();
                constants();
                return nullptr;
            }
            if (at(Tok::Property)) fail(err::MustBeInsideClass);
            declarations();
            return nullptr;
        case Tok::Const:
            next();
            constants();
            return nullptr;
        case Tok::Sub:
        case Tok::Function:
            return procedure();
        case Tok::Property:
            fail(err::MustBeInsideClass);
        case Tok::Class:
            return classDeclaration();
        case Tok::ReDim:
            return redim();
        case Tok::If:
            return ifStatement();
        case Tok::Select:
            return selectStatement();
        case Tok::For:
            return forStatement();
        case Tok::Do:
            return doStatement();
        case Tok::While:
            return whileStatement();
        case Tok::Exit:
            return exitStatement();
        case Tok::On:
            return onError();
        case Tok::With:
            return withStatement();
        case Tok::Set: {
            const int line = next().line;
            if (at(Tok::Me)) fail(err::InvalidMe);
            Expr* target = postfix(false);
            expect(Tok::Eq, err::ExpectedEquals);
            Assign* a = make<Assign>(line);
            a->isSet = true;
            a->target = checkTarget(target);
            a->value = expression();
            return a;
        }
        case Tok::Let:
            next();
            return nameStatement(false);
        case Tok::Call: {
            const int line = next().line;
            Expr* target = postfix(false);
            markCallee(target);
            CallStmt* c = make<CallStmt>(line);
            c->call = target;
            return c;
        }
        case Tok::Stop:
            next();
            return nullptr;
        case Tok::Option:
            fail(err::SyntaxError);
        case Tok::Ident:
            if (sameName(t.text, "erase") && isName(peek(1).kind)) return eraseStatement();
            return nameStatement(true);
        case Tok::Dot:
        case Tok::Me:
            return nameStatement(true);
        default:
            if (keywordIsName(t.kind)) return nameStatement(true);
            if (isTerminator(t.kind)) strayTerminator();
            fail(err::ExpectedStatement);
        }
    }

    Expr* checkTarget(Expr* target) {
        if (target->kind != ExprKind::Name && target->kind != ExprKind::Member &&
            target->kind != ExprKind::Call)
            fail(err::SyntaxError);
        return target;
    }

    static void markCallee(Expr* e) {
        if (e->kind == ExprKind::Name)
            static_cast<Name*>(e)->callee = true;
        else if (e->kind == ExprKind::Call)
            markCallee(static_cast<Call*>(e)->callee);
    }

    bool startsExpression(const Token& t) const {
        switch (t.kind) {
        case Tok::Literal:
        case Tok::Ident:
        case Tok::LParen:
        case Tok::Minus:
        case Tok::Plus:
        case Tok::Not:
        case Tok::New:
        case Tok::Dot:
        case Tok::Me:
        case Tok::True:
        case Tok::False:
        case Tok::Empty:
        case Tok::Null:
        case Tok::Nothing:
            return true;
        default:
            return keywordIsName(t.kind);
        }
    }

    static bool isBinaryOperator(Tok k) {
        switch (k) {
        case Tok::Plus:
        case Tok::Minus:
        case Tok::Star:
        case Tok::Slash:
        case Tok::Backslash:
        case Tok::Caret:
        case Tok::Amp:
        case Tok::Mod:
        case Tok::Ne:
        case Tok::Lt:
        case Tok::Gt:
        case Tok::Le:
        case Tok::Ge:
        case Tok::Is:
        case Tok::And:
        case Tok::Or:
        case Tok::Xor:
        case Tok::Eqv:
        case Tok::Imp:
            return true;
        default:
            return false;
        }
    }

    // An assignment or a call statement starting with a name, `.name` or Me.
    Stmt* nameStatement(bool allowCall) {
        const int line = peek().line;
        Expr* target = postfix(true);
        if (accept(Tok::Eq)) {
            Assign* a = make<Assign>(line);
            a->target = checkTarget(target);
            a->value = expression();
            findAppend(a);
            return a;
        }
        if (!allowCall) fail(err::ExpectedEquals);
        CallStmt* c = make<CallStmt>(line);
        const Tok k = peek().kind;
        if (atStatementEnd() || k == Tok::End || (inlineIf_ > 0 && k == Tok::Else)) {
            if (target->kind == ExprKind::Call) {
                Call* call = static_cast<Call*>(target);
                if (call->args.size() >= 2) fail(err::ParenthesesOnSubCall);
                if (call->args.size() == 1) call->args[0] = paren(call->args[0], call->line);
            }
            markCallee(target);
            c->call = target;
            return c;
        }
        Call* call = make<Call>(line);
        if (target->kind == ExprKind::Call && (isBinaryOperator(k) || k == Tok::Comma) &&
            static_cast<Call*>(target)->args.size() == 1) {
            // `S (2) * 8, 7` and `S(10)+5`: the parentheses belong to the
            // first argument.
            Call* inner = static_cast<Call*>(target);
            call->callee = inner->callee;
            Expr* first = paren(inner->args[0], inner->line);
            call->args.push_back(binaryRest(first, 1));
            if (accept(Tok::Comma)) arguments(call->args, Tok::Eof);
        } else {
            if (target->kind == ExprKind::Call && !static_cast<Call*>(target)->args.empty() &&
                !startsExpression(peek()) && !at(Tok::Comma))
                fail(err::ExpectedEndOfStatement);
            call->callee = target;
            arguments(call->args, Tok::Eof);
        }
        markCallee(call->callee);
        c->call = withDepth(call, {call->callee});
        return c;
    }

    // `s = s & a & b`: a chain of & whose first operand is the target.
    static void findAppend(Assign* a) {
        if (a->target->kind != ExprKind::Name) return;
        std::vector<Expr*> parts;
        Expr* e = a->value;
        while (e->kind == ExprKind::Binary && static_cast<Binary*>(e)->op == ops::BinOp::Concat) {
            parts.push_back(static_cast<Binary*>(e)->right);
            e = static_cast<Binary*>(e)->left;
        }
        if (parts.empty() || parts.size() > 8 || e->kind != ExprKind::Name ||
            !sameName(static_cast<Name*>(e)->name, static_cast<Name*>(a->target)->name))
            return;
        a->appendParts.assign(parts.rbegin(), parts.rend());
    }

    Expr* paren(Expr* inner, int line) {
        if (inner->kind == ExprKind::Missing) return inner;
        Paren* p = make<Paren>(line);
        p->inner = inner;
        return withDepth(p, {inner});
    }

    // Comma-separated arguments; an empty one becomes a Missing node.
    void arguments(std::vector<Expr*>& args, Tok close) {
        while (true) {
            if (at(Tok::Comma) || (close != Tok::Eof && at(close))) {
                args.push_back(make<Expr>(peek().line, ExprKind::Missing));
            } else if (close == Tok::Eof && (atStatementEnd() || at(Tok::Else) || at(Tok::End))) {
                if (!args.empty()) args.push_back(make<Expr>(peek().line, ExprKind::Missing));
                return;
            } else {
                args.push_back(expression());
            }
            if (!accept(Tok::Comma)) return;
        }
    }

    template <class T> T* make(int line, ExprKind k) {
        auto node = std::make_unique<T>(k);
        node->line = line;
        T* raw = node.get();
        unit_->nodes.push_back(std::move(node));
        return raw;
    }

    Stmt* eraseStatement() {
        const int line = next().line;
        Erase* e = make<Erase>(line);
        const Token& t = next();
        e->target = makeName(t.text, t.line);
        return e;
    }

    // Dim/Public/Private lists: `a, b(3), c(2, 4), d()`.
    void declarations() {
        do {
            const Token& t = peek();
            const std::string name = identifier();
            std::vector<int32_t> bounds;
            bool isArray = false;
            if (accept(Tok::LParen)) {
                isArray = true;
                if (!at(Tok::RParen)) {
                    do {
                        const Token& b = peek();
                        if (b.kind != Tok::Literal || !b.value.isIntegral())
                            fail(err::ExpectedInteger);
                        bounds.push_back(b.value.rawInt());
                        next();
                    } while (accept(Tok::Comma));
                }
                expect(Tok::RParen, err::ExpectedRParen);
            }
            declare(name, t, bounds, isArray);
        } while (accept(Tok::Comma));
    }

    void declare(const std::string& name, const Token& t, const std::vector<int32_t>& bounds,
                 bool isArray) {
        const std::string lower = lowerName(name);
        if (scope_) {
            if (scope_->locals.count(lower)) fail(err::NameRedefined, t);
            const int slot = scope_->proc->slotCount++;
            scope_->locals[lower] = slot;
            if (!bounds.empty())
                scope_->proc->inits.push_back({slot, false, Variant(), bounds});
            else if (isArray)
                scope_->proc->inits.push_back(
                    {slot, false, Variant::array(std::span<const int32_t>()), {}});
            return;
        }
        declareGlobal(lower, t, GlobalKind::Variable);
        GlobalDecl d;
        d.name = name;
        d.bounds = bounds;
        d.isArray = isArray;
        d.line = t.line;
        unit_->globals.push_back(std::move(d));
    }

    enum class GlobalKind { Variable, Procedure, Class };
    void declareGlobal(const std::string& lower, const Token& t, GlobalKind kind) {
        auto [it, inserted] = globalKinds_.emplace(lower, kind);
        if (!inserted && !(kind == GlobalKind::Procedure && it->second == GlobalKind::Procedure))
            fail(err::NameRedefined, t);
    }

    void constants() {
        do {
            const Token& t = peek();
            const std::string name = identifier();
            expect(Tok::Eq, err::ExpectedEquals);
            Variant value = constantValue();
            const std::string lower = lowerName(name);
            if (scope_) {
                if (scope_->locals.count(lower)) fail(err::NameRedefined, t);
                const int slot = scope_->proc->slotCount++;
                scope_->locals[lower] = slot;
                scope_->proc->inits.push_back({slot, true, value, {}});
            } else {
                declareGlobal(lower, t, GlobalKind::Variable);
                GlobalDecl d;
                d.name = name;
                d.kind = GlobalDecl::Kind::Constant;
                d.value = value;
                d.line = t.line;
                unit_->globals.push_back(std::move(d));
            }
        } while (accept(Tok::Comma));
    }

    Variant constantValue() {
        int negations = 0;
        while (at(Tok::Minus) || at(Tok::Plus)) {
            if (next().kind == Tok::Minus) ++negations;
        }
        Variant v;
        switch (peek().kind) {
        case Tok::Literal:
            v = peek().value;
            break;
        case Tok::True:
            v = Variant(true);
            break;
        case Tok::False:
            v = Variant(false);
            break;
        case Tok::Empty:
            break;
        case Tok::Null:
            v = Variant::null();
            break;
        case Tok::Nothing:
            v = Variant::nothing();
            break;
        default:
            fail(err::ExpectedLiteral);
        }
        next();
        if (!atStatementEnd() && !at(Tok::Comma) && !at(Tok::End)) fail(err::ExpectedLiteral);
        if (negations % 2) {
            if (!v.isNumber()) fail(err::ExpectedLiteral);
            Variant r;
            ops::negate(v, r);
            v = r;
        }
        return v;
    }

    Stmt* redim() {
        const int line = next().line;
        ReDim* r = make<ReDim>(line);
        r->preserve = accept(Tok::Preserve);
        do {
            const Token& t = peek();
            const std::string name = identifier();
            ReDim::Item item{makeName(name, t.line), {}};
            expect(Tok::LParen, err::ExpectedLParen);
            do {
                item.bounds.push_back(expression());
            } while (accept(Tok::Comma));
            expect(Tok::RParen, err::ExpectedRParen);
            r->items.push_back(std::move(item));
        } while (accept(Tok::Comma));
        return r;
    }

    Stmt* ifStatement() {
        const int line = next().line;
        If* s = make<If>(line);
        Expr* cond = expression();
        expect(Tok::Then, err::ExpectedThen);
        if (!atStatementEnd()) return inlineIf(s, cond, line);
        s->clauses.push_back({cond, block(), line});
        while (true) {
            if (at(Tok::ElseIf)) {
                const int l = next().line;
                Expr* c = expression();
                expect(Tok::Then, err::ExpectedThen);
                s->clauses.push_back({c, block(), l});
            } else if (at(Tok::Else)) {
                next();
                s->elseBody = block();
                if (!at(Tok::End)) fail(at(Tok::Eof) ? err::ExpectedEnd : err::SyntaxError);
            } else {
                break;
            }
        }
        closeBlock(Tok::If, err::ExpectedIf);
        return s;
    }

    // `End <what>`; Eof gives "Expected 'End'".
    void closeBlock(Tok what, int wrongError) {
        if (at(Tok::Eof)) fail(err::ExpectedEnd);
        if (!at(Tok::End)) {
            if (at(Tok::Loop)) fail(err::LoopWithoutDo);
            if (at(Tok::Next)) fail(err::UnexpectedNext);
            fail(err::ExpectedEnd);
        }
        next();
        if (!at(what)) fail(wrongError);
        next();
    }

    Block inlineStatements() {
        Block b;
        ++inlineIf_;
        while (true) {
            if (Stmt* st = statement()) b.push_back(st);
            while (accept(Tok::Colon)) {
            }
            if (atStatementEnd() || at(Tok::Else) || at(Tok::End)) break;
        }
        --inlineIf_;
        return b;
    }

    Stmt* inlineIf(If* s, Expr* cond, int line) {
        NestingGuard guard(*this);
        s->clauses.push_back({cond, inlineStatements(), line});
        if (accept(Tok::Else)) {
            if (!atStatementEnd()) s->elseBody = inlineStatements();
        }
        if (at(Tok::End) && peek(1).kind == Tok::If) {
            next();
            next();
        }
        return s;
    }

    Stmt* selectStatement() {
        const int line = next().line;
        expect(Tok::Case, err::ExpectedCase);
        Select* s = make<Select>(line);
        s->subject = expression();
        endOfStatement();
        skipSeparators();
        while (at(Tok::Case)) {
            const int l = next().line;
            if (accept(Tok::Else)) {
                s->hasElse = true;
                s->elseBody = block();
                break;
            }
            Select::Case c;
            c.line = l;
            do {
                c.values.push_back(expression());
            } while (accept(Tok::Comma));
            c.body = block();
            s->cases.push_back(std::move(c));
        }
        closeBlock(Tok::Select, err::ExpectedSelect);
        return s;
    }

    void closeLoop(Tok what, int missing) {
        if (!at(what)) fail(at(Tok::Eof) || at(Tok::End) ? missing : err::SyntaxError);
        next();
    }

    Stmt* forStatement() {
        const int line = next().line;
        ++loops_;
        if (accept(Tok::Each)) {
            ForEach* s = make<ForEach>(line);
            const Token& t = peek();
            s->variable = makeName(identifier(), t.line);
            expect(Tok::In, err::ExpectedIn);
            s->collection = expression();
            ++forDepth_;
            s->body = block();
            --forDepth_;
            closeLoop(Tok::Next, err::ExpectedNext);
            --loops_;
            return s;
        }
        For* s = make<For>(line);
        const Token& t = peek();
        s->counter = makeName(identifier(), t.line);
        if (at(Tok::Dot) || at(Tok::LParen)) fail(err::InvalidForVariable);
        expect(Tok::Eq, err::ExpectedEquals);
        s->from = expression();
        expect(Tok::To, err::ExpectedTo);
        s->to = expression();
        if (accept(Tok::Step)) s->step = expression();
        ++forDepth_;
        s->body = block();
        --forDepth_;
        s->nextLine = peek().line;
        closeLoop(Tok::Next, err::ExpectedNext);
        --loops_;
        return s;
    }

    Stmt* doStatement() {
        const int line = next().line;
        Do* s = make<Do>(line);
        if (at(Tok::While) || at(Tok::Until)) {
            s->test = next().kind == Tok::While ? Do::Test::PreWhile : Do::Test::PreUntil;
            s->conditionLine = line;
            s->condition = expression();
        } else if (!atStatementEnd()) {
            fail(err::ExpectedWhileUntilEnd);
        }
        ++doDepth_;
        ++loops_;
        s->body = block();
        --loops_;
        --doDepth_;
        closeLoop(Tok::Loop, err::ExpectedLoop);
        if (at(Tok::While) || at(Tok::Until)) {
            if (s->test != Do::Test::None) fail(err::ExpectedEndOfStatement);
            s->conditionLine = peek().line;
            s->test = next().kind == Tok::While ? Do::Test::PostWhile : Do::Test::PostUntil;
            s->condition = expression();
        }
        return s;
    }

    Stmt* whileStatement() {
        const int line = next().line;
        Do* s = make<Do>(line);
        s->test = Do::Test::PreWhile;
        s->conditionLine = line;
        s->condition = expression();
        ++loops_;
        s->body = block();
        --loops_;
        closeLoop(Tok::WEnd, err::ExpectedWend);
        return s;
    }

    Stmt* exitStatement() {
        const Token& start = next();
        Exit* s = make<Exit>(start.line);
        const Token& what = peek();
        switch (what.kind) {
        case Tok::Do:
            if (doDepth_ == 0) fail(err::InvalidExit);
            s->what = Exit::What::Do;
            break;
        case Tok::For:
            if (forDepth_ == 0) fail(err::InvalidExit);
            s->what = Exit::What::For;
            break;
        case Tok::Function:
        case Tok::Sub:
        case Tok::Property:
            if (!scope_ || closingToken(scope_->proc->kind) != what.kind) fail(err::InvalidExit);
            s->what = Exit::What::Procedure;
            break;
        default:
            fail(err::InvalidExit);
        }
        next();
        return s;
    }

    Stmt* onError() {
        const int line = next().line;
        expect(Tok::Error, err::SyntaxError);
        OnError* s = make<OnError>(line);
        if (accept(Tok::Resume)) {
            expect(Tok::Next, err::SyntaxError);
            s->resumeNext = true;
        } else {
            expect(Tok::GoTo, err::SyntaxError);
            const Token& z = peek();
            if (z.kind != Tok::Literal || !z.value.isIntegral() || z.value.rawInt() != 0)
                fail(err::SyntaxError);
            next();
        }
        return s;
    }

    Stmt* withStatement() {
        const int line = next().line;
        With* s = make<With>(line);
        s->object = expression();
        s->body = block();
        closeBlock(Tok::With, err::ExpectedWith);
        return s;
    }

    // ---- procedures ------------------------------------------------------------------

    static Tok closingToken(ProcKind kind) {
        switch (kind) {
        case ProcKind::Sub:
            return Tok::Sub;
        case ProcKind::Function:
            return Tok::Function;
        default:
            return Tok::Property;
        }
    }

    // A global Sub or Function: bound and kept in the unit at once.
    Stmt* procedure() {
        const Token& kw = peek();
        if (scope_ || loops_ > 0 || class_) fail(err::SyntaxError, kw);
        auto scope = std::make_unique<ProcScope>();
        auto proc = procedureBody(*scope);
        declareGlobal(lowerName(proc->name), kw, GlobalKind::Procedure);
        bindLocals(*scope, nullptr);
        unit_->procedures.push_back(std::move(proc));
        return nullptr;
    }

    // `Sub name(params) ... End Sub`, `Function ...`, `Property Get|Let|Set
    // ...`, from the keyword on. Names are bound later (bindLocals).
    std::unique_ptr<Procedure> procedureBody(ProcScope& scope) {
        const Token& kw = next();
        auto proc = std::make_unique<Procedure>();
        proc->line = kw.line;
        proc->unit = unit_->id;
        if (kw.kind == Tok::Property) {
            if (!class_) fail(err::MustBeInsideClass, kw);
            if (accept(Tok::Get))
                proc->kind = ProcKind::PropertyGet;
            else if (accept(Tok::Let))
                proc->kind = ProcKind::PropertyLet;
            else if (accept(Tok::Set))
                proc->kind = ProcKind::PropertySet;
            else
                fail(err::ExpectedLetSetGet);
        } else {
            proc->kind = kw.kind == Tok::Function ? ProcKind::Function : ProcKind::Sub;
        }
        const bool returns =
            proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet;
        proc->isFunction = returns;
        const Token& nameTok = peek();
        scope.nameToken = nameTok;
        proc->name = identifier();
        scope.proc = proc.get();
        if (returns) scope.locals[lowerName(proc->name)] = 0;
        if (accept(Tok::LParen)) {
            if (!at(Tok::RParen)) {
                do {
                    Param p;
                    if (accept(Tok::ByVal))
                        p.byVal = true;
                    else
                        accept(Tok::ByRef);
                    const Token& pt = peek();
                    p.name = identifier();
                    if (accept(Tok::LParen)) expect(Tok::RParen, err::ExpectedRParen);
                    const std::string lower = lowerName(p.name);
                    if (scope.locals.count(lower) && !(returns && scope.locals[lower] == 0))
                        fail(err::NameRedefined, pt);
                    scope.locals[lower] = proc->slotCount++;
                    proc->params.push_back(std::move(p));
                } while (accept(Tok::Comma));
            }
            expect(Tok::RParen, err::ExpectedRParen);
        } else if (!atStatementEnd()) {
            fail(err::ExpectedLParen);
        }
        if ((proc->kind == ProcKind::PropertyLet || proc->kind == ProcKind::PropertySet) &&
            proc->params.empty())
            fail(err::PropertyLetArgs, nameTok);
        if (class_ && !proc->params.empty() &&
            (sameName(proc->name, "Class_Initialize") || sameName(proc->name, "Class_Terminate")))
            fail(err::ClassInitArgs, nameTok);
        scope_ = &scope;
        const int savedDo = doDepth_, savedFor = forDepth_;
        doDepth_ = forDepth_ = 0;
        proc->body = block();
        doDepth_ = savedDo;
        forDepth_ = savedFor;
        scope_ = nullptr;
        if (at(Tok::Eof)) fail(err::ExpectedEnd);
        if (!at(Tok::End)) strayTerminator();
        next();
        const Tok closing = closingToken(proc->kind);
        if (!at(closing)) {
            if (closing == Tok::Property) fail(err::ExpectedProperty);
            if (at(Tok::Function)) fail(err::ExpectedSub);
            if (at(Tok::Sub)) fail(err::ExpectedFunction);
            fail(closing == Tok::Function ? err::ExpectedFunction : err::ExpectedSub);
        }
        next();
        return proc;
    }

    // `Class name ... End Class`: fields, methods and properties.
    Stmt* classDeclaration() {
        const Token& kw = next();
        if (scope_ || loops_ > 0 || class_) fail(err::SyntaxError, kw);
        const Token& nameTok = peek();
        auto cls = std::make_unique<ClassDef>();
        cls->name = identifier();
        cls->line = kw.line;
        declareGlobal(lowerName(cls->name), nameTok, GlobalKind::Class);
        endOfStatement();
        class_ = cls.get();
        std::vector<std::unique_ptr<ProcScope>> scopes;
        while (true) {
            skipSeparators();
            if (at(Tok::Eof)) fail(err::ExpectedEnd);
            if (at(Tok::End)) {
                next();
                if (!at(Tok::Class)) fail(err::ExpectedClass);
                next();
                break;
            }
            bool isPublic = true, isDefault = false, qualified = false;
            if (at(Tok::Public) || at(Tok::Private)) {
                isPublic = next().kind == Tok::Public;
                qualified = true;
                if (at(Tok::Default)) {
                    if (!isPublic) fail(err::DefaultNeedsPublic);
                    next();
                    isDefault = true;
                }
            } else if (at(Tok::Default)) {
                fail(err::DefaultNeedsPublic);
            }
            const Tok k = peek().kind;
            if (k == Tok::Sub || k == Tok::Function || k == Tok::Property) {
                auto scope = std::make_unique<ProcScope>();
                auto proc = procedureBody(*scope);
                proc->isPublic = isPublic;
                proc->owner = cls.get();
                addMethod(*cls, std::move(proc), isDefault, scope->nameToken);
                scopes.push_back(std::move(scope));
            } else if (k == Tok::Dim || qualified) {
                if (isDefault) fail(err::SyntaxError);
                if (k == Tok::Dim) {
                    if (qualified) fail(err::SyntaxError);
                    next();
                }
                fields(*cls, isPublic);
            } else if (k == Tok::End || k == Tok::Loop || k == Tok::Next || k == Tok::WEnd) {
                fail(err::ExpectedClass);
            } else {
                fail(err::ExpectedStatement);
            }
            endOfStatement();
        }
        for (auto& scope : scopes)
            bindLocals(*scope, cls.get());
        class_ = nullptr;
        unit_->classes.push_back(std::move(cls));
        return nullptr;
    }

    void fields(ClassDef& cls, bool isPublic) {
        do {
            const Token& t = peek();
            const std::string name = identifier();
            ClassField f;
            if (accept(Tok::LParen)) {
                f.isArray = true;
                if (!at(Tok::RParen)) {
                    do {
                        const Token& b = peek();
                        if (b.kind != Tok::Literal || !b.value.isIntegral())
                            fail(err::ExpectedInteger);
                        f.bounds.push_back(b.value.rawInt());
                        next();
                    } while (accept(Tok::Comma));
                }
                expect(Tok::RParen, err::ExpectedRParen);
            }
            const std::string lower = lowerName(name);
            if (cls.index.count(lower)) fail(err::NameRedefined, t);
            ClassMember m;
            m.name = name;
            m.isPublic = isPublic;
            m.field = static_cast<int>(cls.fields.size());
            cls.fields.push_back(std::move(f));
            cls.index[lower] = static_cast<int>(cls.members.size());
            cls.members.push_back(std::move(m));
        } while (accept(Tok::Comma));
    }

    void addMethod(ClassDef& cls, std::unique_ptr<Procedure> proc, bool isDefault,
                   const Token& at) {
        const std::string lower = lowerName(proc->name);
        int id = cls.find(lower);
        if (id < 0) {
            id = static_cast<int>(cls.members.size());
            ClassMember m;
            m.name = proc->name;
            m.isPublic = proc->isPublic;
            cls.members.push_back(std::move(m));
            cls.index[lower] = id;
        }
        ClassMember& m = cls.members[static_cast<size_t>(id)];
        const Procedure* p = proc.get();
        auto claim = [&](const Procedure*& slot) {
            if (slot || m.field >= 0 || m.method) fail(err::NameRedefined, at);
            slot = p;
        };
        switch (p->kind) {
        case ProcKind::Sub:
        case ProcKind::Function:
            if (m.method || m.field >= 0 || m.get || m.let || m.set) fail(err::NameRedefined, at);
            m.method = p;
            break;
        case ProcKind::PropertyGet:
            claim(m.get);
            break;
        case ProcKind::PropertyLet:
            claim(m.let);
            break;
        case ProcKind::PropertySet:
            claim(m.set);
            break;
        }
        if (m.get && (m.let || m.set)) {
            const Procedure* put = m.let ? m.let : m.set;
            if (put->params.size() != m.get->params.size() + 1) fail(err::PropertyArgCount, at);
        }
        if (p->isPublic) m.isPublic = true;
        if (isDefault) {
            if (p->kind != ProcKind::PropertyGet && p->kind != ProcKind::Function &&
                p->kind != ProcKind::Sub)
                fail(err::DefaultOnlyOnGet, at);
            if (cls.defaultMember >= 0 && cls.defaultMember != id) fail(err::MultipleDefault, at);
            cls.defaultMember = id;
        }
        if (p->kind == ProcKind::Sub && p->params.empty()) {
            if (lower == "class_initialize") cls.initialize = p;
            if (lower == "class_terminate") cls.terminate = p;
        }
        cls.procedures.push_back(std::move(proc));
    }

    // Binds the names of a procedure: parameters and Dims to slots, then
    // (inside a class) members of the class, then global names.
    void bindLocals(ProcScope& scope, const ClassDef* cls) {
        std::unordered_map<std::string, int>& implicit = scope.implicit;
        const std::string self =
            scope.proc->isFunction ? lowerName(scope.proc->name) : std::string();
        for (Name* n : scope.names) {
            const std::string lower = lowerName(n->name);
            const bool recursion = lower == self && n->callee;
            auto it = scope.locals.find(lower);
            if (it != scope.locals.end() && !recursion) {
                n->scope = Scope::Local;
                n->slot = it->second;
                continue;
            }
            if (cls) {
                const int member = cls->find(lower);
                if (member >= 0) {
                    n->scope = Scope::Member;
                    n->slot = member;
                    continue;
                }
            }
            if (recursion) {
                n->scope = Scope::Global;
                unit_->globalNames.push_back(n);
                continue;
            }
            auto [im, inserted] = implicit.emplace(lower, 0);
            if (inserted) im->second = scope.proc->slotCount++;
            n->scope = Scope::Global;
            n->slot = im->second;
            unit_->globalNames.push_back(n);
        }
        scope.proc->locals = scope.locals;
        scope.proc->implicitLocals = implicit;
    }

    void finishScope() {
        if (!enclosing_) return;
        scope_ = nullptr;
        bindLocals(enclosingScope_, enclosing_->owner);
    }

    // ---- expressions -------------------------------------------------------------------

    Expr* expression() {
        NestingGuard guard(*this);
        return binary(1);
    }

    // Binary operator precedence, lowest 1 (Imp) .. highest 13 (^); 0 = none.
    static int precedence(Tok k) {
        switch (k) {
        case Tok::Imp:
            return 1;
        case Tok::Eqv:
            return 2;
        case Tok::Xor:
            return 3;
        case Tok::Or:
            return 4;
        case Tok::And:
            return 5;
        case Tok::Eq:
        case Tok::Ne:
        case Tok::Lt:
        case Tok::Gt:
        case Tok::Le:
        case Tok::Ge:
        case Tok::Is:
            return 7;
        case Tok::Amp:
            return 8;
        case Tok::Plus:
        case Tok::Minus:
            return 9;
        case Tok::Mod:
            return 10;
        case Tok::Backslash:
            return 11;
        case Tok::Star:
        case Tok::Slash:
            return 12;
        case Tok::Caret:
            return 13;
        default:
            return 0;
        }
    }
    static constexpr int kNotPrecedence = 6;

    static ops::BinOp binOp(Tok k) {
        switch (k) {
        case Tok::Imp:
            return ops::BinOp::Imp;
        case Tok::Eqv:
            return ops::BinOp::Eqv;
        case Tok::Xor:
            return ops::BinOp::Xor;
        case Tok::Or:
            return ops::BinOp::Or;
        case Tok::And:
            return ops::BinOp::And;
        case Tok::Eq:
            return ops::BinOp::Eq;
        case Tok::Ne:
            return ops::BinOp::Ne;
        case Tok::Lt:
            return ops::BinOp::Lt;
        case Tok::Gt:
            return ops::BinOp::Gt;
        case Tok::Le:
            return ops::BinOp::Le;
        case Tok::Ge:
            return ops::BinOp::Ge;
        case Tok::Is:
            return ops::BinOp::Is;
        case Tok::Amp:
            return ops::BinOp::Concat;
        case Tok::Plus:
            return ops::BinOp::Add;
        case Tok::Minus:
            return ops::BinOp::Sub;
        case Tok::Mod:
            return ops::BinOp::Mod;
        case Tok::Backslash:
            return ops::BinOp::IntDiv;
        case Tok::Star:
            return ops::BinOp::Mul;
        case Tok::Slash:
            return ops::BinOp::Div;
        default:
            return ops::BinOp::Pow;
        }
    }

    Expr* binary(int minPrec) {
        NestingGuard guard(*this);
        Expr* left;
        if (at(Tok::Not) && minPrec <= kNotPrecedence) {
            const int line = next().line;
            Unary* u = make<Unary>(line);
            u->op = Unary::Op::Not;
            u->operand = binary(kNotPrecedence);
            left = withDepth(u, {u->operand});
        } else {
            left = unary();
        }
        return binaryRest(left, minPrec);
    }

    Expr* binaryRest(Expr* left, int minPrec) {
        while (true) {
            const Tok k = peek().kind;
            const int p = precedence(k);
            if (p == 0 || p < minPrec) return left;
            const int line = next().line;
            Expr* right = p == 13 ? unary() : binary(p + 1);
            Binary* b = make<Binary>(line);
            b->op = binOp(k);
            b->left = left;
            b->right = right;
            left = withDepth(b, {left, right});
        }
    }

    Expr* unary() {
        NestingGuard guard(*this);
        if (at(Tok::Minus) || at(Tok::Plus) || at(Tok::Not)) {
            const Token& t = next();
            Expr* operand = t.kind == Tok::Not ? binary(kNotPrecedence) : unary();
            if (t.kind == Tok::Minus && operand->kind == ExprKind::Literal &&
                static_cast<Literal*>(operand)->value.isNumber()) {
                Literal* lit = static_cast<Literal*>(operand);
                Variant r;
                ops::negate(lit->value, r);
                lit->value = r;
                return lit;
            }
            Unary* u = make<Unary>(t.line);
            u->op = t.kind == Tok::Minus  ? Unary::Op::Negate
                    : t.kind == Tok::Plus ? Unary::Op::Plus
                                          : Unary::Op::Not;
            u->operand = operand;
            return withDepth(u, {operand});
        }
        return postfix(false);
    }

    Expr* primary() {
        const Token& t = peek();
        switch (t.kind) {
        case Tok::Literal: {
            Literal* l = make<Literal>(t.line);
            l->value = t.value;
            next();
            return l;
        }
        case Tok::True:
        case Tok::False:
        case Tok::Empty:
        case Tok::Null:
        case Tok::Nothing: {
            Literal* l = make<Literal>(t.line);
            if (t.kind == Tok::True)
                l->value = Variant(true);
            else if (t.kind == Tok::False)
                l->value = Variant(false);
            else if (t.kind == Tok::Null)
                l->value = Variant::null();
            else if (t.kind == Tok::Nothing)
                l->value = Variant::nothing();
            next();
            return l;
        }
        case Tok::LParen: {
            next();
            Expr* inner = expression();
            expect(Tok::RParen, err::ExpectedRParen);
            return paren(inner, t.line);
        }
        case Tok::Dot: {
            next();
            Member* m = make<Member>(t.line);
            m->name = memberName();
            return m;
        }
        case Tok::New: {
            next();
            New* n = make<New>(t.line);
            n->className = identifier();
            return n;
        }
        case Tok::Me:
            next();
            return make<Expr>(t.line, ExprKind::Me);
        default:
            if (isName(t.kind)) {
                next();
                return makeName(t.text, t.line);
            }
            fail(err::SyntaxError);
        }
    }

    // A primary followed by `(args)` and `.member` parts. At the start of a
    // statement a blank before a dot ends the callee (`f .x` passes .x).
    Expr* postfix(bool statementStart) {
        NestingGuard guard(*this);
        Expr* e = primary();
        while (true) {
            if (at(Tok::LParen)) {
                const int line = next().line;
                Call* c = make<Call>(line);
                c->callee = e;
                if (e->kind == ExprKind::Name) static_cast<Name*>(e)->callee = true;
                if (!at(Tok::RParen)) arguments(c->args, Tok::RParen);
                expect(Tok::RParen, err::ExpectedRParen);
                int d = e->depth;
                for (Expr* a : c->args)
                    d = std::max<int>(d, a->depth);
                if (d + 1 > kMaxExprDepth) fail(err::OutOfStackSpace);
                c->depth = static_cast<uint16_t>(d + 1);
                e = c;
            } else if (at(Tok::Dot) && !(statementStart && peek().spaceBefore)) {
                const int line = next().line;
                Member* m = make<Member>(line);
                m->object = e;
                m->name = memberName();
                e = withDepth(m, {e});
            } else {
                return e;
            }
        }
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    std::unique_ptr<Unit> unit_;
    ProcScope* scope_ = nullptr;
    const Procedure* enclosing_ = nullptr; // Execute/Eval in a procedure's scope
    ProcScope enclosingScope_;
    ClassDef* class_ = nullptr; // the class being parsed
    std::unordered_map<std::string, GlobalKind> globalKinds_;
    int nesting_ = 0;
    const char* stackFloor_ = StackLimit::floorForThisThread(kStackReserve);
    int inlineIf_ = 0;
    int doDepth_ = 0;
    int forDepth_ = 0;
    int loops_ = 0;
};

} // namespace

std::unique_ptr<ast::Unit> parseProgram(std::string_view source, int unitId,
                                        const ast::Procedure* enclosing,
                                        std::span<const std::string> extraLocals) {
    try {
        return Parser(source, unitId, enclosing, extraLocals).program();
    } catch (ScriptError& e) {
        e.unit = unitId;
        throw;
    }
}

std::unique_ptr<ast::Unit> parseExpression(std::string_view source, int unitId,
                                           const ast::Procedure* enclosing,
                                           std::span<const std::string> extraLocals) {
    try {
        return Parser(source, unitId, enclosing, extraLocals).expressionUnit();
    } catch (ScriptError& e) {
        e.unit = unitId;
        throw;
    }
}

} // namespace script
