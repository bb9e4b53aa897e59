// Whole comparisons of generated file pairs: whatever the matcher chose, the
// printed report, applied to the first file, must give the second.
#include "driver/phases.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "compare/fingerprint.h"

namespace vesk {
namespace {

using Lines = std::vector<std::string>;  // each without its newline

// A file of up to max_lines lines over a three-letter alphabet, its last line
// sometimes without a newline.
std::string random_file(std::mt19937& random, int max_lines) {
    std::string text;
    int lines = static_cast<int>(random() % static_cast<unsigned>(max_lines + 1));
    for (int line = 0; line < lines; ++line) {
        text.push_back(static_cast<char>('a' + random() % 3));
        if (random() % 4 == 0) text.push_back(static_cast<char>('a' + random() % 3));
        text.push_back('\n');
    }
    if (!text.empty() && random() % 5 == 0) text.pop_back();
    return text;
}

Lines split_lines(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void load(Comparison& comparison, LineTable& table, const std::string& text) {
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        table.store_next(comparison.diagnostics, line);
        fingerprint_line(table, line, comparison.options.flags);
        start = end;
    }
}

// The edits a report describes, by 0-based line of the first file.
struct Edits {
    std::set<std::int64_t> removed;
    std::map<std::int64_t, Lines> inserted_before;
};

// Reads a report line by line; every failure names the report.
class ReportReader {
public:
    explicit ReportReader(const std::string& report) : lines_(split_lines(report)) {}

    bool done() const { return next_ >= lines_.size(); }
    const std::string& peek() const { return lines_[next_]; }
    std::string take() { return done() ? std::string("<end>") : lines_[next_++]; }

private:
    Lines lines_;
    std::size_t next_ = 0;
};

struct Range {
    std::int64_t first;  // 1-based, as printed
    std::int64_t last;
};

Range parse_range(const std::string& text) {
    std::size_t comma = text.find(',');
    if (comma == std::string::npos) return {std::stoll(text), std::stoll(text)};
    return {std::stoll(text.substr(0, comma)), std::stoll(text.substr(comma + 1))};
}

// "label A : B" into A and B.
std::pair<std::string, std::string> header_fields(const std::string& header, std::size_t label_length) {
    std::string rest = header.substr(label_length);
    std::size_t colon = rest.find(" : ");
    return {rest.substr(0, colon), rest.substr(colon + 3)};
}

// Reads the lines shown for a range of file, each of which must be that line
// of the file; returns those behind prefix (the edited ones) and sets
// first_edited to the 0-based line of the first of them.
Lines read_side(ReportReader& reader, Range range, const Lines& file, const std::string& prefix,
                std::int64_t& first_edited) {
    Lines edited;
    first_edited = -1;
    for (std::int64_t line = range.first - 1; line < range.last; ++line) {
        std::string shown = reader.take();
        const bool is_edited = shown.rfind(prefix, 0) == 0;
        std::string text = shown.substr(is_edited ? prefix.size() : 1);
        if (line >= static_cast<std::int64_t>(file.size()) || text != file[static_cast<std::size_t>(line)]) {
            ADD_FAILURE() << "line " << line + 1 << " shown as \"" << shown << "\"";
            return edited;
        }
        if (!is_edited) continue;
        if (first_edited < 0) first_edited = line;
        edited.push_back(text);
    }
    return edited;
}

void remove_lines(Edits& edits, std::int64_t first, std::size_t count) {
    for (std::size_t at = 0; at < count; ++at) edits.removed.insert(first + static_cast<std::int64_t>(at));
}

// One block of a report. The normal report shows only edited lines, behind a
// tab; the context report marks them and shows context behind a tab.
void read_block(ReportReader& reader, const Lines& first, const Lines& second, bool context, Edits& edits) {
    std::string header = reader.take();
    std::int64_t at = 0;
    if (header.rfind(context ? "Delete: " : "delete: ", 0) == 0) {
        auto [range, other] = header_fields(header, 8);
        Lines gone = read_side(reader, parse_range(range), first, context ? "-\t" : "\t", at);
        remove_lines(edits, at, gone.size());
    } else if (header.rfind(context ? "Add   : " : "add   : ", 0) == 0) {
        auto [other, range] = header_fields(header, 8);
        Lines added = read_side(reader, parse_range(range), second, context ? "+\t" : "\t", at);
        Lines& slot = edits.inserted_before[std::stoll(other)];
        slot.insert(slot.end(), added.begin(), added.end());
    } else {
        ASSERT_EQ(header.rfind(context ? "Change: " : "change: ", 0), 0u) << header;
        auto [range1, range2] = header_fields(header, 8);
        Lines gone = read_side(reader, parse_range(range1), first, context ? "!\t" : "\t", at);
        ASSERT_EQ(reader.take(), "------");
        std::int64_t unused = 0;
        Lines added = read_side(reader, parse_range(range2), second, context ? "!\t" : "\t", unused);
        remove_lines(edits, at, gone.size());
        Lines& slot = edits.inserted_before[at];
        slot.insert(slot.end(), added.begin(), added.end());
    }
}

Lines apply_edits(const Lines& first, const Edits& edits) {
    Lines result;
    for (std::int64_t line = 0; line <= static_cast<std::int64_t>(first.size()); ++line) {
        auto inserted = edits.inserted_before.find(line);
        if (inserted != edits.inserted_before.end())
            result.insert(result.end(), inserted->second.begin(), inserted->second.end());
        if (line < static_cast<std::int64_t>(first.size()) && edits.removed.count(line) == 0)
            result.push_back(first[static_cast<std::size_t>(line)]);
    }
    return result;
}

void check_pair(const std::string& first_text, const std::string& second_text, Options options) {
    Output out, err;
    Diagnostics diagnostics(err);
    Comparison comparison(options, out, diagnostics);
    load(comparison, comparison.first, first_text);
    load(comparison, comparison.second, second_text);
    const int result = run_phases(comparison);
    const std::string label = "first \"" + first_text + "\" second \"" + second_text + "\" report:\n" + out.captured();
    EXPECT_EQ(err.captured(), "") << label;
    EXPECT_EQ(result, first_text == second_text ? 0 : 1) << label;

    Lines first = split_lines(first_text), second = split_lines(second_text);
    ReportReader reader(out.captured());
    Edits edits;
    while (!reader.done() && !::testing::Test::HasFailure()) read_block(reader, first, second, options.context_lines != 0, edits);
    EXPECT_EQ(apply_edits(first, edits), second) << label;
}

TEST(WholeRun, NormalReportTurnsTheFirstFileIntoTheSecond) {
    std::mt19937 random(2024);
    for (int round = 0; round < 4000 && !::testing::Test::HasFailure(); ++round)
        check_pair(random_file(random, 9), random_file(random, 9), Options{});
}

TEST(WholeRun, ContextReportTurnsTheFirstFileIntoTheSecond) {
    std::mt19937 random(4048);
    for (int round = 0; round < 4000 && !::testing::Test::HasFailure(); ++round) {
        Options options;
        options.flags = OPT_CONTEXT;
        options.context_lines = static_cast<std::int32_t>(1 + random() % 4);
        check_pair(random_file(random, 9), random_file(random, 9), options);
    }
}

}  // namespace
}  // namespace vesk
