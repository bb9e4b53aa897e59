#include "e2e/e2e_harness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "driver/run.h"

namespace vesk::e2e {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vesk-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ + "/" + name, std::ios::binary | std::ios::trunc) << bytes;
}

std::string read_bytes(const std::string& path) {
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

static std::string take_file(const std::string& path) {
    std::string bytes = read_bytes(path);
    std::filesystem::remove(path);
    return bytes;
}

Outcome run_vesk(const ScratchDir& dir, std::vector<std::string> args, Setup setup) {
    // Output goes to files, so that a large report cannot fill a pipe and stall.
    const std::string out_path = dir.path() + "/.stdout", err_path = dir.path() + "/.stderr";
    const char* out_file = setup.stdout_to == Setup::Stdout::full_device ? "/dev/full" : out_path.c_str();
    std::string program = VESK_BINARY;
    std::vector<char*> argv{program.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // With a closed pipe, the reading end is closed before the child writes anything.
    int pipe_ends[2] = {-1, -1};
    if (setup.stdout_to == Setup::Stdout::closed_pipe && ::pipe(pipe_ends) != 0) throw std::runtime_error("pipe");
    if (pipe_ends[0] >= 0) ::close(pipe_ends[0]);

    const pid_t pid = ::fork();
    if (pid == 0) {  // only calls that are safe between fork and exec
        const int out = pipe_ends[1] >= 0 ? pipe_ends[1] : ::open(out_file, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (::dup2(::open("/dev/null", O_RDONLY), 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2) < 0 || ::chdir(dir.path().c_str()) != 0)
            ::_exit(126);
        // SIGPIPE ignored or at its default, whatever the test runner's own disposition.
        ::signal(SIGPIPE, setup.ignore_sigpipe ? SIG_IGN : SIG_DFL);
        if (setup.address_space_kb != 0) {
            const rlimit cap{setup.address_space_kb * 1024, setup.address_space_kb * 1024};
            if (::setrlimit(RLIMIT_AS, &cap) != 0) ::_exit(126);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (pipe_ends[1] >= 0) ::close(pipe_ends[1]);
    int wait_status = 0;
    if (pid < 0 || ::waitpid(pid, &wait_status, 0) != pid) throw std::runtime_error("cannot run " + program);
    const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    return {setup.stdout_to == Setup::Stdout::captured ? take_file(out_path) : "", take_file(err_path), status};
}

Outcome run_in_process(std::vector<std::string> args) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    Output out, err;
    int status = execute(static_cast<int>(args.size()), argv.data(), out, err);
    return {out.captured(), err.captured(), status};
}

std::string converted(const std::string& text, const char* from, const char* to) {
    iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return "(no converter)";
    std::string out(4 * text.size() + 4, '\0');
    char* in = const_cast<char*>(text.data());
    char* into = out.data();
    std::size_t in_left = text.size(), out_left = out.size();
    const bool whole = ::iconv(converter, &in, &in_left, &into, &out_left) != static_cast<std::size_t>(-1);
    ::iconv_close(converter);
    out.resize(out.size() - out_left);
    return whole ? out : "(not " + std::string(from) + ")";
}

Outcome compare(const std::string& first, const std::string& second, std::vector<std::string> options) {
    ScratchDir dir;
    dir.write("a", first);
    dir.write("b", second);
    options.insert(options.end(), {"a", "b"});
    return run_vesk(dir, options);
}

void expect_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) EXPECT_EQ(compare(row.first, row.second, row.options), row.expected) << row.what;
}

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
    return os << "{status " << outcome.status << ", out \"" << outcome.out << "\", err \"" << outcome.err << "\"}";
}

}  // namespace vesk::e2e
