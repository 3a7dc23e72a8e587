// Start-up cost of each dialogue against the floor, an empty C program linked
// as the programs are: instructions executed (callgrind, repeatable), peak
// resident memory, and mean wall time over many runs, each also as a ratio to
// the floor's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct subject {
    std::string name;
    std::string program;
    std::string input;  // a file
};

struct measure {
    long instructions = 0;  // negative where not measured
    long peak_kib = 0;
    double wall_us = 0;  // negative where not measured
};

std::string input_file(const std::string& text)
{
    char path[] = "/tmp/startup-input-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror("input file");
        std::exit(1);
    }
    close(fd);
    return path;
}

long instructions(const subject& s)
{
    const std::string command = "valgrind --tool=callgrind --callgrind-out-file=/dev/null '" +
                                s.program + "' < '" + s.input + "' 2>&1 >/dev/null";
    FILE* p = popen(command.c_str(), "r");
    long total = -1;
    char line[512];
    while (p != nullptr && std::fgets(line, sizeof line, p) != nullptr) {
        const std::string l = line;
        const auto at = l.find("Collected : ");
        if (at != std::string::npos)
            total = std::atol(l.c_str() + at + 12);
    }
    if (p != nullptr)
        pclose(p);
    return total;
}

// One run as a shell would start it; returns the peak resident memory.
long run_once(const subject& s)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(s.input.c_str(), O_RDONLY);
        const int out = open("/dev/null", O_WRONLY);
        dup2(in, 0);
        dup2(out, 1);
        char* argv[] = {const_cast<char*>(s.program.c_str()), nullptr};
        char* env[] = {nullptr};
        execve(argv[0], argv, env);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

measure measure_subject(const subject& s, int runs)
{
    measure m;
    m.instructions = instructions(s);
    m.peak_kib = run_once(s);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        m.peak_kib = std::max(m.peak_kib, run_once(s));
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    m.wall_us = runs > 0 ? took.count() / runs : -1;
    return m;
}

// A figure, or "not measured" where it could not be.
std::string shown(double value, const char* format)
{
    if (value < 0)
        return "not measured";
    char buf[32];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string ratio(double value, double floor)
{
    return value < 0 || floor <= 0 ? "-" : shown(value / floor, "%.2f");
}

}  // namespace

// Exits with 1 when a budget is not met, or could not be judged because a
// figure it needs was not measured.
int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FLOOR RAISECALC CARDFORM C_DIALOGUE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 5 ? std::atoi(argv[5]) : 1000;
    const std::vector<subject> subjects = {
        {"floor: empty C program", argv[1], input_file("")},
        {"raisecalc, 2010", argv[2], input_file("2010\n\n")},
        {"raisecalc, 2147483647", argv[2], input_file("2147483647\n\n")},
        {"cardform, whole form", argv[3], input_file("Maria\nRua\nRecife\n5551234\n50000\n")},
        {"C dialogue, dynamic", argv[4], input_file("2010\n\n")},
    };
    std::printf("%d runs each for the wall time; ratios are to the floor\n\n", runs);
    std::printf("%-24s %12s %6s %9s %6s %12s %6s\n", "", "instructions", "x", "peak KiB", "x",
                "wall us", "x");
    std::vector<measure> results;
    for (const auto& s : subjects) {
        results.push_back(measure_subject(s, runs));
        const measure& m = results.back();
        const measure& f = results.front();
        std::printf(
            "%-24s %12s %6s %9ld %6s %12s %6s\n", s.name.c_str(),
            shown(static_cast<double>(m.instructions), "%.0f").c_str(),
            ratio(static_cast<double>(m.instructions), static_cast<double>(f.instructions)).c_str(),
            m.peak_kib,
            ratio(static_cast<double>(m.peak_kib), static_cast<double>(f.peak_kib)).c_str(),
            shown(m.wall_us, "%.1f").c_str(), ratio(m.wall_us, f.wall_us).c_str());
        unlink(s.input.c_str());
    }
    const long floor = results[0].instructions;
    const long most =
        std::max({results[1].instructions, results[2].instructions, results[3].instructions});
    const long least =
        std::min({results[1].instructions, results[2].instructions, results[3].instructions});
    const long memory = std::max({results[1].peak_kib, results[2].peak_kib, results[3].peak_kib});
    const bool counted = floor > 0 && least > 0;
    const bool fast = counted && static_cast<double>(most) <= 1.25 * static_cast<double>(floor);
    const bool small = memory <= results[4].peak_kib;
    std::printf("\nbudget: instructions within 1.25x the floor: %s\n",
                !counted
                    ? "not measured (is valgrind installed?)"
                    : (std::string(fast ? "yes" : "NO") + " (" +
                       shown(static_cast<double>(most) / static_cast<double>(floor), "%.2f") + "x)")
                          .c_str());
    std::printf("budget: peak memory within the C dialogue's: %s (%ld KiB against %ld KiB)\n",
                small ? "yes" : "NO", memory, results[4].peak_kib);
    return fast && small ? 0 : 1;
}
