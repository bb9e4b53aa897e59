#include "e2e/e2e_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vesk::e2e {
namespace {

std::string read_all(int fd) {
    std::string text;
    char chunk[65536];
    ssize_t got;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(got));
    return text;
}

std::string scratch_file(const ScratchDir& dir, const char* name) { return dir.path() + "/" + name; }

}  // namespace

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
    std::ofstream file(path_ + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Outcome run_vesk(const ScratchDir& dir, const std::vector<std::string>& args, Setup setup) {
    // Output goes to files, so that a large report cannot fill a pipe and stall.
    std::string out_path = scratch_file(dir, ".stdout"), err_path = scratch_file(dir, ".stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int pipe_ends[2] = {-1, -1};
    switch (setup.stdout_to) {
        case Setup::Stdout::captured:
            posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            break;
        case Setup::Stdout::full_device:
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
            break;
        case Setup::Stdout::closed_pipe:
            // The reading end is closed before the child writes anything.
            if (::pipe(pipe_ends) != 0) throw std::runtime_error("pipe failed");
            ::close(pipe_ends[0]);
            posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
            posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
            break;
    }
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());

    std::vector<char*> argv;
    std::string program = VESK_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The child starts with SIGPIPE ignored or at its default, whatever the test
    // runner's own disposition.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    struct sigaction previous {};
    if (setup.ignore_sigpipe) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &previous);
    } else {
        posix_spawnattr_setsigdefault(&attributes, &pipe_signal);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    }

    pid_t pid;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    if (setup.ignore_sigpipe) ::sigaction(SIGPIPE, &previous, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (pipe_ends[1] >= 0) ::close(pipe_ends[1]);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    int wait_status = 0;
    ::waitpid(pid, &wait_status, 0);

    Outcome outcome;
    outcome.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    for (auto [path, text] : {std::pair{&out_path, &outcome.out}, std::pair{&err_path, &outcome.err}}) {
        int fd = ::open(path->c_str(), O_RDONLY);
        if (fd < 0) continue;  // standard output went elsewhere
        *text = read_all(fd);
        ::close(fd);
        ::unlink(path->c_str());
    }
    return outcome;
}

Outcome compare(const std::string& first, const std::string& second, std::vector<std::string> options) {
    ScratchDir dir;
    dir.write("a", first);
    dir.write("b", second);
    options.push_back("a");
    options.push_back("b");
    return run_vesk(dir, options);
}

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values) text.push_back(static_cast<char>(value));
    return text;
}

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
    return os << "{status " << outcome.status << ", out \"" << outcome.out << "\", err \"" << outcome.err << "\"}";
}

}  // namespace vesk::e2e
