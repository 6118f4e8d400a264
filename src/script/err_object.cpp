#include "script/err_object.h"

namespace script {

namespace {
enum Member { Number = 1, Description, Source, HelpFile, HelpContext, Clear, Raise };
const char* const kNames[] = {"number",      "description", "source", "helpfile",
                              "helpcontext", "clear",       "raise"};
} // namespace

int ErrObject::findMember(std::string_view name) const {
    for (int i = 0; i < 7; ++i)
        if (sameName(name, kNames[i])) return i + 1;
    return -1;
}

void ErrObject::set(const ScriptError& e) {
    number_ = e.number;
    description_ = e.description;
    source_ = e.source;
    helpFile_.clear();
    helpContext_ = 0;
}

void ErrObject::clear() {
    number_ = 0;
    description_.clear();
    source_.clear();
    helpFile_.clear();
    helpContext_ = 0;
}

Variant ErrObject::invoke(int member, Access access, std::span<const Variant> args) {
    if (member == kDefaultMember) member = Number;
    if (access != Access::Get) {
        if (args.size() != 1 || member > HelpContext) throw ScriptError(err::WrongArgCount);
        const Variant& v = args[0];
        switch (member) {
        case Number:
            number_ = v.toLong();
            break;
        case Description:
            description_ = v.toString();
            break;
        case Source:
            source_ = v.toString();
            break;
        case HelpFile:
            helpFile_ = v.toString();
            break;
        case HelpContext:
            helpContext_ = v.toLong();
            break;
        default:
            break;
        }
        return {};
    }
    if (member == Raise) raise(args);
    if (!args.empty()) throw ScriptError(err::WrongArgCount);
    switch (member) {
    case Number:
        return Variant(static_cast<int32_t>(number_));
    case Description:
        return Variant(description_);
    case Source:
        return Variant(source_);
    case HelpFile:
        return Variant(helpFile_);
    case HelpContext:
        return Variant(static_cast<int32_t>(helpContext_));
    case Clear:
        clear();
        return {};
    default:
        throw ScriptError(err::NoSuchMember);
    }
}

void ErrObject::raise(std::span<const Variant> args) {
    if (args.empty() || args.size() > 5) throw ScriptError(err::WrongArgCount);
    const double requested = args[0].toDouble();
    if (requested < -2147483648.0 || requested > 4294967295.0) throw ScriptError(err::Overflow);
    int32_t number = requested > 2147483647.0
                         ? static_cast<int32_t>(static_cast<uint32_t>(requested))
                         : args[0].toLong();
    // HRESULTs of VBScript's own facility carry the plain number.
    if ((static_cast<uint32_t>(number) & 0xffff0000u) == 0x800a0000u)
        number &= 0xffff;
    else if (static_cast<uint32_t>(number) == 0x8007000eu)
        number = err::OutOfMemory;
    if (number == 0 || number > 65535) throw ScriptError(err::InvalidCall);

    auto given = [&](size_t i) { return args.size() > i && !args[i].isEmpty(); };
    ScriptError e(number);
    if (given(1)) e.source = args[1].toString();
    if (given(2)) e.description = args[2].toString();
    throw e;
}

} // namespace script
