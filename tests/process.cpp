#include "process.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace proc {
namespace {

namespace fs = std::filesystem;
using clock = std::chrono::steady_clock;
// Only a hang waits this long without progress.
constexpr auto patience = std::chrono::minutes(1);

bool is_terminal(stream s)
{
    return s == stream::terminal || s == stream::terminal_gone || s == stream::terminal_hangup;
}

// The entries of a /proc directory; a process may go while it is read.
std::vector<fs::path> entries(const fs::path& dir)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        found.push_back(it->path());
    return found;
}

std::string link_of(const fs::path& path)
{
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

std::string first_line(const fs::path& path)
{
    std::ifstream f(path);
    std::string line;
    std::getline(f, line);
    return line;
}

// An exiting process hides its files, as one the kernel protects does.
bool exiting(const fs::path& dir)
{
    std::istringstream stat(first_line(dir / "stat"));
    std::string f;
    unsigned long flags = 0;
    stat.ignore(4096, ')');
    return stat >> f >> f >> f >> f >> f >> f >> flags && (flags & 0x4) != 0;  // PF_EXITING
}

// The number of read() in the program's own architecture: a 32-bit program
// (as wine's 32-bit side is) calls it 3 on x86 and ARM; -1 if it is hidden.
long read_number(const fs::path& exe)
{
    std::ifstream f(exe, std::ios::binary);
    char ident[5] = {};
    return !f.read(ident, sizeof ident) ? -1 : ident[4] == 1 ? 3 : SYS_read;  // ELFCLASS32
}

bool place(stream s, int target, int given, int terminal)
{
    int fd = is_terminal(s) ? terminal : given;
    if (s == stream::closed)
        return close(target) == 0;
    if (s == stream::dev_full)
        fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (s == stream::file && target != 0)
        fd = open("/tmp", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    return fd >= 0 && dup2(fd, target) == target;
}

// In the child: the streams, limits and signals a shell would give the
// command, then the program. A step that fails says so on the test's
// standard error pipe, and the child ends with 127.
[[noreturn]] void become(const options& opts, int in, int out, int err, int terminal,
                         char* const* argv, char* const* env)
{
    auto step = [err](bool done, const char* what) {
        if (!done) {
            dprintf(err, "cannot set up %s: %s\n", what, std::strerror(errno));
            _exit(127);
        }
    };
    for (int sig = 1; sig < NSIG; ++sig)
        std::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const auto& [resource, limit] : opts.limits) {
        const rlimit l{limit, limit};
        step(setrlimit(resource, &l) == 0, "a limit");
    }
    if (opts.in == stream::terminal || opts.out == stream::terminal_hangup)
        step(setsid() >= 0 && ioctl(terminal, TIOCSCTTY, 0) == 0, "the terminal");
    step(place(opts.in, 0, in, terminal), "standard input");
    step(place(opts.out, 1, out, terminal), "standard output");
    step(dup2(err, 2) == 2, "standard error");
    for (int fd = 0; opts.nonblocking && fd < 2; ++fd)
        step(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) == 0, "O_NONBLOCK");
    execve(argv[0], argv, env);
    step(false, argv[0]);
    _exit(127);
}

// An empty variable counts as unset.
std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string stand_in(const std::string& program)
{
    return variable(program == RAISECALC  ? "TEST_RAISECALC"
                    : program == CARDFORM ? "TEST_CARDFORM"
                                          : "-");
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p(strings.size() + 1);
    std::transform(strings.begin(), strings.end(), p.begin(), [](auto& s) { return s.data(); });
    return p;
}

}  // namespace

std::string launcher_of(const std::string& program)
{
    return stand_in(program).empty() ? "" : variable("TEST_LAUNCHER");
}

session::session(const std::string& program, const options& opts, std::string_view file)
    : opts_(opts)
{
    std::signal(SIGPIPE, SIG_IGN);  // a program gone is seen in what it wrote
    if (opts.in == stream::dev_full || opts.in == stream::gone ||
        opts.in == stream::terminal_gone || opts.in == stream::terminal_hangup ||
        (opts.in == stream::terminal && opts.out != stream::terminal))
        throw std::invalid_argument("no such input for the program");
    std::vector<std::string> argv, env = opts.env;
    if (const std::string launcher = launcher_of(program); !launcher.empty()) {
        argv.push_back(launcher);
        for (const char* keep : {"HOME", "WINEPREFIX", "WINEDEBUG", "WINESERVER"})
            if (const char* value = std::getenv(keep))
                env.push_back(std::string(keep) + "=" + value);
    }
    argv.push_back(stand_in(program).empty() ? program : stand_in(program));
    argv.insert(argv.end(), opts.args.begin(), opts.args.end());
    auto args = pointers(argv), vars = pointers(env);

    int in[2], out[2], err[2], master = -1, slave = -1;
    termios t{};
    const bool tty = is_terminal(opts.out);
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        (tty &&
         (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || tcgetattr(slave, &t) != 0)))
        throw std::runtime_error("no pipe or terminal for the program");
    if (opts.in == stream::file) {
        file_ = open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (file_ < 0 || write(file_, file.data(), file.size()) != ssize_t(file.size()) ||
            lseek(file_, 0, SEEK_SET) != 0)
            throw std::runtime_error("no file for the program's input");
    }
    if (tty) {
        t.c_lflag &= ~tcflag_t{ECHO};
        if (opts.enter_is_cr)
            t.c_iflag &= ~tcflag_t{ICRNL};
        tcsetattr(slave, TCSANOW, &t);
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
    if (opts.full_output) {
        fcntl(out[1], F_SETFL, O_NONBLOCK);
        const std::string block(1 << 16, '-');
        for (ssize_t n; (n = write(out[1], block.data(), block.size())) > 0;)
            filler_ += static_cast<std::size_t>(n);
        draining_ = false;
    }
    if (opts.out == stream::gone)  // before the program can write
        close(std::exchange(out[0], -1));
    if ((pid_ = fork()) == 0)
        become(opts, file_ >= 0 ? file_ : in[0], out[1], err[1], slave, args.data(), vars.data());
    if (pid_ < 0)
        throw std::runtime_error("fork");
    for (int fd : {in[0], out[1], err[1], slave})
        close(fd);
    in_ = opts.in == stream::terminal ? (close(in[1]), master) : in[1];
    out_ = tty ? (close(out[0]), master) : out[0];
    err_ = err[0];
    for (int fd : {in_, out_, err_})
        fcntl(fd, F_SETFL, O_NONBLOCK);
    if (opts.in != stream::pipe && opts.in != stream::terminal)
        close_input();
    if (opts.out == stream::terminal_gone || opts.out == stream::terminal_hangup) {
        until([&] { return !out_str_.empty(); });
        close(std::exchange(out_, -1));
    }
}

session::~session()
{
    close_input();
    for (int fd : {out_, err_, file_})
        close(fd);
    if (status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void session::send(std::string_view bytes)
{
    const bool sent = until(
        [&] {
            const ssize_t n = in_ < 0 ? -1 : write(in_, bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
                sent_ += static_cast<std::size_t>(n);
            }
            // Done too once nobody reads it any more.
            return bytes.empty() || (n < 0 && errno != EAGAIN && errno != EINTR);
        },
        true);
    if (!sent && status_ < 0)
        throw std::runtime_error(failure("took no input for a minute", "").message());
}

void session::close_input()
{
    if (in_ != out_)
        close(in_);
    in_ = -1;
}

bool session::pump(bool to_write)
{
    pollfd p[3] = {
        {to_write ? in_ : -1, POLLOUT, 0}, {draining_ ? out_ : -1, POLLIN, 0}, {err_, POLLIN, 0}};
    poll(p, 3, 20);
    int raw = 0;  // once it has ended, all it wrote is in the pipes
    if (status_ < 0 && wait4(pid_, &raw, WNOHANG, &usage_) == pid_)
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    char buf[1 << 16];
    for (auto [fd, sink] : {std::pair{&out_, &out_str_}, std::pair{&err_, &err_str_}}) {
        while (*fd >= 0 && (draining_ || fd != &out_)) {
            const ssize_t n = read(*fd, buf, sizeof buf);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                break;
            if (n <= 0) {  // its end, or a terminal nobody holds any more
                in_ = in_ == *fd ? -1 : in_;
                close(std::exchange(*fd, -1));
                break;
            }
            const std::size_t skip = fd == &out_ ? std::min(filler_, std::size_t(n)) : 0;
            filler_ -= skip;
            sink->append(buf + skip, static_cast<std::size_t>(n) - skip);
        }
    }
    return status_ < 0;
}

// The one wait: moves what comes until `done()`. False if the program has
// ended and written all it will first, or after a minute in which nothing
// moved either way.
bool session::until(const std::function<bool()>& done, bool to_write)
{
    auto moved = [this] { return out_str_.size() + err_str_.size() + sent_; };
    for (auto end = clock::now() + patience; !done();) {
        const std::size_t before = moved();
        if ((!pump(to_write) && (out_ < 0 || !draining_) && !done()) || clock::now() > end)
            return false;
        if (moved() != before)
            end = clock::now() + patience;
    }
    return true;
}

// Whether a process that holds the program's input pipe (the program, or
// the one wine starts for it) sits in read() on it, with nothing left
// unread: it waits for what the user types next. The kernel tells, not a
// clock; where it will not, the session is blind.
bool session::waits()
{
    struct stat pipe {};
    int unread = 0;
    if (opts_.in != stream::pipe || in_ < 0 || fstat(in_, &pipe) != 0 ||
        ioctl(in_, FIONREAD, &unread) != 0 || unread != 0)
        return false;
    const std::string name = "pipe:[" + std::to_string(pipe.st_ino) + "]";
    const fs::path started = "/proc/" + std::to_string(pid_);
    examined_ = "  " + started.string() + ": " + first_line(started / "syscall") + "\n";
    if (entries(started / "fd").empty() || first_line(started / "syscall").empty()) {
        blind_ = !exiting(started);
        return false;
    }
    for (const fs::path& dir : entries("/proc")) {
        const std::string pid = dir.filename();
        const auto fds = entries(dir / "fd");
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(getpid()) ||
            std::none_of(fds.begin(), fds.end(), [&](auto& fd) { return link_of(fd) == name; }))
            continue;
        const long read = read_number(dir / "exe");
        for (const fs::path& task : entries(dir / "task")) {
            const std::string line = first_line(task / "syscall");
            examined_ += "  " + dir.string() + " " + link_of(dir / "exe") + ": " + line + "\n";
            std::istringstream fields(line);
            long number = -2;
            unsigned long fd = 0;
            blind_ |= (read < 0 || line.empty()) && !exiting(dir);
            if (fields >> number >> std::hex >> fd && number == read &&
                link_of(dir / "fd" / std::to_string(fd)) == name)
                return true;
        }
    }
    return false;
}

testing::AssertionResult session::failure(const char* what, std::string_view text) const
{
    return testing::AssertionFailure()
           << "the program " << what << " "
           << (text.empty() ? "" : testing::PrintToString(std::string(text)))
           << "\n  output: " << testing::PrintToString(out_str_)
           << "\n  standard error: " << testing::PrintToString(err_str_)
           << "\n  exit status: " << status_ << " (-1 while it runs)\n  processes examined:\n"
           << examined_;
}

testing::AssertionResult session::waits_after(std::string_view expected)
{
    const bool waiting =
        until([&] { return blind_ || waits() || out_str_.size() > expected.size(); });
    if (blind_) {
        // Never passed on a guess: the check is recorded as skipped.
        [this] {
            GTEST_SKIP() << "the kernel does not show what the program waits for:\n" << examined_;
        }();
        return testing::AssertionSuccess();
    }
    pump(false);  // all it wrote before this read is in the pipe by now
    if (waiting && status_ < 0 && out_str_ == expected)
        return testing::AssertionSuccess();
    return failure("does not wait for input, having written", expected);
}

testing::AssertionResult session::ends_with(std::string_view expected, int status)
{
    const outcome got = finish();
    if (got.status == status && got.out == expected)
        return testing::AssertionSuccess();
    return failure("does not end, by itself and with the status below, having written", expected)
           << "\n  expected status: " << status;
}

testing::AssertionResult session::shows(std::string_view text)
{
    if (until([&] { return out_str_.find(text) != std::string::npos; }))
        return testing::AssertionSuccess();
    return failure("never shows", text);
}

testing::AssertionResult session::idle()
{
    const std::string stat = "/proc/" + std::to_string(pid_) + "/stat";
    const bool sleeps = until([&] { return first_line(stat).find(") S ") != std::string::npos; });
    draining_ = true;
    return sleeps ? testing::AssertionSuccess() : failure("never sleeps, waiting", "");
}

outcome session::finish()
{
    if (!until([&] {
            if (waits())
                kill(pid_, SIGKILL);
            return status_ >= 0;
        }))
        throw std::runtime_error(failure("does not end within a minute", "").message());
    std::string rest;  // the file and the program share its offset
    char buf[4096];
    for (ssize_t n; file_ >= 0 && (n = read(file_, buf, sizeof buf)) > 0;)
        rest.append(buf, static_cast<std::size_t>(n));
    return {out_str_, err_str_, status_, usage_.ru_maxrss, rest};
}

outcome run(const std::string& program, std::string_view input, const options& opts)
{
    const bool file = opts.in == stream::file;
    session s(program, opts, file ? input : "");
    if (opts.nonblocking) {  // nothing is sent before the program waits for it
        EXPECT_TRUE(s.idle());
    }
    for (std::size_t i = 0; i < opts.repeat && !file; ++i)
        s.send(input);
    if (!opts.hold_input)
        s.close_input();
    return s.finish();
}

}  // namespace proc
