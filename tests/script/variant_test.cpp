// Variant conversions and operators against VBScript's rules.

#include "script/operators.h"
#include "script/variant.h"

#include <gtest/gtest.h>

namespace {

using script::Variant;
using script::VarType;

int thrown(auto&& f) {
    try {
        f();
    } catch (const script::ScriptError& e) {
        return e.number;
    }
    return 0;
}

TEST(Variant, IsSmall) {
    EXPECT_EQ(sizeof(Variant), 16u);
}

TEST(Variant, CopiesShareStringsAndArraysCopyOnWrite) {
    Variant a = Variant::array(std::vector<Variant>{Variant("x"), Variant(1.0)});
    Variant b = a;
    b.mutableArray().items[0] = Variant("changed");
    EXPECT_EQ(a.rawArray().items[0].toString(), "x");
    EXPECT_EQ(b.rawArray().items[0].toString(), "changed");
}

struct NumberText {
    const char* text;
    bool valid;
    double value;
};

class ParseNumber : public testing::TestWithParam<NumberText> {};

TEST_P(ParseNumber, FollowsVBScript) {
    double v = -999;
    EXPECT_EQ(script::parseNumber(GetParam().text, v), GetParam().valid) << GetParam().text;
    if (GetParam().valid) {
        EXPECT_DOUBLE_EQ(v, GetParam().value) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseNumber,
    testing::Values(NumberText{"12", true, 12}, NumberText{" -3.5 ", true, -3.5},
                    NumberText{"1e3", true, 1000}, NumberText{"&HFF", true, 255},
                    NumberText{"&hFFFF", true, -1}, NumberText{"&o17", true, 15},
                    NumberText{"1,000", true, 1000}, NumberText{".5", true, 0.5},
                    NumberText{"", false, 0}, NumberText{"abc", false, 0},
                    NumberText{"1e", false, 0}, NumberText{"1 2", false, 0},
                    NumberText{"--1", false, 0}, NumberText{"1e999", false, 0}));

struct DoubleText {
    double value;
    const char* text;
};

class FormatDouble : public testing::TestWithParam<DoubleText> {};

TEST_P(FormatDouble, UsesFifteenSignificantDigits) {
    EXPECT_EQ(script::formatDouble(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, FormatDouble,
                         testing::Values(DoubleText{1.5, "1.5"}, DoubleText{-0.0, "0"},
                                         DoubleText{1.0 / 3, "0.333333333333333"},
                                         DoubleText{123456789012345.0, "123456789012345"},
                                         DoubleText{1e15, "1E+15"}, DoubleText{0.0001, "0.0001"},
                                         DoubleText{0.00001, "1E-05"},
                                         DoubleText{2.5e-10, "2.5E-10"},
                                         DoubleText{0.1 + 0.2, "0.3"}));

TEST(Variant, RoundsHalvesToEvenWhenNarrowing) {
    EXPECT_EQ(Variant(0.5).toInteger(), 0);
    EXPECT_EQ(Variant(1.5).toInteger(), 2);
    EXPECT_EQ(Variant(-2.5).toLong(), -2);
    EXPECT_EQ(Variant(2.500001).toLong(), 3);
    EXPECT_EQ(thrown([] { Variant(32767.5).toInteger(); }), 6);
    EXPECT_EQ(Variant(-32768.5).toInteger(), -32768);
    EXPECT_EQ(thrown([] { Variant(256.0).toByte(); }), 6);
}

TEST(Variant, ConversionErrors) {
    EXPECT_EQ(thrown([] { Variant::null().toString(); }), 94);
    EXPECT_EQ(thrown([] { Variant("abc").toDouble(); }), 13);
    EXPECT_EQ(thrown([] { Variant("").toBool(); }), 13);
    EXPECT_EQ(thrown([] { Variant::nothing().toLong(); }), 91);
    EXPECT_EQ(thrown([] { Variant(1.0).toObject(); }), 424);
    EXPECT_TRUE(Variant("#TRUE#").toBool());
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_EQ(Variant(true).toString(), "True");
}

TEST(Variant, TypesAndNames) {
    EXPECT_EQ(Variant().type(), VarType::Empty);
    EXPECT_EQ(Variant::integer(1).type(), VarType::Integer);
    EXPECT_EQ(Variant(static_cast<int32_t>(1)).type(), VarType::Long);
    EXPECT_EQ(Variant::smallestInteger(40000).type(), VarType::Long);
    EXPECT_EQ(script::typeName(Variant::date(1)), "Date");
    EXPECT_EQ(script::typeName(Variant::nothing()), "Nothing");
    EXPECT_EQ(Variant::date(36526).toString(), "1/1/2000");
}

Variant binary(script::ops::BinOp op, const Variant& a, const Variant& b, bool aLit = false,
               bool bLit = false) {
    Variant out;
    script::ops::binary(op, a, b, out, aLit, bLit);
    return out;
}

using script::ops::BinOp;

TEST(Operators, PromoteOnOverflow) {
    EXPECT_EQ(binary(BinOp::Add, Variant::integer(32767), Variant::integer(1)).type(),
              VarType::Long);
    EXPECT_EQ(binary(BinOp::Mul, Variant(static_cast<int32_t>(100000)),
                     Variant(static_cast<int32_t>(100000)))
                  .type(),
              VarType::Double);
    EXPECT_EQ(binary(BinOp::Add, Variant::byte(200), Variant::byte(100)).type(), VarType::Integer);
    EXPECT_EQ(binary(BinOp::Add, Variant::byte(2), Variant::byte(3)).type(), VarType::Byte);
    EXPECT_EQ(binary(BinOp::Sub, Variant::date(10), Variant::date(4)).type(), VarType::Double);
    EXPECT_EQ(binary(BinOp::Add, Variant::date(10), Variant::integer(1)).type(), VarType::Date);
}

TEST(Operators, DivisionErrors) {
    EXPECT_EQ(thrown([] { binary(BinOp::Div, Variant(1.0), Variant()); }), 11);
    EXPECT_EQ(thrown([] { binary(BinOp::IntDiv, Variant(1.0), Variant(0.4)); }), 11);
    EXPECT_EQ(thrown([] { binary(BinOp::Add, Variant("a"), Variant(1.0)); }), 13);
}

struct CompareCase {
    const char* name;
    Variant a, b;
    bool aLiteral, bLiteral;
    int expected; // -1, 0, 1, 2 = Null, 13 = Type mismatch
};

std::ostream& operator<<(std::ostream& os, const CompareCase& c) {
    return os << c.name;
}

class Compare : public testing::TestWithParam<CompareCase> {};

TEST_P(Compare, FollowsTheLiteralRules) {
    const CompareCase& c = GetParam();
    int r;
    try {
        r = script::ops::compare(c.a, c.b, c.aLiteral, c.bLiteral);
    } catch (const script::ScriptError& e) {
        r = e.number;
    }
    EXPECT_EQ(r, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Compare,
    testing::Values(
        CompareCase{"LiteralTextLiteralNumber", Variant("10"), Variant::integer(9), true, true, 1},
        CompareCase{"LiteralTextComputedNumber", Variant("10"), Variant::integer(9), true, false,
                    -1},
        CompareCase{"ComputedTextLiteralNumber", Variant("10"), Variant::integer(9), false, true,
                    1},
        CompareCase{"ComputedTextComputedNumber", Variant("1"), Variant::integer(9), false, false,
                    1},
        CompareCase{"NumberFirst", Variant::integer(9), Variant("1"), false, false, -1},
        CompareCase{"NonNumericLiteral", Variant("abc"), Variant::integer(5), true, true, 13},
        CompareCase{"EmptyAndZero", Variant(), Variant::integer(0), false, false, 0},
        CompareCase{"EmptyAndText", Variant(), Variant(""), false, false, 0},
        CompareCase{"Null", Variant::null(), Variant::integer(0), false, false, 2},
        CompareCase{"BooleanText", Variant("True"), Variant(true), false, true, 0},
        CompareCase{"Binary", Variant("a"), Variant("B"), false, false, 1},
        CompareCase{"Array", Variant::array(std::vector<Variant>{}), Variant::null(), false, false,
                    13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Operators, NullLogic) {
    EXPECT_TRUE(binary(BinOp::And, Variant::null(), Variant(true)).isNull());
    EXPECT_FALSE(binary(BinOp::And, Variant::null(), Variant(false)).toBool());
    EXPECT_TRUE(binary(BinOp::Or, Variant::null(), Variant(true)).toBool());
    EXPECT_TRUE(binary(BinOp::Or, Variant::null(), Variant(false)).isNull());
    EXPECT_EQ(binary(BinOp::Concat, Variant::null(), Variant("a")).toString(), "a");
    EXPECT_TRUE(binary(BinOp::Concat, Variant::null(), Variant::null()).isNull());
}

} // namespace
