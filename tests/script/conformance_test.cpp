// Runs every tests/script/vbs/*.vbs file as one test case.
//
// A script checks its results through the host function ok(condition,
// message). It may also state, in comments:
//   '> text                      a line that Echo must print, in order
//   '! error NUMBER line LINE [DESCRIPTION]
//                                the run must end with this error (the
//                                description, when given, must match the
//                                text the host sees)
// Without a '! line the script must run to the end without an error.

#include "script/engine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

fs::path scriptDir() {
    return fs::path(ARV1_SOURCE_DIR) / "tests" / "script" / "vbs";
}

std::vector<std::string> scriptNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scriptDir()))
        if (entry.path().extension() == ".vbs") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Expectations {
    std::vector<std::string> output;
    int errorNumber = 0;
    int errorLine = 0;
    std::string errorDescription;
};

Expectations readExpectations(const std::string& text) {
    Expectations x;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        const std::string_view l = std::string_view(line).substr(start);
        if (l.rfind("'> ", 0) == 0 || l == "'>") {
            x.output.emplace_back(l.size() > 3 ? l.substr(3) : "");
        } else if (l.rfind("'! error ", 0) == 0) {
            std::istringstream e{std::string(l.substr(9))};
            std::string word;
            e >> x.errorNumber >> word >> x.errorLine;
            std::getline(e, x.errorDescription);
            const size_t d = x.errorDescription.find_first_not_of(' ');
            x.errorDescription = d == std::string::npos ? "" : x.errorDescription.substr(d);
        }
    }
    return x;
}

class Conformance : public testing::TestWithParam<std::string> {};

TEST_P(Conformance, Script) {
    const fs::path file = scriptDir() / (GetParam() + ".vbs");
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const Expectations expected = readExpectations(text);

    script::Engine engine;
    int checks = 0;
    std::vector<std::string> failures;
    std::vector<std::string> output;
    engine.addFunction(
        "ok",
        [&](std::span<const script::Variant> a) {
            ++checks;
            bool pass = false;
            try {
                pass = !a[0].isNull() && a[0].toBool();
            } catch (const script::ScriptError&) {
            }
            if (!pass) failures.push_back(a.size() > 1 && !a[1].isNull() ? a[1].toString() : "?");
            return script::Variant();
        },
        1, 2);
    engine.addFunction("Echo", [&](std::span<const script::Variant> a) {
        std::string line;
        for (size_t i = 0; i < a.size(); ++i) {
            if (i) line += ' ';
            line += a[i].isNull() ? std::string("Null") : a[i].toString();
        }
        output.push_back(line);
        return script::Variant();
    });

    const bool ran = engine.addCode(text, file.filename().string());
    const script::ErrorInfo& err = engine.lastError();
    if (expected.errorNumber) {
        EXPECT_FALSE(ran) << "expected error " << expected.errorNumber;
        EXPECT_EQ(err.number, expected.errorNumber) << err.description;
        EXPECT_EQ(err.line, expected.errorLine) << err.description;
        if (!expected.errorDescription.empty()) {
            EXPECT_EQ(err.description, expected.errorDescription);
        }
    } else {
        EXPECT_TRUE(ran) << file.filename().string() << '(' << err.line << ") " << err.description;
    }
    for (const std::string& f : failures)
        ADD_FAILURE() << "ok() failed: " << f;
    if (!expected.output.empty()) {
        EXPECT_EQ(output, expected.output);
    }
    if (expected.output.empty() && !expected.errorNumber) {
        EXPECT_GT(checks, 0) << "no ok() checks ran";
    }
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string n = info.param;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
}

INSTANTIATE_TEST_SUITE_P(Vbs, Conformance, testing::ValuesIn(scriptNames()), testName);

} // namespace
