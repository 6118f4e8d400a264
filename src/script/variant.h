#pragma once
// Variant: the one value type of the script engine, a small tagged union
// (16 bytes) like VBScript's VARIANT.
//
// Subtypes: Empty, Null, Boolean, Byte, Integer (16 bit), Long (32 bit),
// Single, Double, Date (days since 1899-12-30, the fraction is the time of
// day), String, Object (a reference to a script::Object, or Nothing) and
// Array (of Variants, up to 60 dimensions, lower bound always 0).
//
// Strings are byte strings: one character is one byte (a single-byte code
// page such as Windows-1252; UTF-8 text passes through unchanged, but Len
// then counts bytes). Strings and arrays are reference-counted and copied on
// write, so copying a Variant is cheap; arrays keep VBScript's value
// semantics (`b = a` copies). Variants are not thread-safe: use an engine and
// its values from one thread.
//
// The conversion functions follow VBScript's rules (CBool, CInt, CLng, CDbl,
// CStr) and throw ScriptError: 13 "Type mismatch", 6 "Overflow",
// 94 "Invalid use of Null", 91 "Object variable not set".

#include "script/error.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace script {

class Variant;
class Object;

// VBScript's VarType numbers.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Boolean = 11,
    Byte = 17,
    Array = 8204, // vbArray + vbVariant
};

// How a member of an object is used.
enum class Access : uint8_t {
    Get, // read a property or call a method; the result is the return value
    Let, // assign a value: `obj.p = v`; the value is the last argument
    Set, // assign an object: `Set obj.p = v`; the value is the last argument
};

// Base class of everything a script holds with Set: host objects, the Err
// object. Reference-counted (intrusively, see Ref<T>); create them with
// script::make<T>(...).
class Object {
public:
    // The member id that stands for the default member (`x = obj`, `obj(1)`).
    static constexpr int kDefaultMember = 0;

    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    // What TypeName() shows.
    virtual std::string typeName() const { return "Object"; }
    // The id (> 0) of the member called `name` (compared case-insensitively),
    // or -1 if there is none.
    virtual int findMember(std::string_view name) const;
    // Calls a member. `args` are the arguments by value; for Access::Let and
    // Access::Set the value to assign is the last one. Throws ScriptError
    // (438 when the member or the kind of access is not supported).
    virtual Variant invoke(int member, Access access, std::span<const Variant> args);
    // The items For Each visits; returns false if the object is not a
    // collection (451).
    virtual bool enumerate(std::vector<Variant>& items);

    void addRef() noexcept { ++refs_; }
    void release() noexcept {
        if (--refs_ == 0) destroy();
    }
    int refCount() const noexcept { return refs_; }

protected:
    // Called when the last reference goes; deletes the object. An object
    // that runs code first (a script class's Class_Terminate) overrides it
    // and may keep itself alive by taking a new reference.
    virtual void lastReleased() noexcept { delete this; }

private:
    // Releases objects one after the other, never recursively, so that a
    // long chain of objects holding the next one cannot exhaust the stack.
    void destroy() noexcept;

    int refs_ = 0;
};

// An intrusive reference to an Object (or derived class).
template <class T> class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    explicit Ref(T* p) : p_(p) {
        if (p_) p_->addRef();
    }
    Ref(const Ref& o) : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U> Ref(const Ref<U>& o) : Ref(static_cast<T*>(o.get())) {}
    ~Ref() {
        if (p_) p_->release();
    }
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

template <class T, class... A> Ref<T> make(A&&... args) {
    return Ref<T>(new T(std::forward<A>(args)...));
}

// Storage of an array: the element counts per dimension and the elements,
// the first index varying fastest (as VBScript enumerates them).
struct ArrayData {
    int refs = 0;
    std::vector<int32_t> counts; // upper bound + 1, per dimension
    std::vector<Variant> items;

    int dimensions() const { return static_cast<int>(counts.size()); }
    int32_t upperBound(int dimension) const { return counts[dimension] - 1; }
    // Flat position of an index tuple, or -1 if one is out of range.
    long long offset(std::span<const int32_t> indices) const;
};

class Variant {
public:
    // The internal tag. `Ref` is engine-internal (a ByRef parameter slot).
    enum class Tag : uint8_t {
        Empty,
        Null,
        Boolean,
        Byte,
        Integer,
        Long,
        Single,
        Double,
        Currency,
        Date,
        String,
        Object,
        Array,
        Ref,
    };

    Variant() noexcept { u_.l = 0; }
    Variant(bool b) noexcept : tag_(Tag::Boolean) { u_.l = b ? -1 : 0; }
    Variant(int32_t v) noexcept : tag_(Tag::Long) { u_.l = v; }
    Variant(double v) noexcept : tag_(Tag::Double) { u_.d = v; }
    Variant(std::string_view s);
    Variant(const std::string& s) : Variant(std::string_view(s)) {}
    Variant(const char* s) : Variant(std::string_view(s)) {}
    Variant(std::string&& s);
    template <class T> Variant(const Ref<T>& o) : Variant(static_cast<Object*>(o.get()), 0) {}

    static Variant null() noexcept {
        Variant v;
        v.tag_ = Tag::Null;
        return v;
    }
    static Variant nothing() noexcept { return Variant(static_cast<Object*>(nullptr), 0); }
    static Variant integer(int16_t v) noexcept {
        Variant r;
        r.tag_ = Tag::Integer;
        r.u_.l = v;
        return r;
    }
    static Variant byte(uint8_t v) noexcept {
        Variant r;
        r.tag_ = Tag::Byte;
        r.u_.l = v;
        return r;
    }
    static Variant single(float v) noexcept {
        Variant r;
        r.tag_ = Tag::Single;
        r.u_.f = v;
        return r;
    }
    // Currency: a count of 1/10000 units.
    static Variant currency(int64_t tenThousandths) noexcept {
        Variant r;
        r.tag_ = Tag::Currency;
        r.u_.c = tenThousandths;
        return r;
    }
    static Variant date(double serial) noexcept {
        Variant r(serial);
        r.tag_ = Tag::Date;
        return r;
    }
    // A one-dimensional array holding `items` (indices 0..n-1).
    static Variant array(std::vector<Variant> items);
    // An array with the given upper bounds (-1 for an empty dimension), all Empty.
    static Variant array(std::span<const int32_t> upperBounds);
    // Integer if it fits in 16 bits, else Long.
    static Variant smallestInteger(int32_t v) noexcept {
        return (v >= -32768 && v <= 32767) ? integer(static_cast<int16_t>(v)) : Variant(v);
    }

    Variant(const Variant& o) { copyFrom(o); }
    Variant(Variant&& o) noexcept : tag_(o.tag_), flags_(0), u_(o.u_) { o.tag_ = Tag::Empty; }
    Variant& operator=(const Variant& o) {
        if (this != &o) {
            Variant tmp(o);
            swapValue(tmp);
        }
        return *this;
    }
    Variant& operator=(Variant&& o) noexcept {
        if (this != &o) {
            Variant tmp(std::move(o));
            swapValue(tmp);
        }
        return *this;
    }
    ~Variant() {
        if (tag_ >= Tag::String && tag_ <= Tag::Array) releaseValue();
    }

    Tag tag() const noexcept { return tag_; }
    VarType type() const noexcept;

    bool isEmpty() const noexcept { return tag_ == Tag::Empty; }
    bool isNull() const noexcept { return tag_ == Tag::Null; }
    bool isString() const noexcept { return tag_ == Tag::String; }
    bool isObject() const noexcept { return tag_ == Tag::Object; }
    bool isNothing() const noexcept { return tag_ == Tag::Object && u_.o == nullptr; }
    bool isArray() const noexcept { return tag_ == Tag::Array; }
    // Boolean, Byte, Integer, Long, Single, Double, Currency or Date.
    bool isNumber() const noexcept { return tag_ >= Tag::Boolean && tag_ <= Tag::Date; }
    bool isIntegral() const noexcept { return tag_ >= Tag::Boolean && tag_ <= Tag::Long; }

    // Raw payloads (no conversion); only valid for the matching tag.
    int32_t rawInt() const noexcept { return u_.l; }   // Boolean, Byte, Integer, Long
    double rawDouble() const noexcept { return u_.d; } // Double, Date
    float rawSingle() const noexcept { return u_.f; }
    int64_t rawCurrency() const noexcept { return u_.c; } // in 1/10000
    const std::string& rawString() const noexcept { return u_.s->text; }
    Object* rawObject() const noexcept { return u_.o; } // nullptr = Nothing
    const ArrayData& rawArray() const noexcept { return *u_.a; }
    // The array's storage for writing: unshared first if needed.
    ArrayData& mutableArray();
    // The string's text for writing (appending): unshared first if needed.
    std::string& mutableString();

    // VBScript conversions. Objects are converted through their default member.
    bool toBool() const;
    uint8_t toByte() const;
    int16_t toInteger() const; // rounds half to even
    int32_t toLong() const;    // rounds half to even
    float toSingle() const;
    double toDouble() const;
    std::string toString() const;
    Ref<Object> toObject() const; // 424 Object required if not an object

    // For an Object: its default value (91 for Nothing); otherwise a copy.
    Variant defaultValue() const;

    // Engine-internal: ByRef slots. A Ref variant points at the variable it
    // stands for; copies of it copy the target's value.
    static Variant makeRef(Variant* target) noexcept {
        Variant r;
        r.tag_ = Tag::Ref;
        r.u_.ref = target;
        return r;
    }
    Variant* refTarget() const noexcept { return u_.ref; }
    Variant& deref() noexcept { return tag_ == Tag::Ref ? *u_.ref : *this; }
    const Variant& deref() const noexcept { return tag_ == Tag::Ref ? *u_.ref : *this; }

    // Engine-internal per-storage flags (not copied with the value).
    static constexpr uint8_t kFixedArray = 1; // declared with Dim a(n): ReDim/Erase rules
    static constexpr uint8_t kConstant = 2;   // a Const: assignment is illegal
    uint8_t flags() const noexcept { return flags_; }
    void setFlags(uint8_t f) noexcept { flags_ = f; }

    // Fast setters used by the evaluator (release the old value first).
    void setInt(Tag t, int32_t v) noexcept {
        if (tag_ >= Tag::String && tag_ <= Tag::Array) releaseValue();
        tag_ = t;
        u_.l = v;
    }
    void setDouble(Tag t, double v) noexcept {
        if (tag_ >= Tag::String && tag_ <= Tag::Array) releaseValue();
        tag_ = t;
        u_.d = v;
    }

private:
    struct StringData {
        int refs;
        std::string text;
    };
    Variant(Object* o, int) noexcept;
    void copyFrom(const Variant& o);
    void releaseValue() noexcept;
    void swapValue(Variant& o) noexcept {
        std::swap(tag_, o.tag_);
        std::swap(u_, o.u_);
    }

    Tag tag_ = Tag::Empty;
    uint8_t flags_ = 0;
    union Payload {
        int32_t l;
        float f;
        double d;
        int64_t c;
        StringData* s;
        Object* o;
        ArrayData* a;
        Variant* ref;
    } u_;
};

static_assert(sizeof(Variant) == 16);

// Case-insensitive (ASCII) name comparison and lower-casing, as VBScript
// compares identifiers.
bool sameName(std::string_view a, std::string_view b) noexcept;
std::string lowerName(std::string_view name);

// Number <-> text the way VBScript does it (English locale).
// Parses a numeric string: blanks around, sign, digits with optional
// thousands commas, decimal point, exponent, or &H / &O forms.
bool parseNumber(std::string_view text, double& out);
std::string formatDouble(double v);
std::string formatSingle(float v);
std::string formatCurrency(int64_t tenThousandths);
// CCur: rounds to 1/10000 (halves to even); 6 "Overflow" out of range.
int64_t currencyFromDouble(double v);

// The name TypeName() returns ("Integer", "String", "Variant()", ...).
std::string typeName(const Variant& v);

} // namespace script
