#include "support/message_format.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

std::string format(const char* pattern, MessageArgs args = {}) {
    MessageBuffer buffer;
    return std::string(format_message(buffer, pattern, args));
}

struct FormatCase {
    const char* name;
    const char* format;
    std::string expected;
};

TEST(FormatMessage, ConversionsAndEscapes) {
    const FormatCase cases[] = {
        {"backslash drops itself", "a\\%b", "a%b"},
        {"backslash before letter", "\\n", "n"},
        {"trailing backslash kept", "ab\\", "ab\\"},
        {"double percent", "100%% sure", "100%% sure"},
        {"width is no conversion", "%5d", "%5d"},
        {"lone percent at end", "50%", "50%"},
    };
    for (const auto& c : cases) EXPECT_EQ(format(c.format), c.expected) << c.name;

    EXPECT_EQ(format("%c|%d|%x|%s", {'Z', -42, 255, "name"}), "Z|-42|ff|name");
    EXPECT_EQ(format("%f", {2.5}), "2.500000");
    EXPECT_EQ(format("%s: not found\n", {"dir/file"}), "dir/file: not found\n");
    // "%5d" takes no value, so the next conversion still gets the first one.
    EXPECT_EQ(format("%5d %d", {7}), "%5d 7");
}

TEST(FormatMessage, ShiftJisSecondBytesAreNeverSpecial) {
    // 0x95 0x5C is one character whose second byte looks like a backslash;
    // 0x81 0x25 one whose second byte looks like "%".
    EXPECT_EQ(format("\x95\x5C" "n %d", {1}), "\x95\x5C" "n 1");
    EXPECT_EQ(format("\x81\x25" "d %d", {2}), "\x81\x25" "d 2");
}

TEST(FormatMessage, StringThatFillsTheLimitEndsTheMessage) {
    std::string exactly(1024, 'n');
    EXPECT_EQ(format("%s: not found\n", {exactly.c_str()}), exactly);
}

TEST(FormatMessage, LongerStringIsCutAt768AndTheFormatGoesOn) {
    std::string longer(1025, 'n');
    EXPECT_EQ(format("%s: not found\n", {longer.c_str()}), std::string(768, 'n') + ": not found\n");
    // After some text, the cut still ends the text so far at byte 768.
    EXPECT_EQ(format("ab%s!", {longer.c_str()}), "ab" + std::string(766, 'n') + "!");
}

TEST(FormatMessage, Utf8CutsFallBetweenCharacters) {
    std::string hiragana;  // 400 times あ, three bytes each
    for (int count = 0; count < 400; ++count) hiragana += "\xE3\x81\x82";
    MessageBuffer buffer;
    // Byte 768 would fall after the second byte of the 256th あ: 255 are taken.
    EXPECT_EQ(format_message(buffer, "ab%s!", {hiragana.c_str()}, Encoding::utf8), "ab" + hiragana.substr(0, 765) + "!");
    // Past the cut point the limit of 1,024 bytes is met the same way: 41 あ.
    std::string past_cut = std::string(900, 'p') + "%s";
    EXPECT_EQ(format_message(buffer, past_cut.c_str(), {hiragana.c_str()}, Encoding::utf8),
              std::string(900, 'p') + hiragana.substr(0, 123));
}

TEST(FormatMessage, LiteralTextStopsAtTheLimit) {
    std::string literal(2000, 'q');
    EXPECT_EQ(format(literal.c_str()), std::string(1024, 'q'));
}

TEST(FormatMessage, NeverOverrunsItsBuffer) {
    std::string prefix(1000, 'p');
    std::string huge_value = prefix + "%f";
    std::string result = format(huge_value.c_str(), {1e308});
    EXPECT_LT(result.size(), kMessageBufferSize);
    EXPECT_EQ(result.substr(0, 1000), prefix);
    // A %s cut when more than 768 bytes are already there keeps inside the limit.
    std::string past_cut = std::string(900, 'p') + "%s";
    std::string value(500, 'v');
    EXPECT_LE(format(past_cut.c_str(), {value.c_str()}).size(), kMessageLimit);
}

TEST(FormatMessage, MissingValuesReadAsZeroOrEmpty) {
    EXPECT_EQ(format("[%d][%s]"), "[0][]");
}

TEST(FindSjisChar, FindsOnlyCharacterStarts) {
    const char* text = "\x81\x25" "a%";
    EXPECT_EQ(find_sjis_char(text, '%'), text + 3);
    EXPECT_EQ(find_sjis_char("no percent", '%'), nullptr);
    // A lead byte right before the NUL is stepped over alone.
    const char* lone_lead = "ab\x81";
    EXPECT_EQ(find_sjis_char(lone_lead, 0x81), lone_lead + 2);
    EXPECT_EQ(find_sjis_char("\xE0%", '%'), nullptr);
}

}  // namespace
}  // namespace vesk
