#include "driver/identical_files.h"

#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_harness.h"

namespace vesk {
namespace {

bool shortcut_taken(const std::string& first, const std::string& second) {
    e2e::ScratchDir dir;
    dir.write("a", first);
    dir.write("b", second);
    TextFile a, b;
    EXPECT_TRUE(a.open((dir.path() + "/a").c_str()));
    EXPECT_TRUE(b.open((dir.path() + "/b").c_str()));
    return identical_text_files(a, b);
}

struct Case {
    const char* name;
    std::string first, second;
    bool taken;
};

TEST(IdenticalTextFiles, AppliesOnlyWhereTheFullComparisonCouldNotSayMore) {
    std::string long_text;
    for (int line = 0; line < 100000; ++line) long_text += "line\twith tab " + std::to_string(line) + "\r\n";
    const Case cases[] = {
        {"empty", "", "", true},
        {"text with tabs, CR LF, form feed, escape", "a\tb\r\n\x0c\x1b\n", "a\tb\r\n\x0c\x1b\n", true},
        {"several blocks", long_text, long_text, true},
        {"padding after Ctrl-Z", "a\n\x1a\r\n\x1a", "a\n\x1a\r\n\x1a", true},
        {"text after Ctrl-Z", "a\n\x1a" "b\n", "a\n\x1a" "b\n", false},
        {"control byte", "a\x01\n", "a\x01\n", false},
        {"control byte in a later block", long_text + "\x02", long_text + "\x02", false},
        {"NUL", std::string("a\0b\n", 4), std::string("a\0b\n", 4), false},
        {"different sizes", "a\n", "a\n\n", false},
        {"same size, one byte differs", long_text + "x", long_text + "y", false},
    };
    for (const Case& c : cases) EXPECT_EQ(shortcut_taken(c.first, c.second), c.taken) << c.name;
}

}  // namespace
}  // namespace vesk
