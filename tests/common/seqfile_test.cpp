// The sequential "write" file convention.

#include "common/read_error.h"
#include "common/seqfile.h"
#include "common/vb_error.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace common;

namespace {

template <typename F> int errorOf(F f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

TEST(SeqWriter, WritesOneValuePerCrLfLineInWindowsBytes) {
    SeqWriter w;
    w.writeText("C:\\QEX_ARV1files\\a.atp");
    w.writeNumber(0.5);
    w.writeNumber(1.5e-7);
    w.writeSingle(0.1f);
    w.writeInteger(-32768);
    w.writeText("");
    // Windows bytes, and double quotes replaced.
    w.writeText("20 \u00B0C \u20AC");
    w.writeText("say \"hi\"");
    EXPECT_EQ(w.bytes(),
              "\"C:\\QEX_ARV1files\\a.atp\"\r\n0.5\r\n1.5E-07\r\n0.1\r\n-32768\r\n\"\"\r\n"
              "\"20 \xB0"
              "C \x80\"\r\n\"say ''hi''\"\r\n");
}

TEST(SeqRoundTrip, EveryValueReadsBackAsWritten) {
    std::mt19937_64 rng(99);
    SeqWriter w;
    std::vector<double> doubles;
    std::vector<float> singles;
    const std::string texts[] = {"",           "plain",         "a, b, c",
                                 "  padded  ", "line\r\nbreak", "caf\u00E9 \u2013 \u20AC",
                                 "tab\there"};
    for (int i = 0; i < 2000; ++i) {
        double d = std::bit_cast<double>(rng());
        if (!std::isfinite(d)) d = static_cast<double>(i) / 7.0;
        float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
        if (!std::isfinite(f)) f = static_cast<float>(i) / 3.0f;
        doubles.push_back(d);
        singles.push_back(f);
        w.writeNumber(d);
        w.writeSingle(f);
        w.writeInteger(i - 1000);
        w.writeText(texts[i % std::size(texts)]);
    }
    SeqReader r(w.bytes());
    for (int i = 0; i < 2000; ++i) {
        const double d = r.readDouble();
        ASSERT_TRUE(d == doubles[static_cast<std::size_t>(i)]) << i;
        const float f = r.readSingle();
        ASSERT_TRUE(f == singles[static_cast<std::size_t>(i)]) << i;
        ASSERT_EQ(r.readInt16(), i - 1000);
        ASSERT_EQ(r.readText(), texts[i % std::size(texts)]);
    }
    EXPECT_TRUE(r.atEnd());
}

TEST(SeqReader, AcceptsCrLfLfAndCrLineEnds) {
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        const std::string e = eol;
        SeqReader r("\"a\"" + e + "12" + e + "-3.5" + e);
        EXPECT_EQ(r.readText(), "a");
        EXPECT_EQ(r.readInt16(), 12);
        EXPECT_EQ(r.readDouble(), -3.5);
        EXPECT_TRUE(r.atEnd());
        EXPECT_EQ(errorOf([&] { r.readText(); }), 62);
    }
}

TEST(SeqReader, SplitsCommaSeparatedFields) {
    SeqReader r("1,2, 3 ,\"x,y\"\r\n\t\"a b\"  \r\n  hello world  \r\n\"ab\"cd,5");
    EXPECT_EQ(r.readInt16(), 1);
    EXPECT_EQ(r.readInt16(), 2);
    EXPECT_EQ(r.readText(), "3");
    EXPECT_EQ(r.readText(), "x,y");
    EXPECT_EQ(r.readText(), "a b");
    EXPECT_EQ(r.readText(), "hello world");
    EXPECT_EQ(r.readText(), "ab"); // what follows a closing quote is skipped
    EXPECT_EQ(r.readByte(), 5);
    EXPECT_TRUE(r.atEnd());
}

TEST(SeqReader, EmptyLinesAreEmptyFields) {
    SeqReader r("1\r\n\r\n2\r\n");
    EXPECT_EQ(r.readDouble(), 1);
    EXPECT_EQ(r.readText(), "");
    EXPECT_EQ(r.readDouble(), 2);
    EXPECT_TRUE(r.atEnd());
    SeqReader empty("");
    EXPECT_TRUE(empty.atEnd());
    EXPECT_EQ(errorOf([&] { empty.readDouble(); }), 62);
}

TEST(SeqReader, NumbersConvertByTheirLeadingNumber) {
    SeqReader r("abc\r\n12abc\r\n\"7.25\"\r\n2.5\r\n3.5\r\n-0.5\r\n");
    EXPECT_EQ(r.readDouble(), 0);
    EXPECT_EQ(r.readInt32(), 12);
    EXPECT_EQ(r.readSingle(), 7.25f);
    EXPECT_EQ(r.readInt16(), 2);
    EXPECT_EQ(r.readInt16(), 4);
    EXPECT_EQ(r.readByte(), 0);
}

TEST(SeqReader, OutOfRangeNumbersRaiseOverflowAndMoveOn) {
    SeqReader r("32768\r\n256\r\n2147483648\r\n1e39\r\n9\r\n");
    EXPECT_EQ(errorOf([&] { r.readInt16(); }), 6);
    EXPECT_EQ(errorOf([&] { r.readByte(); }), 6);
    EXPECT_EQ(errorOf([&] { r.readInt32(); }), 6);
    EXPECT_EQ(errorOf([&] { r.readSingle(); }), 6);
    EXPECT_EQ(r.readInt16(), 9);
}

TEST(SeqReader, RefusalsNameTheFileTheLineAndWhatWasExpected) {
    auto refusal = [](const std::string& bytes, auto read) {
        SeqReader r(bytes, "c:\\QEX_ARV1files\\t.atp");
        r.setOneValuePerLine(true);
        try {
            read(r);
        } catch (const ReadError& e) {
            return std::to_string(e.number()) + " " + e.what();
        }
        return std::string("read");
    };
    const std::string file = "c:\\QEX_ARV1files\\t.atp";
    EXPECT_EQ(refusal("1\r\n1000,5\r\n",
                      [](SeqReader& r) {
                          r.readInt16();
                          r.readDouble("Start");
                      }),
              "13 " + file + ", line 2: expected a number for Start, found \"1000,5\"");
    EXPECT_EQ(refusal("\"a\"\n\n99999\n",
                      [](SeqReader& r) {
                          r.readText();
                          r.readText();
                          r.readInt16("N");
                      }),
              "6 " + file +
                  ", line 3: expected a whole number from -32768 to 32767 for N, found \"99999\"");
    EXPECT_EQ(
        refusal("1\r\n",
                [](SeqReader& r) {
                    r.readInt16();
                    r.readByte("B");
                }),
        "62 " + file +
            ", line 2: expected a whole number from 0 to 255 for B, found the end of the file");
    EXPECT_EQ(refusal("1\r\n\"abc,def\r\nxyz",
                      [](SeqReader& r) {
                          r.readInt16();
                          r.readText();
                      }),
              "62 " + file + ", line 2: expected a closing quote, found the end of the file");
    EXPECT_EQ(refusal("1\r\n\r\n2\r\n",
                      [](SeqReader& r) {
                          r.readInt16();
                          r.expectEnd();
                      }),
              "13 " + file + ", line 3: expected the end of the file, found \"2\"");
    // A byte-order mark is no part of the first value.
    EXPECT_EQ(refusal("\xEF\xBB\xBF"
                      "20\r\n",
                      [](SeqReader& r) {
                          EXPECT_EQ(r.readInt16(), 20);
                          r.expectEnd();
                      }),
              "read");
}

TEST(SeqReader, KeepsNulBytesAndConvertsWindowsBytes) {
    SeqReader r(std::string("\"a\0b\"\r\n5\0"
                            "9\r\n\"\x80\"",
                            15));
    EXPECT_EQ(r.readText(), std::string("a\0b", 3));
    EXPECT_EQ(r.readInt16(), 5);
    EXPECT_EQ(r.readText(), "\u20AC");
}

TEST(SeqReader, ReadsAMegabyteLine) {
    const std::string big(1 << 20, 'x');
    SeqReader r(big + "\r\n\"" + big + "\"\r\n5\r\n");
    EXPECT_EQ(r.readText(), big);
    EXPECT_EQ(r.readText(), big);
    EXPECT_EQ(r.readInt16(), 5);
    EXPECT_TRUE(r.atEnd());
}

TEST(SeqReader, RandomGarbageIsReadToTheEndWithoutFailing) {
    std::mt19937 rng(1234);
    const char alphabet[] = "\"\r\n, \t0123456789.-eE&Habc\0\xFF\x80";
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 4096, '\0');
        for (char& c : bytes)
            c = round % 2 ? static_cast<char>(rng()) : alphabet[rng() % (sizeof alphabet - 1)];
        SeqReader r(bytes);
        std::size_t reads = 0;
        while (!r.atEnd()) {
            ASSERT_LE(++reads, bytes.size()) << "no progress";
            int e = 0;
            switch (reads % 4) {
            case 0:
                e = errorOf([&] { r.readText(); });
                break;
            case 1:
                e = errorOf([&] { r.readDouble(); });
                break;
            case 2:
                e = errorOf([&] { r.readInt16(); });
                break;
            default:
                e = errorOf([&] { r.readSingle(); });
                break;
            }
            ASSERT_TRUE(e == 0 || e == 6 || e == 62) << e;
        }
        EXPECT_EQ(errorOf([&] { r.readText(); }), 62);
    }
}

} // namespace
