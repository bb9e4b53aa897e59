// Runs the built vesk executable in a scratch folder and captures standard
// output, standard error and the exit status, byte for byte.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vesk::e2e {

struct Outcome {
    std::string out;
    std::string err;
    int status = 0;  // the exit status as a shell sees it (0..255)

    bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Outcome& outcome);

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file of exactly these bytes (name relative to the folder).
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Where standard output goes, and how the process takes a broken pipe.
struct Setup {
    enum class Stdout { captured, full_device, closed_pipe };
    Stdout stdout_to = Stdout::captured;
    bool ignore_sigpipe = false;
    std::size_t address_space_kb = 0;  // a cap on vesk's address space, as ulimit -v sets it; 0: none
};

// Runs vesk with args (argv[1] on) in dir; stdin is empty. The status of a
// process killed by a signal is 128 plus the signal's number, as a shell shows it.
Outcome run_vesk(const ScratchDir& dir, std::vector<std::string> args, Setup setup = {});

// Runs vesk's whole run in this process with args (argv[1] on), as the
// executable would: for property tests that run it thousands of times.
Outcome run_in_process(std::vector<std::string> args);

// text converted from one encoding to another by the C library's iconv; a
// message in parentheses when it cannot be, whole.
std::string converted(const std::string& text, const char* from, const char* to);

// The bytes of a file, all of them; "" when it cannot be read.
std::string read_bytes(const std::string& path);

// Writes the two files "a" and "b" and runs vesk with options, then "a" "b".
Outcome compare(const std::string& first, const std::string& second, std::vector<std::string> options = {});

// A case for compare(): what it shows, the two files, the options, the outcome.
struct Row {
    const char* what;
    std::string first, second;
    std::vector<std::string> options;
    Outcome expected;
};
// Expects compare() to give each row's outcome.
void expect_rows(const std::vector<Row>& rows);

}  // namespace vesk::e2e
