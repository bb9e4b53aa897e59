#include "compare/fingerprint.h"

#include <array>

#include "driver/options.h"

namespace vesk {
namespace {

constexpr bool is_prime(std::uint32_t value) {
    for (std::uint32_t divisor = 2; divisor * divisor <= value; ++divisor)
        if (value % divisor == 0) return false;
    return value >= 2;
}

// Weight of each column: the 256 consecutive primes from 211 on.
constexpr std::array<std::uint32_t, 256> make_prime_weights() {
    std::array<std::uint32_t, 256> weights{};
    std::uint32_t candidate = 211;
    for (auto& weight : weights) {
        while (!is_prime(candidate)) ++candidate;
        weight = candidate++;
    }
    return weights;
}

constexpr std::array<std::uint32_t, 256> kPrimeWeights = make_prime_weights();
static_assert(kPrimeWeights[0] == 211 && kPrimeWeights[1] == 223 && kPrimeWeights[255] == 1997);

constexpr bool is_blank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// A byte that -i folding takes as the first of two: top bit set, not one-byte katakana.
constexpr bool is_fold_lead(unsigned char byte) { return byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF); }

// Where -b's stripping ends the line: after its last byte that is no blank or newline.
std::size_t stripped_length(std::string_view line) {
    std::size_t end = line.size();
    while (end > 0 && (is_blank(line[end - 1]) || line[end - 1] == '\n')) --end;
    return end;
}

// The two running sums; the weights repeat every 256 counted characters.
struct Sums {
    std::uint32_t weighted = 0;  // sum of weight[column] * byte
    std::uint32_t positional = 0;  // sum of column * byte
    std::uint32_t column = 0;

    void count(std::uint32_t byte) {
        weighted += kPrimeWeights[column] * byte;
        positional += column * byte;
        column = (column + 1) & 0xFF;
    }
    std::uint32_t fingerprint() const { return (weighted << 8) + positional; }
};

}  // namespace

int fold_case(char* text) {
    for (unsigned char* at = reinterpret_cast<unsigned char*>(text); *at != '\0'; ++at) {
        if (*at >= 'A' && *at <= 'Z') {
            *at = static_cast<unsigned char>(*at + 0x20);
        } else if (is_fold_lead(*at) && at[1] != '\0') {
            ++at;  // the second byte of a double-byte character is never folded
        }
    }
    return 0;
}

std::optional<std::uint32_t> compute_fingerprint(std::string_view line, std::uint32_t flags) {
    const bool fold = (flags & OPT_IGNORE_CASE) != 0;
    const bool squeeze = (flags & OPT_SQUEEZE_BLANKS) != 0;
    const std::size_t end = squeeze ? stripped_length(line) : line.size();

    Sums sums;
    Sums before_blank_run;
    bool in_blank_run = false;
    bool second_byte = false;  // -i: this byte ends a double-byte character
    for (std::size_t at = 0; at < end; ++at) {
        auto byte = static_cast<unsigned char>(line[at]);
        if (byte == '\n') break;
        if (is_forbidden_control(byte)) return std::nullopt;
        if (fold) {
            if (second_byte) {
                second_byte = false;
            } else if (byte >= 'A' && byte <= 'Z') {
                byte = static_cast<unsigned char>(byte + 0x20);
            } else if (is_fold_lead(byte)) {
                second_byte = true;
            }
        }
        if (squeeze && is_blank(byte)) {
            if (!in_blank_run) {
                before_blank_run = sums;
                in_blank_run = true;
                sums.count(' ');
            }
            continue;
        }
        in_blank_run = false;
        sums.count(byte);
    }
    // A blank run that ends the scanned text counts for nothing.
    if (in_blank_run) sums = before_blank_run;
    return sums.fingerprint();
}

int fingerprint_line(LineTable& table, std::string_view line, std::uint32_t flags) {
    std::optional<std::uint32_t> fingerprint = compute_fingerprint(line, flags);
    if (!fingerprint) return -1;
    table.commit_line(*fingerprint);
    return 0;
}

}  // namespace vesk
