// Runs every example of README.md against the built program, so that the
// outputs shown there cannot drift from what vesk prints.
//
// An example is a fenced block marked "console". In it, a line that begins with
// "$ " is a command; the lines up to the next command are what it prints
// (standard output and standard error together). The commands of one block run
// in one shell, in a scratch folder that has the repository's examples/ in it,
// so "echo $?" shows the status of the command before it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk {
namespace {

struct Example {
    int line = 0;  // where the block starts in README.md, for failure messages
    std::vector<std::string> commands;
    std::string expected;
};

constexpr const char* FENCE_OPEN = "```console";
constexpr const char* FENCE_CLOSE = "```";
constexpr const char* PROMPT = "$ ";

std::vector<Example> read_examples(const std::string& readme_path) {
    std::ifstream readme(readme_path, std::ios::binary);
    std::vector<Example> examples;
    bool inside = false;
    std::string text;
    for (int number = 1; std::getline(readme, text); ++number) {
        if (!inside) {
            if (text == FENCE_OPEN) {
                inside = true;
                examples.push_back(Example{number, {}, {}});
            }
        } else if (text == FENCE_CLOSE) {
            inside = false;
        } else if (text.starts_with(PROMPT)) {
            examples.back().commands.push_back(text.substr(std::string(PROMPT).size()));
        } else {
            examples.back().expected += text + "\n";
        }
    }
    return examples;
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Runs the block's commands with the built vesk first on PATH and returns all
// they printed. A fixed locale keeps the other tools' output the same everywhere.
std::string run_example(const Example& example) {
    e2e::ScratchDir dir;
    std::filesystem::create_directory_symlink(std::string(VESK_SOURCE_DIR) + "/examples", dir.path() + "/examples");
    std::string bin_dir = std::filesystem::path(VESK_BINARY).parent_path().string();
    std::string script = "LC_ALL=C; export LC_ALL\nPATH='" + bin_dir + "':\"$PATH\"; export PATH\n";
    for (const std::string& command : example.commands) script += command + "\n";
    dir.write(".script", script);
    std::string shell = "cd '" + dir.path() + "' && sh .script >.output 2>&1 </dev/null";
    std::system(shell.c_str());  // the statuses that matter are printed by the block itself
    return read_file(dir.path() + "/.output");
}

std::vector<Example> readme_examples() { return read_examples(std::string(VESK_SOURCE_DIR) + "/README.md"); }

TEST(ReadmeExamples, EveryShownOutputIsWhatVeskPrints) {
    std::vector<Example> examples = readme_examples();
    ASSERT_FALSE(examples.empty()) << "README.md shows no console example";
    for (const Example& example : examples) {
        SCOPED_TRACE("README.md line " + std::to_string(example.line));
        ASSERT_FALSE(example.commands.empty()) << "a console block without a command";
        EXPECT_EQ(run_example(example), example.expected);
    }
}

// The arguments of every vesk command in the README that begin with "-".
std::vector<std::string> shown_options() {
    std::vector<std::string> options;
    for (const Example& example : readme_examples())
        for (const std::string& command : example.commands) {
            std::istringstream words(command);
            std::string word;
            words >> word;
            if (word != "vesk") continue;
            while (words >> word && word.starts_with("-")) options.push_back(word);
        }
    return options;
}

// The tour shows every report form and option; losing one of them from the
// README is a fault of the documentation.
TEST(ReadmeExamples, TourRunsEveryOption) {
    std::string letters;
    bool context = false, tab_stop = false, usage = false, help = false;
    for (const std::string& option : shown_options()) {
        context = context || option.starts_with("-c");
        tab_stop = tab_stop || option == "-t";
        usage = usage || option == "-usage";
        help = help || option == "--help";
        if (option.find_first_not_of("-biNxX") == std::string::npos) letters += option;
    }
    EXPECT_TRUE(context) << "no example of -c";
    EXPECT_TRUE(tab_stop) << "no example of -t";
    EXPECT_TRUE(usage) << "no example of -usage";
    EXPECT_TRUE(help) << "no example of --help";
    for (char letter : std::string("biNxX"))
        EXPECT_NE(letters.find(letter), std::string::npos) << "no example of -" << letter;
}

}  // namespace
}  // namespace vesk
