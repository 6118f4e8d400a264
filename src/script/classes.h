#pragma once
// An instance of a script's Class (engine-internal). Its fields live here;
// its methods and properties run in the interpreter.

#include "script/ast.h"
#include "script/heap.h"

namespace script {

class ClassInstance : public HeapObject {
public:
    ClassInstance(std::shared_ptr<Heap> heap, const ast::ClassDef* def);

    // Once the engine has closed, its classes are gone: the instance is a
    // bare object without members.
    std::string typeName() const override { return heap_->interpreter ? def->name : "Object"; }
    int findMember(std::string_view name) const override;
    Variant invoke(int member, Access access, std::span<const Variant> args) override;
    void clearReferences() override;

    const ast::ClassDef* const def;
    std::vector<Variant> fields;

protected:
    // Runs Class_Terminate before the instance goes.
    void lastReleased() noexcept override;

private:
    bool terminated_ = false;
};

} // namespace script
