#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

// The program on a pseudo-terminal, as a user sees it: the "á" follows the
// terminal's character set, and nothing else about the locale matters.
namespace {

const std::string& prompt = expected::raisecalc_prompt;

// Runs `argv` on a new pseudo-terminal with `env`, types "2010", Enter, Enter
// once the prompt shows, and returns what the terminal got. A Windows console
// reads Enter as it is typed, '\r', so `windows` turns off its translation.
std::string on_terminal(std::vector<std::string> argv, std::vector<std::string> env,
                        bool windows = false)
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return "openpty failed";
    termios t{};
    tcgetattr(slave, &t);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (windows)
        t.c_iflag &= ~static_cast<tcflag_t>(ICRNL);
    tcsetattr(slave, TCSANOW, &t);
    std::vector<char*> args, vars;
    for (auto& a : argv)
        args.push_back(a.data());
    for (auto& v : env)
        vars.push_back(v.data());
    args.push_back(nullptr);
    vars.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        proc::default_signals();
        close(master);
        login_tty(slave);
        execve(args[0], args.data(), vars.data());
        _exit(127);
    }
    close(slave);
    std::string out;
    bool typed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) {
            char buf[256];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        // Without its last space: a console may draw that as a cursor move.
        if (!typed && out.find("Digite o ano atual:") != std::string::npos) {
            (void)!write(master, "2010\r\r", 6);
            typed = true;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            // What it wrote last may still be on its way.
            char buf[256];
            for (ssize_t n; poll(&p, 1, 50) > 0 && (n = read(master, buf, sizeof buf)) > 0;)
                out.append(buf, static_cast<std::size_t>(n));
            return out;
        }
    }
    close(master);
    kill(pid, SIGKILL);  // hung or exited: reaps it either way
    waitpid(pid, nullptr, 0);
    return out;
}

bool locale_exists(const char* name)
{
    const bool exists = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, "C");
    return exists;
}

TEST(Terminal, ShowsTheAccentInTheTerminalsCharacterSet)
{
    struct row {
        const char* locale;
        bool made_here;  // by the CI script, where the machine can
        std::string shown;
    };
    const std::string utf8 = prompt + "Novo sal\xC3\xA1rio = 1539.04";
    const std::string latin1 = expected::raisecalc_result + "1539.04";
    // Only a Latin-1 terminal takes the byte 0xE1; ASCII cannot show "á" at all.
    const std::vector<row> rows = {
        {"C.UTF-8", false, utf8},
        {"C", false, utf8},
        {"POSIX", false, utf8},
        {nullptr, false, utf8},  // no locale set
        {"no_SUCH.UTF-8", false, utf8},
        // A comma-decimal locale must not change the number, only the accent.
        {"pt_BR.UTF-8", true, utf8},
        {"pt_BR.ISO-8859-1", true, latin1},
        {"pt_BR.ISO-8859-15", true, latin1},
    };
    int checked = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.locale != nullptr ? r.locale : "unset");
        if (r.made_here && !locale_exists(r.locale))
            continue;
        std::vector<std::string> env;
        if (r.locale != nullptr)
            env.push_back(std::string("LC_ALL=") + r.locale);
        EXPECT_EQ(on_terminal({RAISECALC}, env), r.shown);
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

}  // namespace

// A Windows build on a Windows console (wine's, on the same terminal): the
// console is written in UTF-16, so the accent shows whatever its code page.
TEST(Terminal, AWindowsConsoleShowsTheAccent)
{
    const char* launcher = std::getenv("TEST_LAUNCHER");
    const char* program = std::getenv("TEST_RAISECALC");
    if (launcher == nullptr || program == nullptr)
        GTEST_SKIP() << "for a Windows build: set TEST_LAUNCHER and TEST_RAISECALC";
    std::vector<std::string> env = {"LC_ALL=C.UTF-8", "TERM=xterm"};
    for (const char* keep : {"HOME", "WINEPREFIX", "WINEDEBUG", "WINESERVER"})
        if (const char* value = std::getenv(keep))
            env.push_back(std::string(keep) + "=" + value);
    const std::string shown = on_terminal({launcher, program}, env, true);
    EXPECT_NE(shown.find("Novo sal\xC3\xA1rio = 1539.04"), std::string::npos) << shown;
}
