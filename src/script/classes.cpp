#include "script/classes.h"

#include "script/interpreter.h"

namespace script {

ClassInstance::ClassInstance(std::shared_ptr<Heap> heap, const ast::ClassDef* d)
    : HeapObject(std::move(heap)), def(d) {
    fields.resize(def->fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const ast::ClassField& f = def->fields[i];
        if (!f.isArray) continue;
        fields[i] = Variant::array(std::span<const int32_t>(f.bounds));
        fields[i].setFlags(f.bounds.empty() ? 0 : Variant::kFixedArray);
    }
}

int ClassInstance::findMember(std::string_view name) const {
    if (!heap_->interpreter) return -1;
    const int id = def->find(lowerName(name));
    return id < 0 ? -1 : id + 1;
}

Variant ClassInstance::invoke(int member, Access access, std::span<const Variant> args) {
    if (!heap_->interpreter) throw ScriptError(err::NoSuchMember);
    return heap_->interpreter->invokeClassMember(this, member, access, args);
}

void ClassInstance::clearReferences() {
    for (Variant& f : fields)
        f = Variant();
}

void ClassInstance::lastReleased() noexcept {
    if (!terminated_ && heap_->interpreter && def->terminate) {
        terminated_ = true;
        addRef();
        heap_->interpreter->runTerminate(this);
        release(); // deletes the instance unless Class_Terminate kept it
        return;
    }
    delete this;
}

} // namespace script
