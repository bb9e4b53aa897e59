// Memory that never fails for its caller, and the formatter of every message.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "run_status.h"
#include "support/memory.h"
#include "support/message_format.h"

namespace vesk {
namespace {

// Runs an operation with every request for memory refused; returns the message.
std::string refused(const std::function<void(Diagnostics&)>& operation) {
    Output err;
    Diagnostics diagnostics(err);
    diagnostics.refuse_memory = [](std::size_t) { return true; };
    EXPECT_EQ(testing::ended_status([&] { operation(diagnostics); }), 1);
    return err.captured();
}

// Above 1,000 bytes the size is given in K bytes: of 1,024 for a new block
// (and a line copy, its text and three zero bytes), of 1,000 for a grown one.
TEST(MemoryShortage, EndsWithStatusOneAndTheSizeAskedFor) {
    const std::string alloc = "\ncannot get the memory of ", grow = "cannot get the memory of ";
    EXPECT_EQ(refused([](Diagnostics& d) { alloc_or_exit(d, 4004); }), alloc + "3 K bytes\n");
    EXPECT_EQ(refused([](Diagnostics& d) { alloc_or_exit(d, 1000); }), alloc + "1000 bytes\n");
    EXPECT_EQ(refused([](Diagnostics& d) { LineStore store; copy_line(d, store, std::string(4001, 'x')); }),
              alloc + "3 K bytes\n");
    for (auto [room, size, message] : {std::tuple{16, 8004, "8 K bytes\n"}, {8192, 4004, "4 K bytes\n"}}) {  // even with room left
        void* block = std::malloc(static_cast<std::size_t>(room));
        std::size_t left = static_cast<std::size_t>(room);
        EXPECT_EQ(refused([&](Diagnostics& d) { block = grow_or_exit(d, block, static_cast<std::size_t>(size), left); }),
                  grow + message);
        std::free(block);
    }
    Output err;
    Diagnostics diagnostics(err);
    report_shortage(diagnostics, MemoryShortage(4096 * 1024));
    EXPECT_EQ(err.captured(), alloc + "4096 K bytes\n");
}

TEST(ReportingAllocator, ShortageCarriesTheSizeAskedFor) {
    ReportingAllocator<std::uint64_t> allocator;
    const std::size_t too_many = std::size_t{1} << 57;  // 2^60 bytes: no machine has them
    for (auto [count, size] : {std::pair{too_many, too_many * 8}, {SIZE_MAX / 4, SIZE_MAX}}) {  // the size overflows
        try {
            allocator.allocate(count);
            ADD_FAILURE() << "the allocation should have failed";
        } catch (const MemoryShortage& shortage) {
            EXPECT_EQ(shortage.size, size);
            EXPECT_EQ(shortage.status, 1);
        }
    }
}

TEST(CopyLine, CopiesTheTextAndThreeZeroBytes) {
    Output err;
    Diagnostics diagnostics(err);
    LineStore store;
    char* copy = copy_line(diagnostics, store, "abc\n");
    copy_line(diagnostics, store, std::string(4095, 'x'));  // does not disturb the first
    EXPECT_EQ(std::memcmp(copy, "abc\n\0\0\0", 7), 0);
}

std::string format(const std::string& pattern, MessageArgs args = {}) {
    MessageBuffer buffer;
    return std::string(format_message(buffer, pattern.c_str(), args));
}

TEST(FormatMessage, ConversionsAndEscapes) {
    EXPECT_EQ(format("a\\%b \\n ab\\"), "a%b n ab\\");  // a backslash drops itself, but not at the end
    EXPECT_EQ(format("100%% %5d 50%"), "100%% %5d 50%");  // no conversion: copied as it is
    EXPECT_EQ(format("%c|%d|%x|%s|%f", {'Z', -42, 255, "name", 2.5}), "Z|-42|ff|name|2.500000");
    EXPECT_EQ(format("%5d %d", {7}), "%5d 7");  // "%5d" takes no value
    EXPECT_EQ(format("[%d][%s]"), "[0][]");      // missing values
    // 0x95 0x5C is one character whose second byte looks like a backslash;
    // 0x81 0x25 one whose second byte looks like "%".
    EXPECT_EQ(format("\x95\x5C" "n %d", {1}), "\x95\x5C" "n 1");
    EXPECT_EQ(format("\x81\x25" "d %d", {2}), "\x81\x25" "d 2");
    // Where a message holds a "%": only at the start of a character.
    const std::string text = "\x81\x25" "a%", lone_lead = "ab\x81";
    EXPECT_EQ(find_sjis_char(text.c_str(), '%'), text.c_str() + 3);
    EXPECT_EQ(find_sjis_char(lone_lead.c_str(), 0x81), lone_lead.c_str() + 2);  // stepped over alone
    EXPECT_EQ(find_sjis_char("\xE0%", '%'), nullptr);
}

TEST(FormatMessage, LimitsOfTheBuffer) {
    const std::string exactly(1024, 'n'), longer(1025, 'n');
    // A text that fills the limit ends the message; a longer one is cut so that it
    // ends at byte 768, and the format goes on.
    EXPECT_EQ(format("%s: not found\n", {exactly.c_str()}), exactly);
    EXPECT_EQ(format("ab%s: not found\n", {longer.c_str()}), "ab" + std::string(766, 'n') + ": not found\n");
    EXPECT_EQ(format(std::string(2000, 'q')), std::string(1024, 'q'));
    EXPECT_LT(format(std::string(1000, 'p') + "%f", {1e308}).size(), MESSAGE_BUFFER_SIZE);
    EXPECT_LE(format(std::string(900, 'p') + "%s", {std::string(500, 'v').c_str()}).size(), MESSAGE_LIMIT);
}

TEST(FormatMessage, Utf8CutsFallBetweenCharacters) {
    std::string hiragana;  // 400 times あ, three bytes each
    for (int count = 0; count < 400; ++count) hiragana += "\xE3\x81\x82";
    MessageBuffer buffer;
    // Byte 768 would fall after the second byte of the 256th あ: 255 are taken.
    EXPECT_EQ(format_message(buffer, "ab%s!", {hiragana.c_str()}, Encoding::utf8), "ab" + hiragana.substr(0, 765) + "!");
    // Past the cut point the limit of 1,024 bytes is met the same way: 41 あ.
    const std::string past_cut = std::string(900, 'p') + "%s";
    EXPECT_EQ(format_message(buffer, past_cut.c_str(), {hiragana.c_str()}, Encoding::utf8),
              std::string(900, 'p') + hiragana.substr(0, 123));
}

}  // namespace
}  // namespace vesk
