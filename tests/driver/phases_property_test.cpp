// Whole comparisons of generated file pairs: whatever the matcher chose, every
// line a report shows is the line of its file that the header says, and the
// report, applied to the first file, gives the second.
#include "driver/phases.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "hand_run.h"

namespace vesk {
namespace {

using Lines = std::vector<std::string>;  // without their newlines

// Up to nine lines over a three-letter alphabet.
Lines random_lines(std::mt19937& random) {
    Lines lines(random() % 10);
    for (std::string& line : lines) {
        line.resize(random() % 4 == 0 ? 2 : 1);
        for (char& byte : line) byte = static_cast<char>('a' + random() % 3);
    }
    return lines;
}

// The edits a report describes, by 0-based line of the first file.
struct Edits {
    std::set<std::size_t> removed;
    std::map<std::size_t, Lines> inserted_before;
};

// Reads the lines a block shows of one file for a range ("3" or "3,5"), each of
// which must be that line of the file; returns those behind mark (the edited ones).
std::vector<std::size_t> read_side(std::istream& report, const std::string& range, const Lines& file,
                                   const std::string& mark) {
    const std::size_t comma = range.find(',');
    const std::size_t from = std::stoul(range), to = comma == std::string::npos ? from : std::stoul(range.substr(comma + 1));
    std::vector<std::size_t> edited;
    std::string shown;
    for (std::size_t line = from - 1; line < to && std::getline(report, shown); ++line) {
        const bool is_edited = shown.starts_with(mark);
        EXPECT_TRUE(line < file.size() && shown.substr(is_edited ? mark.size() : 1) == file[line])
            << "line " << line + 1 << " shown as \"" << shown << "\"";
        if (is_edited) edited.push_back(line);
    }
    return edited;
}

// One block: "delete: R1 : N", "add   : N : R2" or "change: R1 : R2", capitalised
// in the context report, whose lines carry "-", "+" or "!" where they are edited.
void read_block(std::istream& report, const std::string& header, const Lines& first, const Lines& second, bool context,
                Edits& edits) {
    const char kind = header.empty() ? '?' : static_cast<char>(header[0] | 0x20);
    const std::string label = kind == 'd' ? "delete: " : kind == 'a' ? "add   : " : "change: ";
    ASSERT_EQ(header.substr(1, 7), label.substr(1)) << header;
    ASSERT_EQ(header[0] == label[0], !context) << header;
    const std::size_t colon = header.find(" : ", 8);
    const std::string left = header.substr(8, colon - 8), right = header.substr(colon + 3);
    const std::string mark = context ? std::string(1, kind == 'd' ? '-' : kind == 'a' ? '+' : '!') + "\t" : "\t";
    std::vector<std::size_t> removed, added;
    if (kind != 'a') removed = read_side(report, left, first, mark);
    std::string separator;
    if (kind == 'c') {
        EXPECT_TRUE(std::getline(report, separator) && separator == "------") << header;
    }
    if (kind != 'd') added = read_side(report, right, second, mark);
    edits.removed.insert(removed.begin(), removed.end());
    Lines& slot = edits.inserted_before[kind == 'a' ? std::stoul(left) : removed.empty() ? first.size() : removed[0]];
    for (std::size_t line : added) slot.push_back(second[line]);
}

void check_pair(const Lines& first, const Lines& second, bool newline_at_end, Options options) {
    auto stored = [newline_at_end](Lines lines, bool is_first) {
        for (std::string& line : lines) line += '\n';
        if (is_first && !newline_at_end && !lines.empty()) lines.back().pop_back();
        return lines;
    };
    testing::HandRun hand(options, stored(first, true), stored(second, false));
    const int result = run_phases(hand.comparison);
    const std::string report = hand.out.captured();
    SCOPED_TRACE("report:\n" + report);
    EXPECT_EQ(hand.err.captured(), "");
    EXPECT_EQ(result, first == second && (newline_at_end || first.empty()) ? 0 : 1);
    std::istringstream lines(report);
    Edits edits;
    for (std::string header; !::testing::Test::HasFailure() && std::getline(lines, header);)
        read_block(lines, header, first, second, options.context_lines != 0, edits);
    Lines applied;
    for (std::size_t line = 0; line <= first.size(); ++line) {
        const Lines& inserted = edits.inserted_before[line];
        applied.insert(applied.end(), inserted.begin(), inserted.end());
        if (line < first.size() && edits.removed.count(line) == 0) applied.push_back(first[line]);
    }
    EXPECT_EQ(applied, second);
}

TEST(WholeRun, EitherReportTurnsTheFirstFileIntoTheSecond) {
    std::mt19937 random(2024);
    for (int round = 0; round < 8000 && !::testing::Test::HasFailure(); ++round) {
        // Every other pair with the context report of 1 to 4 lines; some first
        // files without their last newline, against the same lines with it.
        const std::int32_t context = round % 2 == 0 ? 0 : static_cast<std::int32_t>(1 + random() % 4);
        const Lines first = random_lines(random), second = random() % 8 == 0 ? first : random_lines(random);
        check_pair(first, second, random() % 5 != 0, testing::options_with(context != 0 ? OPT_CONTEXT : 0, context));
    }
}

}  // namespace
}  // namespace vesk
