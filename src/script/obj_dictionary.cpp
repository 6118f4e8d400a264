// Scripting.Dictionary: keys and items in the order they were added.

#include "script/library.h"
#include "script/objects.h"

#include <cstdint>

namespace script {

MemberTable::MemberTable(std::initializer_list<const char*> names) {
    int id = 1;
    for (const char* n : names)
        ids_[lowerName(n)] = id++;
}

int MemberTable::find(std::string_view name) const {
    auto it = ids_.find(lowerName(name));
    return it == ids_.end() ? -1 : it->second;
}

void argCount(std::span<const Variant> args, size_t min, size_t max) {
    if (args.size() < min || args.size() > max) throw ScriptError(err::WrongArgCount);
}

namespace {

constexpr int kElementNotFound = 32811;
constexpr int kKeyExists = 457;

enum DictMember {
    Item = 1,
    Add,
    Exists,
    Remove,
    RemoveAll,
    Count,
    Keys,
    Items,
    Key,
    CompareMode,
    HashVal
};

const MemberTable& dictMembers() {
    static const MemberTable t{"Item", "Add",   "Exists", "Remove",      "RemoveAll", "Count",
                               "Keys", "Items", "Key",    "CompareMode", "HashVal"};
    return t;
}

class Dictionary : public HeapObject {
public:
    explicit Dictionary(std::shared_ptr<Heap> heap) : HeapObject(std::move(heap)) {}

    std::string typeName() const override { return "Dictionary"; }
    int findMember(std::string_view name) const override { return dictMembers().find(name); }

    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (member == kDefaultMember) member = Item;
        if (access != Access::Get) return assign(member, access, args);
        switch (member) {
        case Item: {
            argCount(args, 1, 1);
            // Reading a missing key adds it with an empty item.
            return entries_[static_cast<size_t>(findOrAdd(args[0]))].item;
        }
        case Add: {
            argCount(args, 2, 2);
            if (find(args[0]) >= 0) throw ScriptError(kKeyExists);
            entries_[static_cast<size_t>(findOrAdd(args[0]))].item = args[1];
            return {};
        }
        case Exists:
            argCount(args, 1, 1);
            return Variant(find(args[0]) >= 0);
        case Remove: {
            argCount(args, 1, 1);
            const int i = find(args[0]);
            if (i < 0) throw ScriptError(kElementNotFound);
            entries_.erase(entries_.begin() + i);
            reindex();
            return {};
        }
        case RemoveAll:
            argCount(args, 0, 0);
            entries_.clear();
            index_.clear();
            return {};
        case Count:
            argCount(args, 0, 0);
            return Variant(static_cast<int32_t>(entries_.size()));
        case Keys:
        case Items: {
            argCount(args, 0, 0);
            std::vector<Variant> out;
            out.reserve(entries_.size());
            for (const Entry& e : entries_)
                out.push_back(member == Keys ? e.key : e.item);
            return Variant::array(std::move(out));
        }
        case CompareMode:
            argCount(args, 0, 0);
            return Variant(static_cast<int32_t>(compareMode_));
        case HashVal: {
            argCount(args, 1, 1);
            uint32_t h = 0;
            for (unsigned char c : normalised(args[0]))
                h = h * 31 + c;
            return Variant(static_cast<int32_t>(h % 1201));
        }
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

    bool enumerate(std::vector<Variant>& items) override {
        for (const Entry& e : entries_)
            items.push_back(e.key);
        return true;
    }

    void clearReferences() override {
        entries_.clear();
        index_.clear();
    }

private:
    struct Entry {
        Variant key;
        Variant item;
    };

    Variant assign(int member, Access access, std::span<const Variant> args) {
        switch (member) {
        case Item: {
            argCount(args, 2, 2);
            Variant& item = entries_[static_cast<size_t>(findOrAdd(args[0]))].item;
            item = access == Access::Set ? args[1] : args[1].defaultValue();
            return {};
        }
        case Key: {
            argCount(args, 2, 2);
            const int i = find(args[0]);
            if (i < 0) throw ScriptError(kElementNotFound);
            if (find(args[1]) >= 0) throw ScriptError(kKeyExists);
            checkKey(args[1]);
            entries_[static_cast<size_t>(i)].key = args[1];
            reindex();
            return {};
        }
        case CompareMode: {
            argCount(args, 1, 1);
            const int32_t mode = library::longArg(args[0]);
            library::require(mode >= 0 && mode <= 2 && entries_.empty());
            compareMode_ = mode;
            return {};
        }
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

    static void checkKey(const Variant& key) {
        if (key.isArray()) throw ScriptError(err::TypeMismatch);
    }

    // The text a key is found by: numbers by value, strings by their text
    // (folded in text compare mode), objects by identity.
    std::string normalised(const Variant& key) const {
        const Variant& k = key.deref();
        checkKey(k);
        switch (k.tag()) {
        case Variant::Tag::Empty:
            return "e";
        case Variant::Tag::Null:
            return "0";
        case Variant::Tag::String:
            return "s" + (compareMode_ == 0 ? k.rawString() : lowerName(k.rawString()));
        case Variant::Tag::Object:
            return "o" + std::to_string(reinterpret_cast<std::uintptr_t>(k.rawObject()));
        case Variant::Tag::Date:
            return "d" + formatDouble(k.rawDouble());
        default:
            return "n" + formatDouble(k.toDouble());
        }
    }

    int find(const Variant& key) const {
        auto it = index_.find(normalised(key));
        return it == index_.end() ? -1 : it->second;
    }

    int findOrAdd(const Variant& key) {
        const std::string n = normalised(key);
        auto it = index_.find(n);
        if (it != index_.end()) return it->second;
        const int i = static_cast<int>(entries_.size());
        entries_.push_back({key.deref(), Variant()});
        index_.emplace(n, i);
        return i;
    }

    void reindex() {
        index_.clear();
        for (size_t i = 0; i < entries_.size(); ++i)
            index_.emplace(normalised(entries_[i].key), static_cast<int>(i));
    }

    std::vector<Entry> entries_;
    std::unordered_map<std::string, int> index_;
    int compareMode_ = 0;
};

} // namespace

Ref<Object> makeDictionary(std::shared_ptr<Heap> heap) {
    return make<Dictionary>(std::move(heap));
}

} // namespace script
