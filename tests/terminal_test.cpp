#include <clocale>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>
#include <vector>

#include <gtest/gtest.h>

// The program on a pseudo-terminal, as a user sees it: the "á" follows the
// terminal's character set, and nothing else about the locale matters.
namespace {

std::string on_terminal(const std::string& program, const std::string& input,
                        const std::string& locale)
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return "openpty failed";
    termios t{};
    tcgetattr(slave, &t);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(slave, TCSANOW, &t);
    const pid_t pid = fork();
    if (pid == 0) {
        close(master);
        login_tty(slave);
        const std::string all = "LC_ALL=" + locale;
        char* env[] = {const_cast<char*>(all.c_str()), nullptr};
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        execve(program.c_str(), argv, env);
        _exit(127);
    }
    close(slave);
    (void)!write(master, input.data(), input.size());
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    close(master);
    waitpid(pid, nullptr, 0);
    return out;
}

bool locale_exists(const char* name)
{
    const bool exists = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, "C");
    return exists;
}

const std::string prompt = "Digite o ano atual: ";

TEST(Terminal, ShowsTheAccentInTheTerminalsCharacterSet)
{
    struct row {
        const char* locale;
        std::string shown;
    };
    const std::vector<row> rows = {
        {"C.UTF-8", prompt + "Novo sal\xC3\xA1rio = 1539.04"},
        {"C", prompt + "Novo sal\xE1rio = 1539.04"},
        {"no_SUCH.UTF-8", prompt + "Novo sal\xE1rio = 1539.04"},
        // Made by the CI script where the machine can: a comma-decimal
        // locale must not change the number, only the accent.
        {"pt_BR.UTF-8", prompt + "Novo sal\xC3\xA1rio = 1539.04"},
        {"pt_BR.ISO-8859-1", prompt + "Novo sal\xE1rio = 1539.04"},
    };
    int checked = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.locale);
        if (r.shown.find('\xC3') != std::string::npos && !locale_exists(r.locale))
            continue;
        if (std::string(r.locale).rfind("pt_BR", 0) == 0 && !locale_exists(r.locale))
            continue;
        EXPECT_EQ(on_terminal(RAISECALC, "2010\n\n", r.locale), r.shown);
        ++checked;
    }
    EXPECT_GE(checked, 3);
}

}  // namespace
