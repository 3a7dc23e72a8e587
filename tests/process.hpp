#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/types.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

// Runs the programs as a user's shell would, with pipes, a file or a
// pseudo-terminal on their standard streams, so tests see the exact bytes,
// the exit status and where they wait. This is the test suite's Linux-only
// part: it asks /proc whether a program waits for input, and uses O_TMPFILE
// and ptys.
//
// Another build can stand in for a program: TEST_RAISECALC or TEST_CARDFORM
// names it, and TEST_LAUNCHER (an absolute path to wine's loader, say) runs
// it. An empty variable counts as unset.
//
// No wait lasts forever: one that sees no progress for a minute fails the
// test with what it saw. Where the kernel will not show whether a program
// waits for input, each check that needs it records a skip, saying why, and
// passes; the rest of the test still runs, and can still fail.
namespace proc {

// The launcher that starts the build standing in for `program`, or "" when
// the program runs by itself: the one place that says how a build starts.
std::string launcher_of(const std::string& program);

// AddressSanitizer reserves far more address space than a small limit allows.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool address_sanitizer = true;
#else
inline constexpr bool address_sanitizer = false;
#endif

// How a standard stream is given: a pipe to the test, closed, a new file
// (input: holding what is sent, from its start), a pseudo-terminal (input:
// only with output on the same one), and for output only /dev/full, a pipe
// whose reader has gone away, or a terminal that hangs up once the program
// has written to it, as a terminal that the program does not control or as
// its controlling terminal.
enum class stream { pipe, closed, file, terminal, dev_full, gone, terminal_gone, terminal_hangup };

struct options {
    std::vector<std::string> args{};
    std::vector<std::string> env{"PATH=/usr/bin:/bin"};
    stream in = stream::pipe;
    stream out = stream::pipe;
    // The input is sent this many times over, so that a test can send
    // hundreds of MiB without holding them: a child's peak memory counts
    // what its parent held when it forked.
    std::size_t repeat = 1;
    // The input stays open after it is sent, as a terminal's would; a
    // program that then waits for more is killed (status 128 + 9).
    bool hold_input = false;
    // Resource limits, as the shell's ulimit sets them.
    std::vector<std::pair<int, rlim_t>> limits{};
    // The program's standard input and output are non-blocking; run() sends
    // nothing until it is idle().
    bool nonblocking = false;
    // Its output pipe is full when it starts, and drained once it is idle().
    bool full_output = false;
    // On a terminal, Enter arrives as '\r', as a Windows console reads it.
    bool enter_is_cr = false;
};

struct outcome {
    std::string out;
    std::string err;
    int status = -1;    // exit code, or 128 + signal
    long peak_kib = 0;  // peak resident memory
    std::string rest;   // what a file given as input holds past where the program left it
};

// Feeds `input`, then end of input, and collects everything until exit. A
// file given as input holds `input` from the start.
outcome run(const std::string& program, std::string_view input, const options& opts = {});

// A program whose standard input stays open until close_input().
class session {
public:
    // A file given as input holds `file`.
    explicit session(const std::string& program, const options& opts = {},
                     std::string_view file = {});
    ~session();
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    void send(std::string_view bytes);
    void close_input();

    // The program, having read all it was sent, waits for more input, and
    // standard output is exactly `expected`.
    testing::AssertionResult waits_after(std::string_view expected);
    // The program has exited with `status`, and standard output is exactly
    // `expected`; it fails at once if the program waits for input instead.
    testing::AssertionResult ends_with(std::string_view expected, int status);
    // Standard output holds `text`.
    testing::AssertionResult shows(std::string_view text);
    // The program sleeps, waiting for its input or output.
    testing::AssertionResult idle();
    // Waits for the program to exit, killing it if it waits for input, and
    // returns all it wrote.
    outcome finish();

private:
    bool pump(bool to_write);  // moves what comes; false once it has exited
    bool until(const std::function<bool()>& done, bool to_write = false);
    bool waits();
    testing::AssertionResult failure(const char* what, std::string_view text) const;

    const options opts_;
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1, file_ = -1;
    std::size_t filler_ = 0, sent_ = 0;     // bytes of a full pipe still to drop; bytes sent
    bool draining_ = true, blind_ = false;  // blind: the kernel will not show what it waits for
    int status_ = -1;
    rusage usage_{};
    std::string out_str_, err_str_, examined_;
};

}  // namespace proc
