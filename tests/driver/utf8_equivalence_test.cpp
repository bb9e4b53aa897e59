// The property that ties --utf8 to the Shift-JIS behaviour: on Japanese text,
// the report of --utf8 on the UTF-8 form of a pair is the UTF-8 form of the
// report on the Shift-JIS pair, byte for byte, under every option that shapes
// what is printed. Whole runs, in-process, on the README's sample pair and on
// generated pairs of words from every script the classes tell apart.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "compare/fingerprint.h"
#include "driver/run.h"
#include "model/options.h"
#include "e2e/e2e_harness.h"
#include "report/cp932_chart.h"

namespace vesk {
namespace {

using testing::Cp932Char;
using Text = std::vector<Cp932Char>;  // a text as its characters, in both encodings

// The characters a generated text is made of, by the kind of word they build.
struct Inventory {
    std::vector<std::vector<Cp932Char>> kinds;
    std::unordered_map<std::string, std::string> utf8_of;  // Shift-JIS bytes -> UTF-8 bytes

    Inventory() {
        // Shift-JIS code ranges: kanji (level 1), hiragana, katakana, full-width
        // letters and digits, full-width punctuation and symbols, half-width katakana.
        const unsigned ranges[][2] = {{0x889F, 0x9872}, {0x829F, 0x82F1}, {0x8340, 0x8396},
                                      {0x824F, 0x829A}, {0x8141, 0x81AC}, {0xA1, 0xDF}};
        kinds.resize(std::size(ranges) + 3);
        for (const Cp932Char& glyph : testing::read_cp932_chart()) {
            // Of two characters with one code, the first is its UTF-8 form.
            if (!utf8_of.emplace(glyph.shift_jis, glyph.utf8).second) continue;
            unsigned code = 0;
            for (char byte : glyph.shift_jis) code = code << 8 | static_cast<unsigned char>(byte);
            for (std::size_t kind = 0; kind < std::size(ranges); ++kind)
                if (code >= ranges[kind][0] && code <= ranges[kind][1]) kinds[kind].push_back(glyph);
        }
        add_ascii(kinds[std::size(ranges)], "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        add_ascii(kinds[std::size(ranges) + 1], "0123456789.");
        add_ascii(kinds[std::size(ranges) + 2], "!\"#$%&'()*+,-/:;<=>?@[\\]^_`{|}~");
    }
    static void add_ascii(std::vector<Cp932Char>& kind, const std::string& characters) {
        for (char character : characters) kind.push_back({std::string(1, character), std::string(1, character)});
    }

    // The UTF-8 form of Shift-JIS output; nothing when it holds a byte sequence
    // that is no character (a double-byte character cut in half).
    std::optional<std::string> to_utf8(const std::string& shift_jis) const {
        std::string utf8;
        for (std::size_t at = 0; at < shift_jis.size();) {
            auto byte = static_cast<unsigned char>(shift_jis[at]);
            std::size_t length = (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0 ? 2 : 1;
            if (byte < 0x80) {
                utf8 += shift_jis[at];
            } else {
                auto found = utf8_of.find(shift_jis.substr(at, length));
                if (found == utf8_of.end()) return std::nullopt;
                utf8 += found->second;
            }
            at += length;
        }
        return utf8;
    }
};

const Inventory& inventory() {
    static const Inventory shared;
    return shared;
}

std::string shift_jis_of(const Text& text) {
    std::string bytes;
    for (const Cp932Char& glyph : text) bytes += glyph.shift_jis;
    return bytes;
}

std::string utf8_of(const Text& text) {
    std::string bytes;
    for (const Cp932Char& glyph : text) bytes += glyph.utf8;
    return bytes;
}

Cp932Char ascii(char character) { return {std::string(1, character), std::string(1, character)}; }

// --- generated pairs ---

using Line = std::vector<Text>;  // its words, blank runs among them

Text random_word(std::mt19937& random) {
    const auto& kinds = inventory().kinds;
    const auto& kind = kinds[random() % kinds.size()];
    Text word;
    for (std::size_t count = 1 + random() % 4; count > 0; --count) word.push_back(kind[random() % kind.size()]);
    return word;
}

Text random_blanks(std::mt19937& random) {
    const char* const runs[] = {" ", "  ", "\t", " \t "};
    Text blanks;
    for (const char* at = runs[random() % std::size(runs)]; *at != '\0'; ++at) blanks.push_back(ascii(*at));
    return blanks;
}

Line random_line(std::mt19937& random) {
    Line line;
    for (std::size_t count = 1 + random() % 6; count > 0; --count) {
        if (!line.empty() && random() % 3 == 0) line.push_back(random_blanks(random));
        line.push_back(random_word(random));
    }
    return line;
}

// An ASCII letter of the word in the other case, or nothing when it has none.
void swap_case(Text& word) {
    for (Cp932Char& glyph : word) {
        char& letter = glyph.shift_jis[0];
        if (glyph.shift_jis.size() == 1 && std::isalpha(static_cast<unsigned char>(letter))) {
            letter = static_cast<char>(std::isupper(static_cast<unsigned char>(letter)) ? std::tolower(letter)
                                                                                        : std::toupper(letter));
            glyph.utf8 = glyph.shift_jis;
            return;
        }
    }
}

// The line with one edit: a word replaced, inserted or removed, a letter's case
// or a blank run changed.
Line edited(Line line, std::mt19937& random) {
    std::size_t at = random() % line.size();
    switch (random() % 5) {
        case 0: line[at] = random_word(random); break;
        case 1: line.insert(line.begin() + static_cast<std::ptrdiff_t>(at), random_word(random)); break;
        case 2: if (line.size() > 1) line.erase(line.begin() + static_cast<std::ptrdiff_t>(at)); break;
        case 3: swap_case(line[at]); break;
        default: line.insert(line.begin() + static_cast<std::ptrdiff_t>(at), random_blanks(random)); break;
    }
    return line;
}

Text joined(const std::vector<Line>& lines, bool last_newline) {
    Text text;
    for (const Line& line : lines) {
        for (const Text& word : line) text.insert(text.end(), word.begin(), word.end());
        text.push_back(ascii('\n'));
    }
    if (!last_newline && !text.empty()) text.pop_back();
    return text;
}

struct TextPair {
    Text first, second;
};

TextPair random_pair(std::mt19937& random) {
    std::vector<Line> first, second;
    for (std::size_t count = 1 + random() % 3; count > 0; --count) first.push_back(random_line(random));
    for (const Line& line : first) {
        unsigned roll = random() % 8;
        if (roll == 0) continue;  // the line is gone
        second.push_back(roll < 5 ? edited(line, random) : line);
        if (roll == 7) second.push_back(random_line(random));
    }
    return {joined(first, random() % 6 != 0), joined(second, random() % 6 != 0)};
}

// --- the property ---

struct Outcome {
    std::string out, err;
    int status;
};

Outcome run_vesk(std::vector<std::string> args) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    Output out, err;
    int status = execute(static_cast<int>(args.size()), argv.data(), out, err);
    return {out.captured(), err.captured(), status};
}

std::uint32_t flags_of(const std::vector<std::string>& options) {
    std::uint32_t flags = 0;
    for (const std::string& option : options) {
        if (option.starts_with("-") && option.find('i') != std::string::npos) flags |= OPT_IGNORE_CASE;
        if (option.starts_with("-") && option.find('b') != std::string::npos) flags |= OPT_SQUEEZE_BLANKS;
    }
    return flags;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Whether two lines of the pair have equal fingerprints in one encoding and not
// in the other: the matcher then pairs the lines differently, by design.
// Every line of both files, in one encoding.
std::vector<std::string> lines_of(const TextPair& pair, std::string (*encoded)(const Text&)) {
    std::vector<std::string> lines = lines_of(encoded(pair.first)), second = lines_of(encoded(pair.second));
    lines.insert(lines.end(), second.begin(), second.end());
    return lines;
}

bool collides_in_one_encoding(const TextPair& pair, std::uint32_t flags) {
    std::vector<std::string> shift_jis = lines_of(pair, shift_jis_of), utf8 = lines_of(pair, utf8_of);
    for (std::size_t x = 0; x < shift_jis.size(); ++x)
        for (std::size_t y = x + 1; y < shift_jis.size(); ++y) {
            bool equal_in_shift_jis = compute_fingerprint(shift_jis[x], flags) == compute_fingerprint(shift_jis[y], flags);
            bool equal_in_utf8 = compute_fingerprint(utf8[x], flags | OPT_UTF8) == compute_fingerprint(utf8[y], flags | OPT_UTF8);
            if (equal_in_shift_jis != equal_in_utf8) return true;
        }
    return false;
}

bool has_long_utf8_line(const TextPair& pair) {
    for (const std::string& line : lines_of(pair, utf8_of))
        if (line.size() + 1 > 4095) return true;  // with its newline, past one piece
    return false;
}

struct Tally {
    int compared = 0, collisions = 0, long_lines = 0;
};

const std::vector<std::vector<std::string>> kOptionSets = {
    {}, {"-x"}, {"-X"}, {"-i"}, {"-b"}, {"-t", "8"}, {"-xi", "-t", "8"}, {"-Xbi"},
};

void expect_same_report(const e2e::ScratchDir& dir, const TextPair& pair, const std::string& label, Tally& tally) {
    const std::string sjis1 = dir.path() + "/s1", sjis2 = dir.path() + "/s2";
    const std::string utf1 = dir.path() + "/u1", utf2 = dir.path() + "/u2";
    dir.write("s1", shift_jis_of(pair.first));
    dir.write("s2", shift_jis_of(pair.second));
    dir.write("u1", utf8_of(pair.first));
    dir.write("u2", utf8_of(pair.second));
    for (const std::vector<std::string>& options : kOptionSets) {
        if (has_long_utf8_line(pair)) {
            ++tally.long_lines;
            continue;
        }
        if (collides_in_one_encoding(pair, flags_of(options))) {
            ++tally.collisions;
            continue;
        }
        std::vector<std::string> sjis_args = options, utf8_args = options;
        sjis_args.insert(sjis_args.end(), {sjis1, sjis2});
        utf8_args.insert(utf8_args.begin(), "--utf8");
        utf8_args.insert(utf8_args.end(), {utf1, utf2});
        Outcome in_sjis = run_vesk(sjis_args), in_utf8 = run_vesk(utf8_args);
        ++tally.compared;
        std::string where = label + " with" + ::testing::PrintToString(options);
        std::optional<std::string> converted = inventory().to_utf8(in_sjis.out);
        ASSERT_TRUE(converted) << where << ": the Shift-JIS report holds half a character";
        ASSERT_EQ(in_utf8.status, in_sjis.status) << where;
        ASSERT_EQ(in_utf8.err, in_sjis.err) << where;
        ASSERT_EQ(in_utf8.out, *converted) << where << "\nShift-JIS pair:\n"
                                           << utf8_of(pair.first) << "\n--\n" << utf8_of(pair.second);
    }
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The sample files as characters; the UTF-8 samples are their conversion.
TEST(Utf8Equivalence, SampleFiles) {
    const std::string examples = std::string(VESK_SOURCE_DIR) + "/examples/";
    TextPair pair;
    for (int side = 1; side <= 2; ++side) {
        std::string shift_jis = read_file(examples + "japanese-" + std::to_string(side) + ".txt");
        Text& text = side == 1 ? pair.first : pair.second;
        for (std::size_t at = 0; at < shift_jis.size();) {
            std::size_t length = static_cast<unsigned char>(shift_jis[at]) >= 0x80 ? 2 : 1;
            std::string bytes = shift_jis.substr(at, length);
            text.push_back({bytes, length == 1 ? bytes : inventory().utf8_of.at(bytes)});
            at += length;
        }
        EXPECT_EQ(read_file(examples + "japanese-utf8-" + std::to_string(side) + ".txt"), utf8_of(text));
    }
    e2e::ScratchDir dir;
    Tally tally;
    expect_same_report(dir, pair, "examples/japanese", tally);
    EXPECT_EQ(tally.compared, static_cast<int>(kOptionSets.size()));
}

TEST(Utf8Equivalence, GeneratedPairs) {
    constexpr int kPairs = 2000;
    std::mt19937 random(16);
    e2e::ScratchDir dir;
    Tally tally;
    for (int round = 0; round < kPairs && !HasFatalFailure(); ++round)
        expect_same_report(dir, random_pair(random), "pair #" + std::to_string(round), tally);
    std::printf("[          ] %d runs compared; excluded: %d fingerprint collisions, %d long lines\n",
                tally.compared, tally.collisions, tally.long_lines);
    // The exclusions stay rare: the property holds for nearly every run.
    EXPECT_GT(tally.compared, kPairs * static_cast<int>(kOptionSets.size()) * 99 / 100);
}

}  // namespace
}  // namespace vesk
