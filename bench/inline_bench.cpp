// Times the in-line display over 100,000 line pairs of which every tenth
// differs: each pair shown in word form (-x) and in replacement form (-X),
// against restoring the texts alone. With the path of a built vesk it also times
// the whole program on the same pair of files without -x, with -x and with -X.
//   cmake -S . -B build/bench -DVESK_BUILD_BENCH=ON && cmake --build build/bench --target inline_bench
//   build/bench/bench/inline_bench [path of vesk] [folder for the generated files]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "report/inline_display.h"

namespace {

constexpr int PAIRS = 100'000;
constexpr int DIFFER_EVERY = 10;
constexpr int RUNS = 9;
// The whole program on 2 x 100,000 lines takes far longer than one display pass.
constexpr int PROGRAM_RUNS = 5;

// Shift-JIS words among the ASCII ones, so that the double-byte paths are timed too.
const char* const WORDS[] = {"alpha", "beta", "gamma", "delta", "return", "if", "(x)", "=", "{", "}",
                              "value", "count", "index", "node", "the", "of", "and", "error",
                              "\x8d\xa1\x93\xfa\x82\xcd", "\x90\xb0\x82\xea\x82\xc5\x82\xb7", "\x83\x4a\x83\x69"};

std::string random_line(std::mt19937& random) {
    std::string line;
    int count = 2 + static_cast<int>(random() % 9);
    for (int word = 0; word < count; ++word) {
        line += WORDS[random() % std::size(WORDS)];
        line += ' ';
    }
    return line + std::to_string(random() % 100000) + "\n";
}

// The partner of a differing line: one word replaced by another, of any length.
std::string changed_line(std::string line, std::mt19937& random) {
    std::size_t at = random() % line.size();
    std::size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size() - 1;
    line.replace(at, end - at, WORDS[random() % std::size(WORDS)]);
    return line;
}

// Both sides' lines, each NUL-terminated, in one block that a run can restore.
struct Pairs {
    std::string pristine;
    std::string working;
    std::vector<std::size_t> first, second;  // offsets of each pair's lines
};

Pairs make_pairs() {
    std::mt19937 random(7);
    Pairs pairs;
    for (int at = 0; at < PAIRS; ++at) {
        std::string line = random_line(random);
        std::string partner = at % DIFFER_EVERY == 0 ? changed_line(line, random) : line;
        pairs.first.push_back(pairs.pristine.size());
        pairs.pristine += line + '\0';
        pairs.second.push_back(pairs.pristine.size());
        pairs.pristine += partner + '\0';
    }
    pairs.working = pairs.pristine;
    return pairs;
}

void restore(Pairs& pairs) { std::memcpy(pairs.working.data(), pairs.pristine.data(), pairs.pristine.size()); }

// Shows every pair (stride 1), or only the differing ones, as a report would.
template <class Show>
void show_pairs(Pairs& pairs, int stride, Show show) {
    restore(pairs);
    for (int at = 0; at < PAIRS; at += stride)
        show(pairs.working.data() + pairs.first[at], pairs.working.data() + pairs.second[at]);
}

void time_forms(Pairs& pairs, int stride, const vesk::bench::Timing& restoring) {
    auto words = vesk::bench::time_runs(RUNS, [&] {
        show_pairs(pairs, stride, [](char* a, char* b) { vesk::show_pair_in_words(a, b, vesk::TextRules{}); });
    });
    auto replacement = vesk::bench::time_runs(RUNS, [&] {
        show_pairs(pairs, stride, [](char* a, char* b) { vesk::show_pair_replaced(a, b, vesk::TextRules{}); });
    });
    int shown = PAIRS / stride;
    std::printf("%6d pairs, -x: %s\n", shown, vesk::bench::describe(words).c_str());
    std::printf("%6d pairs, -X: %s\n", shown, vesk::bench::describe(replacement).c_str());
    std::printf("  per pair (median, less restoring): -x %.0f ns, -X %.0f ns\n",
                (words.median_ms - restoring.median_ms) * 1e6 / shown,
                (replacement.median_ms - restoring.median_ms) * 1e6 / shown);
}

void write_files(const Pairs& pairs, const std::string& first, const std::string& second) {
    std::ofstream a(first, std::ios::binary), b(second, std::ios::binary);
    for (int at = 0; at < PAIRS; ++at) {
        a << pairs.pristine.c_str() + pairs.first[at];
        b << pairs.pristine.c_str() + pairs.second[at];
    }
}

void time_program(const std::string& vesk, const std::string& options, const std::string& first,
                  const std::string& second) {
    std::string command = vesk + " " + options + " " + first + " " + second + " > /dev/null";
    auto timing = vesk::bench::time_runs(PROGRAM_RUNS, [&] {
        if (std::system(command.c_str()) == -1) std::perror("vesk");
    });
    std::printf("vesk %-3s on the files: %s\n", options.c_str(), vesk::bench::describe(timing).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Pairs pairs = make_pairs();
    auto restoring = vesk::bench::time_runs(RUNS, [&] { restore(pairs); });
    std::printf("%d pairs, every %dth differs\n", PAIRS, DIFFER_EVERY);
    std::printf("restoring the texts only: %s\n", vesk::bench::describe(restoring).c_str());
    time_forms(pairs, 1, restoring);
    time_forms(pairs, DIFFER_EVERY, restoring);
    if (argc > 1) {
        std::string folder = argc > 2 ? argv[2] : "/tmp";
        std::string first = folder + "/vesk-inline-1.txt", second = folder + "/vesk-inline-2.txt";
        write_files(pairs, first, second);
        for (const char* options : {"", "-x", "-X"}) time_program(argv[1], options, first, second);
    }
    return 0;
}
