// --encoding end to end. The bytes of each encoding are worked out from the
// charts: あ い う are CP932 82A0 82A2 82A4, EUC-JP A4A2 A4A4 A4A6, UTF-16
// 3042 3044 3046, UTF-8 E38182 E38184 E38186.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

const std::string AI = "\xE3\x81\x82\xE3\x81\x84\n", AU = "\xE3\x81\x82\xE3\x81\x86\n";  // あい あう in UTF-8
const std::string AU_CHANGE = "change: 1 : 1\n\t" + AI + "------\n\t" + AU;

std::string bytes(const char* text, std::size_t size) { return std::string(text, size); }

TEST(Encoding, EachEncodingAgainstUtf8) {
    const std::vector<Row> cases = {
        {"cp932", AI, "\x82\xA0\x82\xA4\n", {"--encoding=auto"}, {AU_CHANGE, "", 1}},
        {"euc-jp", AI, "\xA4\xA2\xA4\xA6\n", {"--encoding=auto"}, {AU_CHANGE, "", 1}},
        {"utf-16 without a mark, given", AI, bytes("\x42\x30\x46\x30\n\0", 6), {"--encoding=auto,utf-16"}, {AU_CHANGE, "", 1}},
        {"utf-16be with its mark", AI, bytes("\xFE\xFF\x30\x42\x30\x46\0\n", 8), {"--encoding=auto"}, {AU_CHANGE, "", 1}},
        {"utf-8 with its mark", AI, "\xEF\xBB\xBF" + AU, {"--encoding=UTF-8"}, {AU_CHANGE, "", 1}},
        // CR LF and the Ctrl-Z that ends the text are read from the decoded text.
        {"utf-16le text rules", AI, bytes("\x42\x30\x44\x30\r\0\n\0\x1A\0", 10), {"--encoding=utf-8,utf-16"}, {"", "", 0}},
        {"a mixed pair", "\x82\xA0\x82\xA2\n", "\xA4\xA2\xA4\xA4\n", {"-N", "--encoding=sjis,EUC-JP"},
         {"<< a (cp932) : b (euc-jp) >>\n", "", 0}},
        {"the header names what auto chose", "\x82\xA0\x82\xA2\n", AI, {"-N", "--encoding=auto"},
         {"<< a (cp932) : b (utf-8) >>\n", "", 0}},
        // Line 2 of the text is line 2 of the report, whatever the bytes.
        {"line numbers", bytes("x\0\n\0\x42\x30\n\0", 8), "x\n\xE3\x81\x84\n", {"--encoding=utf-16,utf-8"},
         {"change: 2 : 2\n\t\xE3\x81\x82\n------\n\t\xE3\x81\x84\n", "", 1}},
        {"a control character decoded", AI, bytes("\x01\0\n\0", 4), {"--encoding=auto,utf-16"}, {"", "b: no text file\n", 2}},
        {"a bad name", AI, AI, {"--encoding=latin1"},
         {"", "--encoding=latin1: unknown encoding (use auto, cp932, shift_jis, sjis, euc-jp, utf-8 or utf-16, or two of them as E1,E2)\n", 2}},
        {"three names", AI, AI, {"--encoding=auto,auto,auto"},
         {"", "--encoding=auto,auto,auto: unknown encoding (use auto, cp932, shift_jis, sjis, euc-jp, utf-8 or utf-16, or two of them as E1,E2)\n", 2}},
    };
    expect_rows(cases);
}

// Two texts that differ, however little, are never "the same"; only a
// byte-order mark, which is not text, may be all that two equal texts differ in.
TEST(Encoding, NeverAWrongSame) {
    const Row cases[] = {
        {"raw bytes, given", "x\x85\x40\n", "x\x86\x40\n", {"--encoding=cp932"},
         {"change: 1 : 1\n\tx\x85@\n------\n\tx\x86@\n", "", 1}},
        {"raw bytes, auto", "x\x85\x40\n", "x\x86\x40\n", {"--encoding=auto"}, {"", "", 1}},
        {"one kana, auto", "\x82\xA0\x82\xA2\n", "\x82\xA0\x82\xA4\n", {"--encoding=auto"}, {"", "", 1}},
        {"only a mark", "\xEF\xBB\xBF" + AI, AI, {"--encoding=auto"}, {"", "", 0}},
        {"only a mark, utf-16", bytes("\xFF\xFE\x42\x30\n\0", 6), bytes("\x42\x30\n\0", 4), {"--encoding=utf-16"}, {"", "", 0}},
    };
    for (const Row& test : cases) {
        Outcome outcome = compare(test.first, test.second, test.options);
        if (test.expected.out.empty() && test.expected.status == 1) outcome.out.clear();  // only the status matters
        EXPECT_EQ(outcome, test.expected) << test.what;
    }
}

}  // namespace
}  // namespace vesk::e2e
