// The whole run in-process: the input is split into an option set and the two
// files' contents; the comparison runs end to end into memory streams. Every
// fatal path must come back as a status, never as a crash or an exit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "driver/run.h"

namespace {

// The files live in memory-backed storage, one folder per fuzzing process.
const std::string& scratch_folder() {
    static const std::string folder = [] {
        std::string path = "/dev/shm/vesk-fuzz-" + std::to_string(::getpid());
        std::system(("mkdir -p " + path).c_str());
        return path;
    }();
    return folder;
}

void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Byte 0 picks letters, bit 5 --utf8, bit 6 --unified (its count from bits 5
// to 7 of byte 1, which alone refuses it with a -c) and bit 7 --encoding (which
// from bits 5 to 7 of byte 2), byte 1 the -c count (0:
// none, 1: bare -c, else -c<n-2>, 11 and 12 being invalid), byte 2 the -t width
// (0: none, else -t <n-1>, 0 invalid) and with bit 4 --color=always.
std::vector<std::string> options_from(const std::uint8_t* header) {
    std::vector<std::string> options;
    std::string letters = "-";
    const char flags[] = {'b', 'i', 'N', 'x', 'X'};
    for (int bit = 0; bit < 5; ++bit)
        if (header[0] & (1 << bit)) letters += flags[bit];
    if (letters.size() > 1) options.push_back(letters);
    if (header[0] & (1 << 5)) options.push_back("--utf8");
    if (header[0] & (1 << 6)) options.push_back("--unified=" + std::to_string(header[1] >> 5));
    const char* const encodings[] = {"auto", "cp932", "euc-jp", "utf-8", "utf-16", "auto,cp932", "euc-jp,utf-16", "x"};
    if (header[0] & (1 << 7)) options.push_back(std::string("--encoding=") + encodings[header[2] >> 5]);
    if (header[2] & (1 << 4)) options.push_back("--color=always");
    int context = header[1] % 14;
    if (context == 1) options.push_back("-c");
    if (context > 1) options.push_back("-c" + std::to_string(context - 2));
    int tab = header[2] % 18;
    if (tab > 0) {
        options.push_back("-t");
        options.push_back(std::to_string(tab - 1));
    }
    // Bit 7 of byte 0: --side-by-side, as wide as byte 2 says (18 and 19 are
    // refused), without the common lines when bit 4 of byte 1 is set too.
    if (header[0] & (1 << 7)) {
        options.push_back("--side-by-side");
        options.push_back("--width=" + std::to_string(18 + header[2] % 200));
        if (header[1] & (1 << 4)) options.push_back("--suppress-common-lines");
    }
    return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t HEADER = 5;  // options (3 bytes) and where the first file ends (2 bytes)
    if (size < HEADER) return 0;
    std::size_t body = size - HEADER;
    std::size_t first_size = body == 0 ? 0 : (data[3] | (data[4] << 8)) % (body + 1);
    std::string first = scratch_folder() + "/a", second = scratch_folder() + "/b";
    write_file(first, data + HEADER, first_size);
    write_file(second, data + HEADER + first_size, body - first_size);

    std::vector<std::string> args = options_from(data);
    args.insert(args.begin(), "vesk");
    args.push_back(first);
    args.push_back(second);
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);

    vesk::Output out, err;
    int status = vesk::execute(static_cast<int>(args.size()), argv.data(), out, err);
    if (status != 0 && status != 1 && status != 2 && status != -1) std::abort();
    return 0;
}
