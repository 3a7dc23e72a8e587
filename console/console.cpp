#include "console.hpp"

#include <csignal>
#include <cstdio>
#include <string>

#include "terminal.hpp"

namespace console {
namespace {

struct setup {
    setup()
    {
#ifdef SIGPIPE
        // A reader that went away is a write error like any other, reported
        // by finish() rather than by a silent death.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        exact_output();
    }
} const once;

bool console_failed = false;

std::string to_utf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size() * 2);
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

reader& in()
{
    static reader standard_input(stdin, stdout);
    return standard_input;
}

void write(std::string_view latin1)
{
    static const output_kind kind = standard_output_kind();
    switch (kind) {
    case output_kind::bytes:
        std::fwrite(latin1.data(), 1, latin1.size(), stdout);
        break;
    case output_kind::utf8_terminal: {
        const std::string text = to_utf8(latin1);
        std::fwrite(text.data(), 1, text.size(), stdout);
        break;
    }
    case output_kind::wide_console:
        console_failed |= !write_console(latin1);
        break;
    }
}

void complain(const char* program, const char* message)
{
    std::fprintf(stderr, "%s: %s\n", program, message);
}

int finish(const char* program, int status)
{
    const bool failed = console_failed || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (std::fclose(stdout) != 0 || failed) {
        complain(program, "erro de escrita na saida padrao");
        return 1;
    }
    return status;
}

}  // namespace console
