#include "script/engine.h"

#include "script/interpreter.h"
#include "script/library.h"

namespace script {

// ---- NativeObject ---------------------------------------------------------------------

NativeObject::NativeObject(std::string typeName) : typeName_(std::move(typeName)) {}

NativeObject& NativeObject::method(std::string_view name, NativeFunction fn, int minArgs,
                                   int maxArgs) {
    Member m;
    m.name = std::string(name);
    m.call = std::move(fn);
    m.minArgs = minArgs;
    m.maxArgs = maxArgs;
    index_[lowerName(name)] = static_cast<int>(members_.size()) + 1;
    members_.push_back(std::move(m));
    return *this;
}

NativeObject& NativeObject::property(std::string_view name, std::function<Variant()> get,
                                     std::function<void(const Variant&)> set) {
    Member m;
    m.name = std::string(name);
    if (get) m.call = [get = std::move(get)](std::span<const Variant>) { return get(); };
    m.set = std::move(set);
    m.maxArgs = 0;
    index_[lowerName(name)] = static_cast<int>(members_.size()) + 1;
    members_.push_back(std::move(m));
    return *this;
}

NativeObject& NativeObject::setDefaultMember(std::string_view name) {
    defaultMember_ = findMember(name);
    return *this;
}

int NativeObject::findMember(std::string_view name) const {
    auto it = index_.find(lowerName(name));
    return it == index_.end() ? -1 : it->second;
}

Variant NativeObject::invoke(int member, Access access, std::span<const Variant> args) {
    if (member == kDefaultMember) member = defaultMember_;
    if (member < 1 || member > static_cast<int>(members_.size()))
        throw ScriptError(err::NoSuchMember);
    const Member& m = members_[static_cast<size_t>(member - 1)];
    if (access != Access::Get) {
        if (!m.set) throw ScriptError(err::NoSuchMember);
        if (args.size() != 1) throw ScriptError(err::WrongArgCount);
        m.set(args[0]);
        return {};
    }
    if (!m.call) throw ScriptError(err::NoSuchMember);
    const int argc = static_cast<int>(args.size());
    if (argc < m.minArgs || (m.maxArgs >= 0 && argc > m.maxArgs))
        throw ScriptError(err::WrongArgCount);
    return m.call(args);
}

std::vector<std::string> NativeObject::memberNames() const {
    std::vector<std::string> names;
    for (const Member& m : members_)
        names.push_back(m.name);
    return names;
}

// ---- Engine ----------------------------------------------------------------------------

Engine::Engine() : impl_(std::make_unique<Interpreter>()) {
    library::addConstants(*this);
    library::addStrings(*this);
    library::addConversions(*this);
    library::addMath(*this);
    library::addDates(*this);
    library::addInspection(*this);

    Interpreter* in = impl_.get();
    addFunction(
        "MsgBox",
        [in](std::span<const Variant> a) -> Variant {
            const std::string prompt = library::notNull(a[0]).toString();
            const int buttons = a.size() > 1 ? library::longArg(a[1]) : 0;
            const std::string title = a.size() > 2 && !a[2].isNull() ? a[2].toString() : "";
            const int pressed = in->msgBox ? in->msgBox(prompt, buttons, title) : 1;
            return Variant::integer(static_cast<int16_t>(pressed));
        },
        1, 5);
    addFunction(
        "InputBox",
        [in](std::span<const Variant> a) -> Variant {
            const std::string prompt = library::notNull(a[0]).toString();
            const std::string title = a.size() > 1 && !a[1].isNull() ? a[1].toString() : "";
            const std::string def = a.size() > 2 && !a[2].isNull() ? a[2].toString() : "";
            if (!in->inputBox) return Variant("");
            std::optional<std::string> text = in->inputBox(prompt, title, def);
            return Variant(text ? *text : std::string());
        },
        1, 7);
}

Engine::~Engine() = default;

void Engine::addFunction(std::string_view name, NativeFunction fn, int minArgs, int maxArgs) {
    impl_->addFunction(name, std::move(fn), minArgs, maxArgs);
}

void Engine::addObject(std::string_view name, Ref<Object> object, bool globalMembers) {
    impl_->addObject(name, std::move(object), globalMembers);
}

void Engine::addConstant(std::string_view name, Variant value) {
    impl_->addConstant(name, std::move(value));
}

bool Engine::addCode(std::string_view code, std::string_view unitName) {
    return impl_->addCode(code, unitName);
}

std::optional<Variant> Engine::evaluate(std::string_view expression) {
    return impl_->evaluate(expression);
}

std::optional<Variant> Engine::call(std::string_view procedure, std::span<const Variant> args) {
    return impl_->call(procedure, args);
}

bool Engine::hasProcedure(std::string_view name) const {
    return impl_->hasProcedure(name);
}

const ErrorInfo& Engine::lastError() const {
    return impl_->lastError();
}

void Engine::clearError() {
    impl_->clearError();
}

void Engine::setMsgBoxHandler(MsgBoxHandler handler) {
    impl_->msgBox = std::move(handler);
}

void Engine::setInputBoxHandler(InputBoxHandler handler) {
    impl_->inputBox = std::move(handler);
}

void Engine::setPathMapper(PathMapper mapper) {
    impl_->files->mapPath = std::move(mapper);
}

void Engine::setInterruptCheck(std::function<bool()> shouldStop) {
    impl_->interruptCheck = std::move(shouldStop);
}

void Engine::requestInterrupt() {
    impl_->interruptRequested = true;
}

void Engine::setLimits(const Limits& limits) {
    impl_->limits = limits;
}

const Limits& Engine::limits() const {
    return impl_->limits;
}

} // namespace script
