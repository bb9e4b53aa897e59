// Times match_lines alone on generated pairs, the tables filled in memory:
//   A  1,000,000 varied lines, one line in 1,000 changed
//   B  the same with 10 % of the lines changed at random
//   C  identical copies of A
//   D  100,000 distinct lines against a random permutation of them
//   E  1,000,000 lines of "}" against the same with 100 lines inserted at random
//   F  the Python 3.12 standard library against 3.13's (skipped when absent)
//   S  the source-like pair that bench/compare-with-diff writes to /tmp/vesk-bench
//      (skipped when absent)
//   cmake -S . -B build/bench -DVESK_BUILD_BENCH=ON && cmake --build build/bench --target match_bench
//   build/bench/bench/match_bench [pairs, e.g. ABCDEFS] [runs]
//   build/bench/bench/match_bench --files FIRST SECOND [runs]   (any two files)
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "compare/fingerprint.h"
#include "compare/matcher.h"
#include "model/comparison.h"

namespace {

using Lines = std::vector<std::string>;

const char* const WORDS[] = {"alpha", "beta",   "gamma", "delta", "return", "if",     "else",  "while",
                              "for",   "value",  "count", "index", "node",   "the",    "of",    "and",
                              "error", "result", "buffer", "line", "file",   "print",  "self",  "None",
                              "True",  "False",  "import", "from", "class",  "def",    "with"};

// About 50 bytes of words and a number: nearly every line is distinct.
std::string varied_line(std::mt19937& random) {
    std::string line;
    for (int words = 3 + static_cast<int>(random() % 9); words > 0; --words) {
        line += WORDS[random() % std::size(WORDS)];
        line += ' ';
    }
    return line + std::to_string(random() % 1'000'000) + '\n';
}

Lines varied_lines(std::mt19937& random, int count) {
    Lines lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int at = 0; at < count; ++at) lines.push_back(varied_line(random));
    return lines;
}

std::pair<Lines, Lines> pair_a() {
    std::mt19937 random(1);
    Lines first = varied_lines(random, 1'000'000);
    Lines second = first;
    for (std::size_t at = random() % 1000; at < second.size(); at += 1000) second[at] = varied_line(random);
    return {first, second};
}

std::pair<Lines, Lines> pair_b() {
    std::mt19937 random(2);
    Lines first = varied_lines(random, 1'000'000);
    Lines second = first;
    for (auto& line : second)
        if (random() % 10 == 0) line = varied_line(random);
    return {first, second};
}

std::pair<Lines, Lines> pair_c() {
    std::mt19937 random(1);
    Lines first = varied_lines(random, 1'000'000);
    return {first, first};
}

std::pair<Lines, Lines> pair_d() {
    std::mt19937 random(4);
    Lines first;
    for (int at = 0; at < 100'000; ++at)
        first.push_back("distinct line " + std::to_string(at) + ' ' + WORDS[random() % std::size(WORDS)] + '\n');
    Lines second = first;
    std::shuffle(second.begin(), second.end(), random);
    return {first, second};
}

std::pair<Lines, Lines> pair_e() {
    std::mt19937 random(5);
    Lines first(1'000'000, "}\n");
    Lines second = first;
    std::vector<std::size_t> places;
    for (int at = 0; at < 100; ++at) places.push_back(random() % first.size());
    std::sort(places.rbegin(), places.rend());
    for (std::size_t place : places)
        second.insert(second.begin() + static_cast<std::ptrdiff_t>(place), "inserted " + std::to_string(place) + '\n');
    return {first, second};
}

// The .py files of one installed Python library (without test/ and
// site-packages/), concatenated in sorted path order and cut into lines.
Lines python_library(const std::string& version) {
    std::filesystem::path versions("/root/.pyenv/versions");
    std::vector<std::filesystem::path> roots;
    if (std::filesystem::exists(versions))
        for (const auto& entry : std::filesystem::directory_iterator(versions))
            if (entry.path().filename().string().starts_with(version + "."))
                roots.push_back(entry.path() / "lib" / ("python" + version));
    if (roots.empty()) return {};
    std::sort(roots.begin(), roots.end());
    std::filesystem::path root = roots.back();
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string top = std::filesystem::relative(entry.path(), root).begin()->string();
        if (entry.path().extension() == ".py" && top != "test" && top != "site-packages") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::string text;
    for (const auto& path : paths) {
        std::ifstream file(path, std::ios::binary);
        text.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line + '\n');
    return lines;
}

std::pair<Lines, Lines> pair_f() { return {python_library("3.12"), python_library("3.13")}; }

// One file cut into lines; none when it is absent.
Lines file_lines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line + '\n');
    return lines;
}

std::pair<Lines, Lines> pair_s() { return {file_lines("/tmp/vesk-bench/S-1.txt"), file_lines("/tmp/vesk-bench/S-2.txt")}; }

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
        std::cout << tag << "  skipped: no input on this machine\n";
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
        switch (tag) {
            case 'A': bench_pair(tag, pair_a(), runs); break;
            case 'B': bench_pair(tag, pair_b(), runs); break;
            case 'C': bench_pair(tag, pair_c(), runs); break;
            case 'D': bench_pair(tag, pair_d(), runs); break;
            case 'E': bench_pair(tag, pair_e(), runs); break;
            case 'F': bench_pair(tag, pair_f(), runs); break;
            case 'S': bench_pair(tag, pair_s(), runs); break;
            default: std::cerr << "unknown pair " << tag << '\n'; return 2;
        }
    }
    return 0;
}
