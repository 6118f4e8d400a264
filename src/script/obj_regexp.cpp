// VBScript.RegExp on PCRE2, set up to follow the JavaScript rules that
// VBScript's regular expressions share: `.` stops at \r and \n, `$` without
// MultiLine matches only at the very end, \uXXXX escapes, `[^]` matches any
// character, and a reference to a group that did not take part matches
// nothing. Matching is bounded (match and heap limits), so a pathological
// pattern ends with an error instead of running for ever.

#define PCRE2_CODE_UNIT_WIDTH 8
#include "script/library.h"
#include "script/objects.h"

#include <pcre2.h>

namespace script {

namespace {

constexpr int kRegexSyntax = 5017;
constexpr int kUnexpectedQuantifier = 5018;
constexpr int kExpectedBracket = 5019;
constexpr int kExpectedParen = 5020;
constexpr int kInvalidRange = 5021;
constexpr int kCannotPerform = 17;

constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;

// One match: the text and its groups (an unmatched group is Empty).
struct MatchData {
    std::string value;
    int32_t index = 0;
    std::vector<Variant> groups;
};

// A read-only collection indexed from 0 (SubMatches, Matches): Item, Count
// and For Each.
class IndexedCollection : public Object {
public:
    IndexedCollection(std::string typeName, std::vector<Variant> items)
        : typeName_(std::move(typeName)), items_(std::move(items)) {}
    std::string typeName() const override { return typeName_; }
    int findMember(std::string_view name) const override {
        if (sameName(name, "Item")) return 1;
        if (sameName(name, "Count")) return 2;
        return -1;
    }
    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (access != Access::Get) throw ScriptError(err::NoSuchMember);
        if (member == 2) return Variant(static_cast<int32_t>(items_.size()));
        argCount(args, 1, 1);
        const int32_t i = library::longArg(args[0]);
        library::require(i >= 0 && static_cast<size_t>(i) < items_.size());
        return items_[static_cast<size_t>(i)];
    }
    bool enumerate(std::vector<Variant>& items) override {
        items = items_;
        return true;
    }

private:
    std::string typeName_;
    std::vector<Variant> items_;
};

class Match : public Object {
public:
    explicit Match(MatchData m) : m_(std::move(m)) {}
    std::string typeName() const override { return "IMatch2"; }
    int findMember(std::string_view name) const override {
        static const MemberTable t{"Value", "FirstIndex", "Length", "SubMatches"};
        return t.find(name);
    }
    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (access != Access::Get) throw ScriptError(err::NoSuchMember);
        argCount(args, 0, 0);
        switch (member) {
        case kDefaultMember:
        case 1:
            return Variant(m_.value);
        case 2:
            return Variant(m_.index);
        case 3:
            return Variant(static_cast<int32_t>(m_.value.size()));
        case 4:
            return Variant(make<IndexedCollection>("ISubMatches", m_.groups));
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

private:
    MatchData m_;
};

enum RegExpMember { Pattern = 1, IgnoreCase, Global, MultiLine, Test, Execute, Replace };

class RegExp : public Object {
public:
    RegExp() = default;
    ~RegExp() override { reset(); }

    std::string typeName() const override { return "IRegExp2"; }
    int findMember(std::string_view name) const override {
        static const MemberTable t{"Pattern", "IgnoreCase", "Global", "MultiLine",
                                   "Test",    "Execute",    "Replace"};
        return t.find(name);
    }

    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (member == kDefaultMember) member = Pattern;
        if (access != Access::Get) {
            argCount(args, 1, 1);
            switch (member) {
            case Pattern:
                pattern_ = library::notNull(args[0]).toString();
                break;
            case IgnoreCase:
                ignoreCase_ = library::notNull(args[0]).toBool();
                break;
            case Global:
                global_ = library::notNull(args[0]).toBool();
                break;
            case MultiLine:
                multiLine_ = library::notNull(args[0]).toBool();
                break;
            default:
                throw ScriptError(err::NoSuchMember);
            }
            reset();
            return {};
        }
        switch (member) {
        case Pattern:
            return Variant(pattern_);
        case IgnoreCase:
            return Variant(ignoreCase_);
        case Global:
            return Variant(global_);
        case MultiLine:
            return Variant(multiLine_);
        case Test: {
            argCount(args, 1, 1);
            MatchData m;
            return Variant(next(subject(args[0]), 0, m) >= 0);
        }
        case Execute: {
            argCount(args, 1, 1);
            const std::string s = subject(args[0]);
            std::vector<Variant> all;
            forEachMatch(s,
                         [&](MatchData& m) { all.push_back(Variant(make<Match>(std::move(m)))); });
            return Variant(make<IndexedCollection>("IMatchCollection2", std::move(all)));
        }
        case Replace: {
            argCount(args, 2, 2);
            const std::string s = subject(args[0]);
            const std::string with = library::notNull(args[1]).toString();
            std::string out;
            size_t copied = 0;
            forEachMatch(s, [&](MatchData& m) {
                out.append(s, copied, static_cast<size_t>(m.index) - copied);
                substitute(out, with, m, s);
                copied = static_cast<size_t>(m.index) + m.value.size();
            });
            out.append(s, copied, std::string::npos);
            return Variant(std::move(out));
        }
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

private:
    static std::string subject(const Variant& v) {
        return v.isNull() ? std::string() : v.toString();
    }

    void reset() {
        if (data_) pcre2_match_data_free(data_);
        if (code_) pcre2_code_free(code_);
        if (mcontext_) pcre2_match_context_free(mcontext_);
        data_ = nullptr;
        code_ = nullptr;
        mcontext_ = nullptr;
    }

    void compile() {
        if (code_) return;
        uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS;
        if (ignoreCase_) options |= PCRE2_CASELESS;
        if (multiLine_)
            options |= PCRE2_MULTILINE;
        else
            options |= PCRE2_DOLLAR_ENDONLY;
        pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
        pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_compile_extra_options(cc, PCRE2_EXTRA_ALT_BSUX);
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(),
                              options, &error, &offset, cc);
        pcre2_compile_context_free(cc);
        if (!code_) {
            switch (error) {
            case 106: // missing terminating ] for character class
                throw ScriptError(kExpectedBracket);
            case 114: // missing closing parenthesis
                throw ScriptError(kExpectedParen);
            case 108: // range out of order in character class
                throw ScriptError(kInvalidRange);
            case 109: // quantifier does not follow a repeatable item
                throw ScriptError(kUnexpectedQuantifier);
            default:
                throw ScriptError(kRegexSyntax);
            }
        }
        data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
        mcontext_ = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(mcontext_, kMatchLimit);
        pcre2_set_heap_limit(mcontext_, kHeapLimitKiB);
    }

    // The first match at or after `start`: its end, or -1 when there is none.
    long long next(const std::string& s, size_t start, MatchData& m) {
        compile();
        if (start > s.size()) return -1;
        const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), start,
                                   0, data_, mcontext_);
        if (rc == PCRE2_ERROR_NOMATCH) return -1;
        if (rc < 0) throw ScriptError(kCannotPerform);
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
        m.index = static_cast<int32_t>(ov[0]);
        m.value = s.substr(ov[0], ov[1] - ov[0]);
        m.groups.clear();
        const uint32_t groups = pcre2_get_ovector_count(data_);
        uint32_t captures = 0;
        pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &captures);
        for (uint32_t g = 1; g <= captures && g < groups; ++g) {
            if (ov[2 * g] == PCRE2_UNSET)
                m.groups.emplace_back();
            else
                m.groups.emplace_back(s.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
        }
        return static_cast<long long>(ov[1]);
    }

    // Every match (only the first unless Global); an empty match moves on
    // by one character.
    template <class F> void forEachMatch(const std::string& s, F&& f) {
        size_t start = 0;
        while (true) {
            MatchData m;
            const long long end = next(s, start, m);
            if (end < 0) return;
            const bool empty = m.value.empty();
            f(m);
            if (!global_) return;
            start = static_cast<size_t>(end) + (empty ? 1 : 0);
        }
    }

    // $1..$99, $& (the match), $` (before it), $' (after it), $$ ("$").
    static void substitute(std::string& out, const std::string& with, const MatchData& m,
                           const std::string& s) {
        for (size_t i = 0; i < with.size(); ++i) {
            const char c = with[i];
            if (c != '$' || i + 1 >= with.size()) {
                out += c;
                continue;
            }
            const char n = with[i + 1];
            if (n == '$') {
                out += '$';
                ++i;
            } else if (n == '&') {
                out += m.value;
                ++i;
            } else if (n == '`') {
                out.append(s, 0, static_cast<size_t>(m.index));
                ++i;
            } else if (n == '\'') {
                out.append(s, static_cast<size_t>(m.index) + m.value.size(), std::string::npos);
                ++i;
            } else if (n >= '0' && n <= '9') {
                size_t g = static_cast<size_t>(n - '0');
                size_t used = 1;
                if (i + 2 < with.size() && with[i + 2] >= '0' && with[i + 2] <= '9') {
                    const size_t two = g * 10 + static_cast<size_t>(with[i + 2] - '0');
                    if (two >= 1 && two <= m.groups.size()) {
                        g = two;
                        used = 2;
                    }
                }
                if (g >= 1 && g <= m.groups.size()) {
                    const Variant& v = m.groups[g - 1];
                    if (v.isString()) out += v.rawString();
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
    }

    std::string pattern_;
    bool ignoreCase_ = false, global_ = false, multiLine_ = false;
    pcre2_code* code_ = nullptr;
    pcre2_match_data* data_ = nullptr;
    pcre2_match_context* mcontext_ = nullptr;
};

} // namespace

Ref<Object> makeRegExp() {
    return make<RegExp>();
}

} // namespace script
