#include <clocale>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

// The program on a pseudo-terminal, as a user sees it: the "á" follows the
// terminal's character set, and nothing else about the locale matters.
namespace {

// Types "2010", Enter, Enter once the prompt shows, and returns what the
// terminal got.
std::string on_terminal(proc::options opts)
{
    opts.in = opts.out = proc::stream::terminal;
    proc::session s(RAISECALC, opts);
    // Without its last space: a console may draw that as a cursor move.
    EXPECT_TRUE(s.shows("Digite o ano atual:"));
    s.send("2010\r\r");
    return s.finish().out;
}

bool locale_exists(const char* name)
{
    const bool exists = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, "C");
    return exists;
}

TEST(Terminal, ShowsTheAccentInTheTerminalsCharacterSet)
{
    if (const std::string launcher = proc::launcher_of(RAISECALC); !launcher.empty())
        GTEST_SKIP() << "a Windows console has a test of its own (" << launcher
                     << " starts the program)";
    struct row {
        std::vector<std::string> env;
        const char* needs;  // a locale that CI makes, for the rows that need it
        std::string shown;
        rlim_t memory = RLIM_INFINITY;
    };
    const std::string utf8 = expected::raisecalc_prompt + "Novo sal\xC3\xA1rio = 1539.04";
    const std::string latin1 = expected::raisecalc_result + "1539.04";
    // Only a terminal whose character set has "á" at 0xE1 takes the byte;
    // ASCII cannot show "á" at all. The character set is the locale's, or,
    // where that cannot be loaded, the one its name gives, however spelt.
    const std::vector<row> rows = {
        {{"LC_ALL=C.UTF-8"}, nullptr, utf8},
        {{"LC_ALL=C"}, nullptr, utf8},
        {{"LC_ALL=POSIX"}, nullptr, utf8},
        {{}, nullptr, utf8},
        {{"LC_ALL=no_SUCH.UTF-8"}, nullptr, utf8},
        {{"LANG=no_SUCH"}, nullptr, utf8},
        // A comma-decimal locale must not change the number, only the accent.
        {{"LC_ALL=pt_BR.UTF-8"}, "pt_BR.UTF-8", utf8},
        {{"LC_ALL=pt_BR"}, "pt_BR", latin1},
        {{"LC_ALL=pt_BR.ISO-8859-1"}, nullptr, latin1},
        {{"LC_ALL=pt_BR.cp1252"}, nullptr, latin1},
        {{"LANG=no_SUCH.ISO8859-15"}, nullptr, latin1},
        {{"LC_ALL=", "LC_CTYPE=no_SUCH.iso_8859-1@euro", "LANG=C.UTF-8"}, nullptr, latin1},
        {{"LANG=no_SUCH.IBM1129"}, nullptr, latin1},
        {{"LANG=no_SUCH.latin1"}, nullptr, latin1},
        {{"LANG=no_SUCH.Windows-1252"}, nullptr, latin1},
        {{"LANG=no_SUCH.CP1250"}, nullptr, latin1},
        {{"LANG=no_SUCH.csa_z243.4-1985-gr"}, nullptr, latin1},
        {{"LANG=no_SUCH." + std::string(40, 'l')}, nullptr, utf8},
        {{"LC_ALL=pt_BR.ISO-8859-1"}, nullptr, latin1, 3 << 20},  // too little memory to load it
    };
    std::string missing;
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.env));
        if (r.needs != nullptr && !locale_exists(r.needs)) {
            missing += std::string(" ") + r.needs;
            continue;
        }
        if (proc::address_sanitizer && r.memory != RLIM_INFINITY)
            continue;
        proc::options opts;
        opts.env.insert(opts.env.end(), r.env.begin(), r.env.end());
        if (r.memory != RLIM_INFINITY)
            opts.limits = {{RLIMIT_AS, r.memory}};
        EXPECT_EQ(on_terminal(opts), r.shown);
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed here:" << missing << " (see CONTRIBUTING.md)";
}

// A Windows build on a Windows console (wine's, on the same terminal): the
// console is written in UTF-16, so the accent shows whatever its code page.
TEST(Terminal, AWindowsConsoleShowsTheAccent)
{
    if (proc::launcher_of(RAISECALC).empty())
        GTEST_SKIP() << "for a Windows build: set TEST_RAISECALC, and TEST_LAUNCHER to start it";
    // A Windows console reads Enter as it is typed.
    const std::string shown = on_terminal(
        {.env = {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8", "TERM=xterm"}, .enter_is_cr = true});
    EXPECT_NE(shown.find("Novo sal\xC3\xA1rio = 1539.04"), std::string::npos) << shown;
}

}  // namespace
