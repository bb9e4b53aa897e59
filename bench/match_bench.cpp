// Times match_lines alone on the named pairs A-F and S, the tables filled in
// memory from the files that bench/vesk_bench.py writes to /tmp/vesk-bench (it
// says what each pair is; `python3 bench/vesk_bench.py /tmp/vesk-bench A B`
// writes pairs A and B). A pair whose files are absent is skipped.
//   cmake -S . -B build/bench -DVESK_BUILD_BENCH=ON && cmake --build build/bench --target match_bench
//   build/bench/bench/match_bench [pairs, e.g. ABCDEFS] [runs]
//   build/bench/bench/match_bench --files FIRST SECOND [runs]   (any two files)
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "compare/fingerprint.h"
#include "compare/matcher.h"
#include "model/comparison.h"

namespace {

using Lines = std::vector<std::string>;

// One file cut into lines; none when it is absent.
Lines file_lines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line + '\n');
    return lines;
}

// A named pair, as bench/vesk_bench.py writes it into the folder.
std::pair<Lines, Lines> named_pair(const std::string& folder, char tag) {
    const std::string stem = folder + "/" + tag;
    return {file_lines(stem + "-1.txt"), file_lines(stem + "-2.txt")};
}

void fill(vesk::LineTable& table, vesk::Diagnostics& diagnostics, const Lines& lines) {
    for (const std::string& line : lines) {
        table.store_next(diagnostics, line);
        table.commit_line(vesk::compute_fingerprint(line, vesk::TextRules{}).value_or(0));
    }
}

// The matcher writes only the marks (its run table is its own); clearing them
// gives it a fresh start.
void clear_results(vesk::LineTable& first, vesk::LineTable& second) {
    std::memset(first.marks, 0, static_cast<std::size_t>(first.count + 1));
    std::memset(second.marks, 0, static_cast<std::size_t>(second.count + 1));
}

void bench_pair(char tag, const std::pair<Lines, Lines>& lines, int runs) {
    if (lines.first.empty() || lines.second.empty()) {
        std::cout << tag << "  skipped: no input (python3 bench/vesk_bench.py /tmp/vesk-bench " << tag
                  << " writes it)\n";
        return;
    }
    vesk::Output out, err;
    vesk::Diagnostics diagnostics(err);
    vesk::Comparison comparison(vesk::Options{}, out, diagnostics);
    fill(comparison.first, diagnostics, lines.first);
    fill(comparison.second, diagnostics, lines.second);
    std::vector<double> times;
    std::int64_t matched = 0;
    for (int at = 0; at < runs; ++at) {
        clear_results(comparison.first, comparison.second);
        auto start = std::chrono::steady_clock::now();
        vesk::match_lines(comparison.first, comparison.second, diagnostics);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    for (std::int64_t line = 0; line < comparison.first.count; ++line) matched += comparison.first.marks[line];
    std::sort(times.begin(), times.end());
    vesk::bench::Timing timing{times.front(), times[times.size() / 2], times.back()};
    std::cout << tag << "  " << comparison.first.count << " by " << comparison.second.count << " lines, " << matched
              << " matched:  " << vesk::bench::describe(timing) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::string(argv[1]) == "--files") {
        bench_pair('-', {file_lines(argv[2]), file_lines(argv[3])}, argc > 4 ? std::max(1, std::atoi(argv[4])) : 5);
        return 0;
    }
    std::string pairs = argc > 1 ? argv[1] : "ABCDEFS";
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    for (char tag : pairs) {
        if (std::strchr("ABCDEFS", tag) == nullptr) {
            std::cerr << "unknown pair " << tag << '\n';
            return 2;
        }
        bench_pair(tag, named_pair("/tmp/vesk-bench", tag), runs);
    }
    return 0;
}
