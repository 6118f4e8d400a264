#pragma once
// The objects CreateObject makes (engine-internal): Scripting.Dictionary,
// Scripting.FileSystemObject (with TextStream, File, Folder and their
// collections) and VBScript.RegExp.

#include "script/engine.h"
#include "script/heap.h"

#include <initializer_list>
#include <memory>
#include <unordered_map>

namespace script {

// The member names of a built-in class, numbered from 1 in the order given
// (so an enum can follow the same order), shared by all its objects.
class MemberTable {
public:
    MemberTable(std::initializer_list<const char*> names);
    int find(std::string_view name) const;

private:
    std::unordered_map<std::string, int> ids_;
};

// Argument checks: 450 when the count is outside min..max.
void argCount(std::span<const Variant> args, size_t min, size_t max);

// What the FileSystemObject needs from the host.
struct FileContext {
    PathMapper mapPath; // may be empty: "\" becomes "/", nothing else changes
    std::string map(std::string_view scriptPath) const;
};

Ref<Object> makeDictionary(std::shared_ptr<Heap> heap);
Ref<Object> makeFileSystemObject(std::shared_ptr<const FileContext> context);
Ref<Object> makeRegExp();

} // namespace script
