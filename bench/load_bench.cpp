// Loads and fingerprints a pair of 1,000,000-line files (about 40 MB each) and
// compares the time with reading the same files through cat into /dev/null.
//   cmake -S . -B build/bench -DVESK_BUILD_BENCH=ON && cmake --build build/bench --target load_bench
//   build/bench/bench/load_bench [folder for the generated files]
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "bench_timing.h"
#include "model/comparison.h"
#include "driver/file_loading.h"

namespace {

constexpr int LINES = 1'000'000;
constexpr int RUNS = 7;

// Lines of words and numbers, about 40 bytes each on average.
void write_file(const std::string& path, unsigned seed) {
    static const char* const words[] = {"alpha", "beta", "gamma", "delta", "return", "if", "(x)", "=", "{", "}",
                                        "value", "count", "index", "node", "the", "of", "and", "error"};
    std::mt19937 random(seed);
    std::ofstream file(path, std::ios::binary);
    std::string line;
    for (int at = 0; at < LINES; ++at) {
        line.clear();
        int count = 2 + static_cast<int>(random() % 9);
        for (int word = 0; word < count; ++word) {
            line += words[random() % std::size(words)];
            line += ' ';
        }
        line += std::to_string(random() % 100000);
        line += '\n';
        file << line;
    }
}

void load_pair(const std::string& first, const std::string& second) {
    vesk::Output out, err;
    vesk::Diagnostics diagnostics(err);
    vesk::Comparison comparison(vesk::Options{}, out, diagnostics);
    vesk::TextFile files[2];
    files[0].open(first.c_str());
    files[1].open(second.c_str());
    vesk::load_files(comparison, files[0], first.c_str(), files[1], second.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Repeated runs free large tables, which would make glibc raise its mmap
    // threshold and copy every later growth; a one-shot vesk never sees that.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    std::string first = folder + "/vesk-load-1.txt", second = folder + "/vesk-load-2.txt";
    write_file(first, 1);
    write_file(second, 2);
    std::string cat = "cat " + first + " " + second + " > /dev/null";
    load_pair(first, second);  // warm the page cache
    std::printf("load + fingerprint, 2 x %d lines: %s\n", LINES,
                vesk::bench::describe(vesk::bench::time_runs(RUNS, [&] { load_pair(first, second); })).c_str());
    std::printf("cat of the same files:            %s\n",
                vesk::bench::describe(vesk::bench::time_runs(RUNS, [&] {
                    if (std::system(cat.c_str()) != 0) std::perror("cat");
                })).c_str());
    return 0;
}
