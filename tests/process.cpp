#include "process.hpp"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace proc {
namespace {

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(what);
}

struct ignore_sigpipe {
    ignore_sigpipe() { std::signal(SIGPIPE, SIG_IGN); }
} const ignored;

int decode(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

void place(stream s, int pipe_end, int target, int open_flags)
{
    if (s == stream::closed) {
        close(target);
    } else if (s == stream::dev_full || s == stream::file) {
        const int fd = s == stream::file ? open("/tmp", O_TMPFILE | O_WRONLY, 0600)
                                         : open("/dev/full", open_flags);
        dup2(fd, target);
        close(fd);
    } else {
        dup2(pipe_end, target);
    }
}

// The command line and environment of a run. Another build can stand in for
// a program: TEST_RAISECALC or TEST_CARDFORM names it, and TEST_LAUNCHER (an
// absolute path to wine, say) runs it, with the launcher's own settings.
struct command {
    std::vector<std::string> argv;
    std::vector<std::string> env;
};

command command_for(const std::string& program, const options& opts)
{
    command c{{}, opts.env};
    std::string name = "TEST_" + program.substr(program.find_last_of('/') + 1);
    for (char& ch : name)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const char* other = std::getenv(name.c_str());
    const char* launcher = std::getenv("TEST_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0') {
        c.argv.emplace_back(launcher);
        for (const char* keep : {"HOME", "WINEPREFIX", "WINEDEBUG", "WINESERVER"})
            if (const char* value = std::getenv(keep))
                c.env.push_back(std::string(keep) + "=" + value);
    }
    c.argv.emplace_back(other != nullptr ? other : program);
    c.argv.insert(c.argv.end(), opts.args.begin(), opts.args.end());
    return c;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    p.reserve(strings.size() + 1);
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts `program`; its standard input, output and error are the parent's
// ends in fds[0..2] (or -1 where the stream is not a pipe).
pid_t spawn(const std::string& program, const options& opts, int fds[3])
{
    command c = command_for(program, opts);
    std::vector<char*> argv = pointers(c.argv);
    std::vector<char*> env = pointers(c.env);
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        fail("pipe");
    if (opts.out == stream::gone)
        close(out[0]);
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        default_signals();
        for (const auto& [resource, limit] : opts.limits) {
            const rlimit l{limit, limit};
            setrlimit(resource, &l);
        }
        place(opts.in, in[0], 0, O_RDONLY);
        place(opts.out, out[1], 1, O_WRONLY);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        execve(argv[0], argv.data(), env.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    fds[0] = in[1];
    fds[1] = out[0];
    fds[2] = err[0];
    if (opts.out == stream::gone)
        fds[1] = -1;
    if (opts.in != stream::pipe) {
        close(fds[0]);
        fds[0] = -1;
    }
    return pid;
}

// Whether `pid` sits blocked reading its standard input (or a copy of it, as
// wine reads) with nothing left unread on `input`, the test's end of that
// pipe: it waits for what the user types next. The kernel tells, not a clock.
bool waits_for_input(pid_t pid, int input)
{
    int unread = 0;
    if (input >= 0 && (ioctl(input, FIONREAD, &unread) != 0 || unread != 0))
        return false;
    namespace fs = std::filesystem;
    const fs::path proc = "/proc/" + std::to_string(pid);
    std::error_code ec;
    const fs::path stdin_file = fs::read_symlink(proc / "fd" / "0", ec);
    if (ec)
        return false;
    for (const auto& task : fs::directory_iterator(proc / "task", ec)) {
        std::ifstream syscall(task.path() / "syscall");
        long number = -1;
        unsigned long fd = 0;
        if (syscall >> number >> std::hex >> fd && number == SYS_read &&
            fs::read_symlink(proc / "fd" / std::to_string(fd), ec) == stdin_file)
            return true;
    }
    return false;
}

// Reads what is there from a non-blocking `fd`, closing it at its end.
// True if it read anything.
bool read_some(int& fd, std::string& sink)
{
    char buf[65536];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0)
        sink.append(buf, static_cast<std::size_t>(n));
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        close(fd);
        fd = -1;
    }
    return n > 0;
}

}  // namespace

void default_signals()
{
    for (int sig = 1; sig < NSIG; ++sig)
        std::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

outcome run(const std::string& program, std::string_view input, const options& opts)
{
    int fds[3];
    const pid_t pid = spawn(program, opts, fds);
    outcome result;
    std::string* sinks[3] = {nullptr, &result.out, &result.err};
    for (int i = 1; i < 3; ++i)
        fcntl(fds[i], F_SETFL, O_NONBLOCK);
    std::size_t sent = 0;
    std::size_t rounds = opts.repeat;
    int held = -1;  // the input, all sent, kept open
    auto input_sent = [&] {
        if (opts.hold_input)
            held = fds[0];
        else
            close(fds[0]);
        fds[0] = -1;
    };
    if (fds[0] >= 0 && (input.empty() || rounds == 0))
        input_sent();
    int raw = 0;
    rusage usage{};
    // Until the program exits; its output pipes may outlive it, held open by
    // processes it started (as wine's services do).
    while (wait4(pid, &raw, WNOHANG, &usage) != pid) {
        pollfd p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = {fds[i], static_cast<short>(i == 0 ? POLLOUT : POLLIN), 0};
        if (poll(p, 3, 20) < 0 && errno != EINTR)
            fail("poll");
        if (fds[0] >= 0 && p[0].revents != 0) {
            const std::size_t chunk = std::min<std::size_t>(input.size() - sent, 1 << 16);
            const ssize_t n = write(fds[0], input.data() + sent, chunk);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            if (sent == input.size() && --rounds > 0)
                sent = 0;
            if (n < 0 || sent == input.size())
                input_sent();
        }
        for (int i = 1; i < 3; ++i)
            if (fds[i] >= 0 && p[i].revents != 0)
                read_some(fds[i], *sinks[i]);
        if (held >= 0 && waits_for_input(pid, held))
            kill(pid, SIGKILL);
    }
    for (const int fd : {fds[0], held})
        if (fd >= 0)
            close(fd);
    for (int i = 1; i < 3; ++i) {
        while (fds[i] >= 0 && read_some(fds[i], *sinks[i])) {
        }
        if (fds[i] >= 0)
            close(fds[i]);
    }
    result.status = decode(raw);
    result.peak_kib = usage.ru_maxrss;
    return result;
}

session::session(const std::string& program, const options& opts)
{
    int fds[3];
    pid_ = spawn(program, opts, fds);
    in_ = fds[0];
    out_fd_ = fds[1];
    fcntl(out_fd_, F_SETFL, O_NONBLOCK);
    close(fds[2]);
}

session::~session()
{
    if (in_ >= 0)
        close(in_);
    if (out_fd_ >= 0)
        close(out_fd_);
    if (status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void session::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(in_, bytes.data(), bytes.size());
        if (n <= 0)
            fail("write to program");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void session::close_input()
{
    close(in_);
    in_ = -1;
}

bool session::pump(milliseconds limit)
{
    if (status_ >= 0)
        return false;
    pollfd p{out_fd_, POLLIN, 0};
    if (out_fd_ >= 0 && poll(&p, 1, static_cast<int>(limit.count())) > 0)
        read_some(out_fd_, out_);
    else if (out_fd_ < 0)
        poll(nullptr, 0, static_cast<int>(limit.count()));
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        // Whatever it wrote before exiting is still in the pipe.
        while (out_fd_ >= 0 && read_some(out_fd_, out_)) {
        }
        status_ = decode(raw);
        return false;
    }
    return true;
}

bool session::waits_after(std::string_view expected)
{
    while (pump(milliseconds{20})) {
        if (waits_for_input(pid_, in_)) {
            // All it wrote before this read is in the pipe by now.
            while (out_fd_ >= 0 && read_some(out_fd_, out_)) {
            }
            return out_ == expected;
        }
        if (out_.size() > expected.size())
            return false;
    }
    return false;
}

bool session::ends_with(std::string_view expected, int status)
{
    while (pump(milliseconds{20}))
        if (waits_for_input(pid_, in_))
            return false;
    return status_ == status && out_ == expected;
}

}  // namespace proc
