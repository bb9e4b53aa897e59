// Runs every example of README.md and of the manual page's EXAMPLES against the
// built program, so that the outputs shown there cannot drift from what vesk
// prints.
//
// An example is a fenced block marked "console" in the README, and a no-fill
// block (.nf to .fi) in the manual. In it, a line that begins with "$ " is a
// command; the lines up to the next command are what it prints (standard output
// and standard error together). The commands of one block run in one shell, in
// a scratch folder that has the repository's examples/ in it, so "echo $?" shows
// the status of the command before it.
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

// A line of the manual's examples as it reads: \- a hyphen, \e a backslash,
// \(aq an apostrophe.
std::string unescaped(const std::string& line) {
    std::string text;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line.compare(at, 2, "\\-") == 0 || line.compare(at, 2, "\\e") == 0) {
            text += line[at + 1] == '-' ? '-' : '\\';
            ++at;
        } else if (line.compare(at, 4, "\\(aq") == 0) {
            text += '\'';
            at += 3;
        } else {
            text += line[at];
        }
    }
    return text;
}

// The blocks of a document between a line `open` and a line `close`; of the
// manual only those in its EXAMPLES section, with the escapes it uses there read
// as the characters they stand for.
std::vector<Example> examples_in(const std::string& name, const std::string& open, const std::string& close,
                                 const std::string& section = "") {
    std::ifstream document(std::string(VESK_SOURCE_DIR) + "/" + name, std::ios::binary);
    std::vector<Example> examples;
    bool in_section = section.empty(), inside = false;
    std::string text;
    for (int number = 1; std::getline(document, text); ++number) {
        if (!section.empty() && text.starts_with(".SH ")) in_section = text == ".SH " + section;
        if (!in_section) continue;
        if (!section.empty()) text = unescaped(text);
        if (!inside && text == open)
            examples.push_back(Example{number, {}, {}});
        else if (inside && text == close)
            inside = false;
        else if (inside && text.starts_with("$ "))
            examples.back().commands.push_back(text.substr(2));
        else if (inside)
            examples.back().expected += text + "\n";
        inside = inside || text == open;
    }
    return examples;
}

std::vector<Example> readme_examples() { return examples_in("README.md", "```console", "```"); }

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
    for (const auto& [name, examples] : {std::pair{"README.md", readme_examples()},
                                         {"docs/vesk.1", examples_in("docs/vesk.1", ".nf", ".fi", "EXAMPLES")}}) {
        ASSERT_FALSE(examples.empty()) << name << " shows no example";
        for (const Example& example : examples) {
            SCOPED_TRACE(std::string(name) + " line " + std::to_string(example.line));
            ASSERT_FALSE(example.commands.empty()) << "an example without a command";
            EXPECT_EQ(run_example(example), example.expected);
        }
    }
}

// The tour shows every report form and option; losing one of them from the
// README is a fault of the documentation.
TEST(ReadmeExamples, TourRunsEveryOption) {
    std::string commands;
    for (const Example& example : readme_examples())
        for (const std::string& command : example.commands) commands += command + "\n";
    for (const char* option : {"-[a-zA-Z]*b", "-[a-zA-Z]*i", "-[a-zA-Z]*N", "-[a-zA-Z]*x", "-[a-zA-Z]*X", "-c", "-t [0-9]",
                               "-usage", "--help", "--utf8", "--unified", "--label", "--side-by-side"})
        EXPECT_TRUE(std::regex_search(commands, std::regex(std::string("(^|\n)vesk( -[^ ]+)* ") + option))) << option;
}

}  // namespace
}  // namespace vesk
