#pragma once
// Objects that scripts create and that hold script values (class instances,
// dictionaries), engine-internal.
//
// Such objects can form cycles (`Set a.next = a`) that reference counting
// never frees. Each registers itself with its engine's heap; when the engine
// closes it drops the references of those still alive, which frees them.

#include "script/variant.h"

#include <memory>
#include <unordered_set>

namespace script {

class Interpreter;
class HeapObject;

struct Heap {
    Interpreter* interpreter = nullptr; // nullptr once the engine has closed
    std::unordered_set<HeapObject*> live;
};

class HeapObject : public Object {
public:
    explicit HeapObject(std::shared_ptr<Heap> heap) : heap_(std::move(heap)) {
        heap_->live.insert(this);
    }
    ~HeapObject() override { heap_->live.erase(this); }

    // Drops every script value the object holds.
    virtual void clearReferences() = 0;

protected:
    std::shared_ptr<Heap> heap_;
};

} // namespace script
