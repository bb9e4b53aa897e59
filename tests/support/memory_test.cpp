#include "support/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/run_end.h"

namespace vesk {
namespace {

struct Refusing {
    Output err;
    Diagnostics diagnostics{err};
    Refusing() {
        diagnostics.refuse_memory = [](std::size_t) { return true; };
    }
};

template <class Operation>
int status_of(Operation operation) {
    try {
        operation();
    } catch (const RunEnded& ended) {
        return ended.status;
    }
    return -100;  // the run was expected to end
}

struct FailureCase {
    std::size_t size;
    const char* message;
};

TEST(AllocOrExit, ReportsTheSizeInKBytesOfOneThousandAndTwentyFour) {
    const FailureCase cases[] = {
        {4004, "\ncannot get the memory of 3 K bytes\n"},
        {1001, "\ncannot get the memory of 0 K bytes\n"},
        {1000, "\ncannot get the memory of 1000 bytes\n"},
    };
    for (const auto& c : cases) {
        Refusing memory;
        EXPECT_EQ(status_of([&] { alloc_or_exit(memory.diagnostics, c.size); }), 1);
        EXPECT_EQ(memory.err.captured(), c.message) << c.size;
    }
}

TEST(ReportingAllocator, ShortageCarriesTheSizeAskedFor) {
    WorkVector<std::uint32_t> values(3, 7);
    values.push_back(8);
    EXPECT_EQ(values, (WorkVector<std::uint32_t>{7, 7, 7, 8}));
    ReportingAllocator<std::uint64_t> allocator;
    const std::size_t too_many = std::size_t{1} << 57;  // 2^60 bytes: no machine has them
    try {
        allocator.allocate(too_many);
        ADD_FAILURE() << "the allocation should have failed";
    } catch (const MemoryShortage& shortage) {
        EXPECT_EQ(shortage.size, too_many * sizeof(std::uint64_t));
    }
    try {
        allocator.allocate(SIZE_MAX / 4);  // the size itself overflows
        ADD_FAILURE() << "the allocation should have failed";
    } catch (const MemoryShortage& shortage) {
        EXPECT_EQ(shortage.size, SIZE_MAX);
    }
}

TEST(ReportingAllocator, ShortageIsReportedAsAFailedAllocation) {
    Output err;
    Diagnostics diagnostics(err);
    MemoryShortage shortage(4096 * 1024);
    report_shortage(diagnostics, shortage);
    EXPECT_EQ(err.captured(), "\ncannot get the memory of 4096 K bytes\n");
    EXPECT_EQ(shortage.status, 1);
}

TEST(GrowOrExit, MovesSeldomAndKeepsWhatItHolds) {
    Output err;
    Diagnostics diagnostics(err);
    std::size_t room = 10;
    auto* block = static_cast<char*>(std::malloc(room));
    std::memcpy(block, "0123456789", 10);
    block = static_cast<char*>(grow_or_exit(diagnostics, block, 11, room));
    EXPECT_EQ(room, 20u);  // doubled, not just what was asked for
    EXPECT_EQ(std::string(block, 10), "0123456789");
    char* before = block;
    block = static_cast<char*>(grow_or_exit(diagnostics, block, 20, room));
    EXPECT_EQ(block, before);  // room enough: not moved
    EXPECT_EQ(room, 20u);
    block = static_cast<char*>(grow_or_exit(diagnostics, block, 100, room));
    EXPECT_EQ(room, 100u);  // more than double asked for: exactly that
    std::free(block);
}

TEST(GrowOrExit, IsRefusedForTheSizeAskedForEvenWithRoomLeft) {
    Refusing memory;
    std::size_t room = 8192;
    void* block = std::malloc(room);
    EXPECT_EQ(status_of([&] { block = grow_or_exit(memory.diagnostics, block, 4004, room); }), 1);
    EXPECT_EQ(memory.err.captured(), "cannot get the memory of 4 K bytes\n");
    std::free(block);
}

TEST(GrowOrExit, ReportsTheSizeInKBytesOfOneThousand) {
    const FailureCase cases[] = {
        {8004, "cannot get the memory of 8 K bytes\n"},
        {2001, "cannot get the memory of 2 K bytes\n"},
        {999, "cannot get the memory of 999 bytes\n"},
    };
    for (const auto& c : cases) {
        Refusing memory;
        std::size_t room = 16;
        void* block = std::malloc(room);
        EXPECT_EQ(status_of([&] { block = grow_or_exit(memory.diagnostics, block, c.size, room); }), 1);
        EXPECT_EQ(memory.err.captured(), c.message) << c.size;
        std::free(block);
    }
}

TEST(AllocOrExit, GivesZeroFilledBlocks) {
    Output err;
    Diagnostics diagnostics(err);
    auto* block = static_cast<unsigned char*>(alloc_or_exit(diagnostics, 64));
    for (int at = 0; at < 64; ++at) EXPECT_EQ(block[at], 0);
    std::free(block);
}

TEST(CopyLine, CopiesTheTextAndThreeZeroBytes) {
    Output err;
    Diagnostics diagnostics(err);
    LineStore store;
    char* copy = copy_line(diagnostics, store, "abc\n");
    EXPECT_EQ(std::memcmp(copy, "abc\n\0\0\0", 7), 0);
    // A second copy does not disturb the first.
    copy_line(diagnostics, store, std::string(4095, 'x'));
    EXPECT_STREQ(copy, "abc\n");
}

TEST(CopyLine, FailsAsOneBlockOfTheTextLengthPlusThree) {
    Refusing memory;
    LineStore store;
    EXPECT_EQ(status_of([&] { copy_line(memory.diagnostics, store, std::string(4001, 'x')); }), 1);
    EXPECT_EQ(memory.err.captured(), "\ncannot get the memory of 3 K bytes\n");
}

}  // namespace
}  // namespace vesk
