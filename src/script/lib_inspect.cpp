// Inspection and array functions, the shared helpers, and the vb* constants.

#include "script/datetime.h"
#include "script/library.h"

namespace script::library {

const Variant& notNull(const Variant& v) {
    if (v.isNull()) throw ScriptError(err::InvalidUseOfNull);
    return v;
}

int32_t longArg(const Variant& v) {
    return notNull(v).toLong();
}

void require(bool ok) {
    if (!ok) throw ScriptError(err::InvalidCall);
}

namespace {

// The dimension argument of LBound/UBound (1-based), checked against the array.
int dimensionArg(const ArrayData& a, std::span<const Variant> args) {
    const int d = args.size() > 1 ? longArg(args[1]) : 1;
    if (d < 1 || d > a.dimensions()) throw ScriptError(err::SubscriptOutOfRange);
    return d - 1;
}

const ArrayData& arrayArg(const Variant& v) {
    if (!v.isArray()) throw ScriptError(err::TypeMismatch);
    return v.rawArray();
}

bool isNumeric(const Variant& v) {
    switch (v.tag()) {
    case Variant::Tag::Empty:
    case Variant::Tag::Boolean:
    case Variant::Tag::Byte:
    case Variant::Tag::Integer:
    case Variant::Tag::Long:
    case Variant::Tag::Single:
    case Variant::Tag::Double:
    case Variant::Tag::Currency:
        return true;
    case Variant::Tag::String: {
        double d;
        return parseNumber(v.rawString(), d);
    }
    case Variant::Tag::Object:
        if (!v.rawObject()) return false;
        try {
            return isNumeric(v.defaultValue());
        } catch (const ScriptError&) {
            return false;
        }
    default:
        return false;
    }
}

} // namespace

void addInspection(Engine& e) {
    e.addFunction(
        "IsArray", [](auto a) { return Variant(a[0].isArray()); }, 1, 1);
    e.addFunction(
        "IsEmpty", [](auto a) { return Variant(a[0].isEmpty()); }, 1, 1);
    e.addFunction(
        "IsNull", [](auto a) { return Variant(a[0].isNull()); }, 1, 1);
    e.addFunction(
        "IsObject", [](auto a) { return Variant(a[0].isObject()); }, 1, 1);
    e.addFunction(
        "IsNumeric", [](auto a) { return Variant(isNumeric(a[0])); }, 1, 1);
    e.addFunction(
        "IsDate",
        [](auto a) {
            if (a[0].tag() == Variant::Tag::Date) return Variant(true);
            if (!a[0].isString()) return Variant(false);
            double serial = datetime::serialFromDate(2000, 1, 1);
            return Variant(datetime::parseDate(a[0].rawString(), serial));
        },
        1, 1);
    e.addFunction(
        "VarType",
        [](auto a) {
            return Variant::integer(static_cast<int16_t>(static_cast<int>(a[0].type())));
        },
        1, 1);
    e.addFunction(
        "TypeName", [](auto a) { return Variant(typeName(a[0])); }, 1, 1);
    e.addFunction(
        "LBound",
        [](auto a) {
            dimensionArg(arrayArg(a[0]), a);
            return Variant(static_cast<int32_t>(0));
        },
        1, 2);
    e.addFunction(
        "UBound",
        [](auto a) {
            const ArrayData& arr = arrayArg(a[0]);
            return Variant(arr.upperBound(dimensionArg(arr, a)));
        },
        1, 2);
    e.addFunction(
        "Array", [](auto a) { return Variant::array(std::vector<Variant>(a.begin(), a.end())); }, 0,
        kAnyCount);
    e.addFunction(
        "ScriptEngine", [](auto) { return Variant("VBScript"); }, 0, 0);
    e.addFunction(
        "ScriptEngineMajorVersion", [](auto) { return Variant(static_cast<int32_t>(5)); }, 0, 0);
    e.addFunction(
        "ScriptEngineMinorVersion", [](auto) { return Variant(static_cast<int32_t>(8)); }, 0, 0);
    e.addFunction(
        "ScriptEngineBuildVersion", [](auto) { return Variant(static_cast<int32_t>(16384)); }, 0,
        0);
    // The engine formats and parses numbers and dates the United States
    // English way (locale 1033) only; SetLocale accepts that locale alone.
    e.addFunction(
        "GetLocale", [](auto) { return Variant(static_cast<int32_t>(1033)); }, 0, 0);
    e.addFunction(
        "SetLocale",
        [](auto a) {
            if (!a.empty() && !a[0].isEmpty()) {
                const Variant& v = notNull(a[0]);
                const bool ok = v.isString() ? sameName(v.rawString(), "en-us")
                                             : (v.toLong() == 1033 || v.toLong() == 0);
                require(ok);
            }
            return Variant(static_cast<int32_t>(1033));
        },
        0, 1);
}

void addConstants(Engine& e) {
    auto i2 = [](int v) { return Variant::integer(static_cast<int16_t>(v)); };
    e.addConstant("vbCr", "\r");
    e.addConstant("vbLf", "\n");
    e.addConstant("vbCrLf", "\r\n");
    e.addConstant("vbNewLine", "\r\n");
    e.addConstant("vbTab", "\t");
    e.addConstant("vbFormFeed", "\f");
    e.addConstant("vbVerticalTab", "\v");
    e.addConstant("vbNullChar", std::string(1, '\0'));
    e.addConstant("vbNullString", "");
    const struct {
        const char* name;
        int value;
    } shorts[] = {
        {"vbEmpty", 0},
        {"vbNull", 1},
        {"vbInteger", 2},
        {"vbLong", 3},
        {"vbSingle", 4},
        {"vbDouble", 5},
        {"vbCurrency", 6},
        {"vbDate", 7},
        {"vbString", 8},
        {"vbObject", 9},
        {"vbError", 10},
        {"vbBoolean", 11},
        {"vbVariant", 12},
        {"vbDataObject", 13},
        {"vbDecimal", 14},
        {"vbByte", 17},
        {"vbArray", 8192},
        {"vbTrue", -1},
        {"vbFalse", 0},
        {"vbUseDefault", -2},
        {"vbBinaryCompare", 0},
        {"vbTextCompare", 1},
        {"vbDatabaseCompare", 2},
        {"vbOKOnly", 0},
        {"vbOKCancel", 1},
        {"vbAbortRetryIgnore", 2},
        {"vbYesNoCancel", 3},
        {"vbYesNo", 4},
        {"vbRetryCancel", 5},
        {"vbCritical", 16},
        {"vbQuestion", 32},
        {"vbExclamation", 48},
        {"vbInformation", 64},
        {"vbDefaultButton1", 0},
        {"vbDefaultButton2", 256},
        {"vbDefaultButton3", 512},
        {"vbDefaultButton4", 768},
        {"vbApplicationModal", 0},
        {"vbSystemModal", 4096},
        {"vbOK", 1},
        {"vbCancel", 2},
        {"vbAbort", 3},
        {"vbRetry", 4},
        {"vbIgnore", 5},
        {"vbYes", 6},
        {"vbNo", 7},
        {"vbSunday", 1},
        {"vbMonday", 2},
        {"vbTuesday", 3},
        {"vbWednesday", 4},
        {"vbThursday", 5},
        {"vbFriday", 6},
        {"vbSaturday", 7},
        {"vbUseSystemDayOfWeek", 0},
        {"vbFirstFourDays", 2},
        {"vbFirstFullWeek", 3},
        {"vbFirstJan1", 1},
        {"vbUseSystem", 0},
        {"vbGeneralDate", 0},
        {"vbLongDate", 1},
        {"vbShortDate", 2},
        {"vbLongTime", 3},
        {"vbShortTime", 4},
    };
    for (const auto& c : shorts)
        e.addConstant(c.name, i2(c.value));
    const struct {
        const char* name;
        int32_t value;
    } longs[] = {
        {"vbBlack", 0},
        {"vbRed", 0xFF},
        {"vbGreen", 0xFF00},
        {"vbBlue", 0xFF0000},
        {"vbYellow", 0xFFFF},
        {"vbMagenta", 0xFF00FF},
        {"vbCyan", 0xFFFF00},
        {"vbWhite", 0xFFFFFF},
        {"vbObjectError", INT32_MIN + 0x40000},
        {"vbMsgBoxHelpButton", 16384},
        {"vbMsgBoxSetForeground", 65536},
        {"vbMsgBoxRight", 524288},
        {"vbMsgBoxRtlReading", 1048576},
    };
    for (const auto& c : longs)
        e.addConstant(c.name, Variant(c.value));
}

} // namespace script::library
