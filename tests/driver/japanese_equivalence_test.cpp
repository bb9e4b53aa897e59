// The two properties that tie the Japanese encodings together, on generated
// pairs of words from every script the classes tell apart (README.md runs the
// sample pair), whole runs in-process. --utf8 to the Shift-JIS behaviour: the
// report of --utf8 on the UTF-8 form of a pair is the UTF-8 form of the report on
// the Shift-JIS pair, byte for byte. --encoding to --utf8: the pair converted
// into any two encodings and compared under --encoding=auto prints exactly what
// --utf8 prints on the pair in UTF-8, status included. Both under every option
// that shapes what is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "compare/fingerprint.h"
#include "e2e/e2e_harness.h"
#include "long_runs.h"
#include "model/options.h"
#include "support/text_encoding.h"

namespace vesk {
namespace {

// The characters words are made of, in UTF-8, one kind a string: each kind is a
// class of its own in both encodings. Among them second bytes that look like
// ASCII in Shift-JIS: 表 能 ソ (0x5C), ア (0x41), ヂ (0x61), ー (0x5B). The last
// kind, half-width katakana, is left out where a short text would have to tell
// Shift-JIS from EUC-JP by itself: ｱｲ are the bytes of one EUC-JP kanji.
const std::string KINDS[] = {
    "今日晴雨表能漢字会議東京", "あいうはれですがをっ", "アカソヂテストーヴ", "ＡＢａｂ０１９",
    "。、「」・※①！？", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", "0123456789.",
    "!\"#$%&'()*+,-/:;<=>?@[\\]^_`{|}~", "ｱｶﾃｽﾄﾞﾟ",
};

std::string shift_jis(const std::string& utf8) { return e2e::converted(utf8, "UTF-8", "CP932"); }

// A file as its lines in UTF-8, each without its newline.
struct File {
    std::vector<std::string> lines;
    bool last_newline = true;

    std::string bytes() const {
        std::string text;
        for (const std::string& line : lines) text += line + "\n";
        if (!last_newline && !text.empty()) text.pop_back();
        return text;
    }
};

struct FilePair {
    File first, second;
};

// --- generated pairs ---

std::string random_word(std::mt19937& random, std::size_t kinds) {
    const std::string& kind = KINDS[random() % kinds];
    std::string word;
    for (std::size_t count = 1 + random() % 4; count > 0; --count) {
        std::size_t at = random() % kind.size();
        while ((kind[at] & 0xC0) == 0x80) --at;  // to the start of its character
        word += kind.substr(at, static_cast<std::size_t>(decode_utf8(kind.c_str() + at).length));
    }
    return word;
}

std::string random_blanks(std::mt19937& random) { return std::string(" \t  \t ").substr(random() % 4, 1 + random() % 3); }

// Words and blank runs, to be joined into a line.
using Pieces = std::vector<std::string>;

Pieces random_pieces(std::mt19937& random, std::size_t kinds) {
    Pieces pieces;
    for (std::size_t count = 1 + random() % 6; count > 0; --count) {
        if (!pieces.empty() && random() % 3 == 0) pieces.push_back(random_blanks(random));
        pieces.push_back(random_word(random, kinds));
    }
    return pieces;
}

// One edit: a word replaced, inserted or removed, the case of an ASCII word's
// letters swapped, or a blank run inserted.
Pieces edited(Pieces pieces, std::mt19937& random, std::size_t kinds) {
    std::size_t at = random() % pieces.size();
    auto where = pieces.begin() + static_cast<std::ptrdiff_t>(at);
    switch (random() % 5) {
        case 0: pieces[at] = random_word(random, kinds); break;
        case 1: pieces.insert(where, random_word(random, kinds)); break;
        case 2: if (pieces.size() > 1) pieces.erase(where); break;
        case 3:
            if (std::all_of(pieces[at].begin(), pieces[at].end(), [](char byte) { return byte > 0; }))
                for (char& byte : pieces[at]) byte = std::isalpha(byte) ? static_cast<char>(byte ^ 0x20) : byte;
            break;
        default: pieces.insert(where, random_blanks(random)); break;
    }
    return pieces;
}

std::string joined(const Pieces& pieces) { return std::accumulate(pieces.begin(), pieces.end(), std::string()); }

// Lines kept, edited, removed, or followed by a new one.
FilePair random_pair(std::mt19937& random, std::size_t kinds = std::size(KINDS)) {
    FilePair pair;
    for (std::size_t count = 1 + random() % 3; count > 0; --count) {
        Pieces line = random_pieces(random, kinds);
        pair.first.lines.push_back(joined(line));
        unsigned roll = random() % 8;
        if (roll != 0) pair.second.lines.push_back(joined(roll < 5 ? edited(line, random, kinds) : line));
        if (roll == 7) pair.second.lines.push_back(joined(random_pieces(random, kinds)));
    }
    pair.first.last_newline = random() % 6 != 0;
    pair.second.last_newline = random() % 6 != 0;
    return pair;
}

// --- the properties ---

struct Form {
    const char* charset;
    std::string mark;
};
const Form FORMS[] = {{"CP932", ""},           {"EUC-JP-MS", ""},   {"UTF-8", ""},
                      {"UTF-8", "\xEF\xBB\xBF"}, {"UTF-16LE", ""},   {"UTF-16LE", "\xFF\xFE"},
                      {"UTF-16BE", "\xFE\xFF"}};


struct OptionSet {
    std::vector<std::string> args;
    std::uint32_t flags;  // those that shape fingerprints
};

const OptionSet OPTION_SETS[] = {
    {{}, 0},
    {{"-x"}, 0},
    {{"-X"}, 0},
    {{"-i"}, OPT_IGNORE_CASE},
    {{"-b"}, OPT_SQUEEZE_BLANKS},
    {{"-t", "8"}, 0},
    {{"-xi", "-t", "8"}, OPT_IGNORE_CASE},
    {{"-Xbi"}, OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS},
};

// Two lines with equal fingerprints in one encoding and not in the other: the
// matcher pairs the lines differently then, by design.
bool collides_in_one_encoding(const FilePair& pair, std::uint32_t flags) {
    std::vector<std::string> lines = pair.first.lines;
    lines.insert(lines.end(), pair.second.lines.begin(), pair.second.lines.end());
    std::vector<std::pair<std::optional<std::uint32_t>, std::optional<std::uint32_t>>> prints;
    for (const std::string& line : lines)
        prints.emplace_back(compute_fingerprint(shift_jis(line), Options{flags}.text_rules()),
                            compute_fingerprint(line, Options{flags | OPT_UTF8}.text_rules()));
    for (std::size_t x = 0; x < lines.size(); ++x)
        for (std::size_t y = x + 1; y < lines.size(); ++y)
            if ((prints[x].first == prints[y].first) != (prints[x].second == prints[y].second)) return true;
    return false;
}

// Runs --utf8 on the UTF-8 pair and the same options on the Shift-JIS pair.
void expect_same_report(const std::string (&in_sjis)[2], const std::string (&utf8)[2], const OptionSet& options,
                        const std::string& where) {
    std::vector<std::string> args = options.args, utf8_args = options.args;
    args.insert(args.end(), {in_sjis[0], in_sjis[1]});
    utf8_args.insert(utf8_args.begin(), "--utf8");
    utf8_args.insert(utf8_args.end(), {utf8[0], utf8[1]});
    e2e::Outcome in_shift_jis = e2e::run_in_process(args), in_utf8 = e2e::run_in_process(utf8_args);
    const std::string label = where + " with" + ::testing::PrintToString(options.args);
    ASSERT_EQ(in_utf8.status, in_shift_jis.status) << label;
    ASSERT_EQ(in_utf8.err, in_shift_jis.err) << label;
    ASSERT_EQ(in_utf8.out, e2e::converted(in_shift_jis.out, "CP932", "UTF-8")) << label;
}

// Generated lines hold at most a few hundred bytes, so none is cut into pieces,
// which would cut differently in the two encodings; pairs whose lines collide
// in one encoding only are excluded and counted. 300 pairs in the suite;
// VESK_UTF8_PAIRS=2000 or more for a long run.
TEST(Utf8Equivalence, GeneratedPairs) {
    const int PAIRS = testing::case_count("VESK_UTF8_PAIRS", 300);
    std::mt19937 random(16);
    e2e::ScratchDir dir;
    const std::string in_sjis[2] = {dir.path() + "/s1", dir.path() + "/s2"};
    const std::string utf8[2] = {dir.path() + "/u1", dir.path() + "/u2"};
    int compared = 0, collisions = 0;
    for (int round = 0; round < PAIRS && !HasFatalFailure(); ++round) {
        const FilePair pair = random_pair(random);
        dir.write("s1", shift_jis(pair.first.bytes()));
        dir.write("s2", shift_jis(pair.second.bytes()));
        dir.write("u1", pair.first.bytes());
        dir.write("u2", pair.second.bytes());
        for (const OptionSet& options : OPTION_SETS) {
            if (collides_in_one_encoding(pair, options.flags)) {
                ++collisions;
                continue;
            }
            ++compared;
            expect_same_report(in_sjis, utf8, options,
                               "pair #" + std::to_string(round) + ":\n" + pair.first.bytes() + "\nagainst\n" + pair.second.bytes());
        }
    }
    std::printf("[          ] %d runs compared; %d excluded for fingerprint collisions\n", compared, collisions);
    // The exclusions stay rare: the property holds for nearly every run.
    EXPECT_GT(compared, PAIRS * static_cast<int>(std::size(OPTION_SETS)) * 99 / 100);
}

// 300 pairs in the suite, each in two forms drawn at random; VESK_ENCODING_PAIRS=5000 for a long run.
TEST(EncodingEquivalence, GeneratedPairsInAnyTwoEncodings) {
    const int PAIRS = testing::case_count("VESK_ENCODING_PAIRS", 300);
    // The labels stand for the names and times, which differ.
    const std::vector<std::vector<std::string>> OPTION_SETS = {
        {}, {"-x"}, {"-X"}, {"-i"}, {"-b"}, {"-c"}, {"--unified", "--label", "1", "--label", "2"}};
    std::mt19937 random(26);
    e2e::ScratchDir dir;
    const std::string u1 = dir.path() + "/u1", u2 = dir.path() + "/u2", e1 = dir.path() + "/e1", e2 = dir.path() + "/e2";
    for (int round = 0; round < PAIRS && !HasFatalFailure(); ++round) {
        FilePair generated = random_pair(random, std::size(KINDS) - 1);
        const Form& first = FORMS[random() % std::size(FORMS)];
        const Form& second = FORMS[random() % std::size(FORMS)];
        // A text of a few characters can be valid in more than one encoding (能
        // in EUC-JP is valid UTF-8); a line of prose first, as in a real file,
        // gives auto enough to tell them apart.
        for (File* file : {&generated.first, &generated.second})
            file->lines.insert(file->lines.begin(), "今日は晴れ、明日は雨でしょう。");
        const std::string pair[2] = {generated.first.bytes(), generated.second.bytes()};
        dir.write("u1", pair[0]);
        dir.write("u2", pair[1]);
        dir.write("e1", first.mark + e2e::converted(pair[0], "UTF-8", first.charset));
        dir.write("e2", second.mark + e2e::converted(pair[1], "UTF-8", second.charset));
        for (const std::vector<std::string>& options : OPTION_SETS) {
            std::vector<std::string> in_utf8 = {"--utf8"}, decoded = {"--encoding=auto"};
            for (const std::string& option : options) in_utf8.push_back(option), decoded.push_back(option);
            in_utf8.insert(in_utf8.end(), {u1, u2});
            decoded.insert(decoded.end(), {e1, e2});
            ASSERT_EQ(e2e::run_in_process(decoded), e2e::run_in_process(in_utf8))
                << first.charset << first.mark.size() << " against " << second.charset << second.mark.size()
                << ::testing::PrintToString(options) << "\n" << pair[0] << "\nagainst\n" << pair[1];
        }
    }
}

}  // namespace
}  // namespace vesk
