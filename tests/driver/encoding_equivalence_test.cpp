// The property that ties --encoding to --utf8: a Japanese pair converted into
// any two encodings and compared under --encoding=auto prints exactly what
// --utf8 prints on the pair in UTF-8, status included, under every option that
// shapes the report (--unified among them). Whole runs, in-process, on generated pairs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"
#include "long_runs.h"

namespace vesk {
namespace {

// Characters of every kind that CP932 and EUC-JP both hold (UTF-8).
const std::vector<std::string> WORDS = {
    "今日", "明日", "会議", "資料", "天気", "東京", "電車", "確認", "予定", "変更", "は", "が", "を", "に", "です",
    "ました", "ください", "メール", "テスト", "サーバー", "ﾃｽﾄ", "ｶﾀｶﾅ", "。", "、", "「", "」", "・", "１２３",
    "ＡＢＣ", "abc", "ABC", "2024", "10:30", " ", "\t", "  ", "※", "α", "Я", "①",
};

struct Form {
    const char* charset;
    std::string mark;
};
const Form FORMS[] = {{"CP932", ""},           {"EUC-JP-MS", ""},   {"UTF-8", ""},
                      {"UTF-8", "\xEF\xBB\xBF"}, {"UTF-16LE", ""},   {"UTF-16LE", "\xFF\xFE"},
                      {"UTF-16BE", "\xFE\xFF"}};

std::string random_line(std::mt19937& random) {
    std::string line;
    for (std::size_t count = 2 + random() % 10; count > 0; --count) line += WORDS[random() % WORDS.size()];
    return line + "\n";
}

// Lines kept, changed, removed or added; the last newline sometimes missing.
std::vector<std::string> random_pair(std::mt19937& random) {
    std::string first, second;
    for (std::size_t count = 2 + random() % 6; count > 0; --count) {
        std::string line = random_line(random);
        first += line;
        unsigned roll = random() % 6;
        second += roll == 0 ? "" : roll == 1 ? random_line(random) : line;
        if (roll == 2) second += random_line(random);
    }
    if (random() % 5 == 0) first.pop_back();
    return {first, second};
}

// 150 pairs in the suite, each in two forms drawn at random; VESK_ENCODING_PAIRS=5000 for a long run.
TEST(EncodingEquivalence, GeneratedPairsInAnyTwoEncodings) {
    const int PAIRS = testing::case_count("VESK_ENCODING_PAIRS", 150);
    // The labels stand for the names and times, which differ.
    const std::vector<std::vector<std::string>> OPTION_SETS = {
        {}, {"-x"}, {"-X"}, {"-i"}, {"-b"}, {"-c"}, {"--unified", "--label", "1", "--label", "2"}};
    std::mt19937 random(26);
    e2e::ScratchDir dir;
    const std::string u1 = dir.path() + "/u1", u2 = dir.path() + "/u2", e1 = dir.path() + "/e1", e2 = dir.path() + "/e2";
    for (int round = 0; round < PAIRS && !HasFatalFailure(); ++round) {
        const std::vector<std::string> pair = random_pair(random);
        const Form& first = FORMS[random() % std::size(FORMS)];
        const Form& second = FORMS[random() % std::size(FORMS)];
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
