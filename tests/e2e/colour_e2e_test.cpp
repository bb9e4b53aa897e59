// --color and --palette end to end, each output worked out by hand from the
// rules: a coloured line is its colour's sequence, the printed line without its
// newline, the reset, the newline; a changed word inside it is the word's
// sequence, the word, the reset and the line's sequence again. Defaults: rs 0,
// hd 1, ln 36, de 31, ad 32, dw 7;31, aw 7;32.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

const std::string RESET = "\x1b[0m";

std::string header(const std::string& text) { return "\x1b[36m" + text + RESET + "\n"; }
// A line of the first file (de) or the second (ad), with "{" and "}" around
// the changed words.
std::string coloured(const std::string& sgr, const std::string& words_sgr, const std::string& text) {
    std::string line = "\x1b[" + sgr + "m";
    for (char byte : text) {
        if (byte == '{') line += "\x1b[" + words_sgr + "m";
        else if (byte == '}') line += RESET + "\x1b[" + sgr + "m";
        else line += byte;
    }
    return line + RESET + "\n";
}
std::string de(const std::string& text) { return coloured("31", "7;31", text); }
std::string ad(const std::string& text) { return coloured("32", "7;32", text); }

TEST(Colour, HandWorkedReports) {
    // 今日は晴れです。 / 今日は雨です。: the tokens are 今日 は 晴 れです 。 and
    // 今日 は 雨 です 。; the common 今日 は 。 hold 8 of the 15 characters.
    const std::string utf8_kyou_wa = "今日は", utf8_hare_re_desu = "晴れです", utf8_ame_desu = "雨です";
    const std::string sjis_kyou_wa = "\x8d\xa1\x93\xfa\x82\xcd", sjis_hare_re_desu = "\x90\xb0\x82\xea\x82\xc5\x82\xb7",
                      sjis_ame_desu = "\x89\x4a\x82\xc5\x82\xb7", sjis_maru = "\x81\x42";
    expect_rows({
        {"UTF-8 Japanese: only the changed words", utf8_kyou_wa + utf8_hare_re_desu + "。\n",
         utf8_kyou_wa + utf8_ame_desu + "。\n", {"--utf8", "--color=always"},
         {header("change: 1 : 1") + de("\t今日は{晴れです}。") + "------\n" + ad("\t今日は{雨です}。"), "", 1}},
        {"Shift-JIS Japanese: the same words", sjis_kyou_wa + sjis_hare_re_desu + sjis_maru + "\n",
         sjis_kyou_wa + sjis_ame_desu + sjis_maru + "\n", {"--color=always"},
         {header("change: 1 : 1") + de("\t" + sjis_kyou_wa + "{" + sjis_hare_re_desu + "}" + sjis_maru) + "------\n" +
             ad("\t" + sjis_kyou_wa + "{" + sjis_ame_desu + "}" + sjis_maru), "", 1}},
        // 13 of 23 and 13 of 22 characters are common.
        {"an identifier is one word", "count = total_size + 1;\n", "count = total_len + 1;\n", {"--color=always"},
         {header("change: 1 : 1") + de("\tcount = {total_size} + 1;") + "------\n" + ad("\tcount = {total_len} + 1;"), "", 1}},
        // Only a blank is common: 2 of 21 characters.
        {"a dissimilar pair is coloured whole", "alpha beta\n", "gamma delta\n", {"--color=always"},
         {header("change: 1 : 1") + de("\talpha beta") + "------\n" + ad("\tgamma delta"), "", 1}},
        // The first line shares 34 of 45 characters with the second line of the
        // other side and only three blanks (6 of 41) with the first, which stays
        // whole.
        {"unequal line counts pair the most similar lines", "total = price * count;\n",
         "// new comment here\ntotal = price * amount;\n", {"--color=always"},
         {header("change: 1 : 1,2") + de("\ttotal = price * {count};") + "------\n" + ad("\t// new comment here") +
             ad("\ttotal = price * {amount};"), "", 1}},
        {"-i makes Foo and foo one word", "Foo bar\n", "foo baz\n", {"-i", "--color=always"},
         {header("change: 1 : 1") + de("\tFoo {bar}") + "------\n" + ad("\tfoo {baz}"), "", 1}},
        {"-b makes two blanks and one the same", "a  b c\n", "a b d\n", {"-b", "--color=always"},
         {header("change: 1 : 1") + de("\ta  b {c}") + "------\n" + ad("\ta b {d}"), "", 1}},
        // Without -b the runs differ; a, b and the blank after b are common (6 of 11).
        {"without -b the blank runs differ", "a  b c\n", "a b d\n", {"--color=always"},
         {header("change: 1 : 1") + de("\ta{  }b {c}") + "------\n" + ad("\ta{ }b {d}"), "", 1}},
        {"-t moves the words with the tabs", "a\tfoo bar\n", "a\tfoo baz\n", {"-t", "4", "--color=always"},
         {header("change: 1 : 1") + de("\ta   foo {bar}") + "------\n" + ad("\ta   foo {baz}"), "", 1}},
        // The in-line display's lines already show only what differs.
        {"-x lines are coloured as their side", "count = 10;\n", "count = 12;\n", {"-x", "--color=always"},
         {header("change: 1 : 1") + de("\t        10  ") + "------\n" + ad("\t        12  "), "", 1}},
        {"a custom palette; context lines stay plain", "x\ny\n", "y\n",
         {"-N", "-c1", "--palette=hd=4:ln=35:de=33", "--color=always"},
         {"\x1b[4m<< a : b >>" + RESET + "\n\x1b[35mDelete: 1,2 : 0" + RESET + "\n\x1b[33m-\tx" + RESET + "\n\ty\n", "", 1}},
        // File names bold, the hunk header a block header; the line without
        // newline is coloured, its note after it is not.
        {"the unified report", "keep\ncount = total_size + 1;\nend\n", "keep\ncount = total_len + 1;\nend",
         {"--unified", "--label", "A", "--label", "B", "--color=always"},
         {"\x1b[1m--- A" + RESET + "\n\x1b[1m+++ B" + RESET + "\n" + header("@@ -1,3 +1,3 @@") + " keep\n" +
             de("-count = {total_size} + 1;") + de("-end") + ad("+count = {total_len} + 1;") + ad("+end") +
             "\\ No newline at end of file\n", "", 1}},
        {"--color=never and --color into a pipe print no escape", "x\n", "y\n", {"--color=always", "--color=never"},
         {"change: 1 : 1\n\tx\n------\n\ty\n", "", 1}},
    });
}

}  // namespace
}  // namespace vesk::e2e
