#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/types.h>
#include <utility>
#include <vector>

// Runs the programs as a user's shell would, with pipes on their standard
// streams, so tests see the exact bytes, the exit status and where they wait.
namespace proc {

using std::chrono::milliseconds;

// How a standard stream is given: a pipe to the test, closed, /dev/full,
// or (standard output only) a pipe whose reader has gone away, or a new
// file that nobody reads.
enum class stream { pipe, closed, dev_full, gone, file };

struct options {
    std::vector<std::string> args;
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
    std::vector<std::pair<int, rlim_t>> limits;
};

struct outcome {
    std::string out;
    std::string err;
    int status = -1;    // exit code, or 128 + signal
    long peak_kib = 0;  // peak resident memory
};

// In a new child: the signal dispositions and mask a shell gives a command,
// whatever the test process set for itself.
void default_signals();

// Feeds `input`, then end of input, and collects everything until exit.
outcome run(const std::string& program, std::string_view input, const options& opts = {});

// A program whose standard input stays open until close_input().
class session {
public:
    explicit session(const std::string& program, const options& opts = {});
    ~session();
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    void send(std::string_view bytes);
    void close_input();

    // True once the program, having read all it was sent, waits for more
    // input and standard output is exactly `expected`; false if it exits.
    bool waits_after(std::string_view expected);
    // True once the program has exited with `status` and standard output is
    // exactly `expected`; false if it waits for input instead.
    bool ends_with(std::string_view expected, int status);

    const std::string& out() const { return out_; }

private:
    bool pump(milliseconds limit);  // reads what comes; false when it exited
    pid_t pid_ = -1;
    int in_ = -1;
    int out_fd_ = -1;
    int status_ = -1;
    std::string out_;
};

}  // namespace proc
