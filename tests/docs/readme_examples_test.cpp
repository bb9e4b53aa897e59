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
#include <regex>
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

std::vector<Example> readme_examples() {
    std::ifstream readme(std::string(VESK_SOURCE_DIR) + "/README.md", std::ios::binary);
    std::vector<Example> examples;
    bool inside = false;
    std::string text;
    for (int number = 1; std::getline(readme, text); ++number) {
        if (!inside && text == "```console")
            examples.push_back(Example{number, {}, {}});
        else if (inside && text == "```")
            inside = false;
        else if (inside && text.starts_with("$ "))
            examples.back().commands.push_back(text.substr(2));
        else if (inside)
            examples.back().expected += text + "\n";
        inside = inside || text == "```console";
    }
    return examples;
}

// Runs the block's commands with the built vesk first on PATH and returns all
// they printed. A fixed locale keeps the other tools' output the same everywhere.
std::string run_example(const Example& example) {
    e2e::ScratchDir dir;
    std::filesystem::create_directory_symlink(std::string(VESK_SOURCE_DIR) + "/examples", dir.path() + "/examples");
    const std::string bin_dir = std::filesystem::path(VESK_BINARY).parent_path().string();
    std::string script = "LC_ALL=C; export LC_ALL\nPATH='" + bin_dir + "':\"$PATH\"; export PATH\n";
    for (const std::string& command : example.commands) script += command + "\n";
    dir.write(".script", script);
    const std::string shell = "cd '" + dir.path() + "' && sh .script >.output 2>&1 </dev/null";
    std::system(shell.c_str());  // the statuses that matter are printed by the block itself
    return e2e::read_bytes(dir.path() + "/.output");
}

TEST(ReadmeExamples, EveryShownOutputIsWhatVeskPrints) {
    const std::vector<Example> examples = readme_examples();
    ASSERT_FALSE(examples.empty()) << "README.md shows no console example";
    for (const Example& example : examples) {
        SCOPED_TRACE("README.md line " + std::to_string(example.line));
        ASSERT_FALSE(example.commands.empty()) << "a console block without a command";
        EXPECT_EQ(run_example(example), example.expected);
    }
}

// The tour shows every report form and option; losing one of them from the
// README is a fault of the documentation.
TEST(ReadmeExamples, TourRunsEveryOption) {
    std::string commands;
    for (const Example& example : readme_examples())
        for (const std::string& command : example.commands) commands += command + "\n";
    for (const char* option : {"-[a-zA-Z]*b", "-[a-zA-Z]*i", "-[a-zA-Z]*N", "-[a-zA-Z]*x", "-[a-zA-Z]*X", "-c", "-t [0-9]",
                               "-usage", "--help", "--utf8", "--unified", "--label"})
        EXPECT_TRUE(std::regex_search(commands, std::regex(std::string("(^|\n)vesk( -[^ ]+)* ") + option))) << option;
}

}  // namespace
}  // namespace vesk
