#include "console.hpp"

#include <csignal>
#include <cstdio>
#include <string>

#include "terminal.hpp"

namespace console {
namespace {

// The streams a dialogue runs on: the process's own unless bind() says
// otherwise.
struct streams {
    std::FILE* out;
    std::FILE* err;
    reader input;
    output_kind kind;
    bool console_failed = false;
};

streams& current()
{
    static streams s = [] {
#ifdef SIGPIPE
        // A reader that went away is a write error like any other, reported
        // by finish() rather than by a silent death.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        exact_output();
        return streams{stdout, stderr, reader{stdin, stdout}, standard_output_kind()};
    }();
    return s;
}

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
    return current().input;
}

void write(std::string_view latin1)
{
    streams& s = current();
    switch (s.kind) {
    case output_kind::bytes:
        std::fwrite(latin1.data(), 1, latin1.size(), s.out);
        break;
    case output_kind::utf8_terminal: {
        const std::string text = to_utf8(latin1);
        std::fwrite(text.data(), 1, text.size(), s.out);
        break;
    }
    case output_kind::wide_console:
        s.console_failed |= !write_console(latin1);
        break;
    }
}

void complain(const char* program, const char* message)
{
    std::fprintf(current().err, "%s: %s\n", program, message);
}

int finish(const char* program, int status)
{
    streams& s = current();
    const bool failed = s.console_failed || std::fflush(s.out) != 0 || std::ferror(s.out) != 0;
    if (std::fclose(s.out) != 0 || failed) {
        complain(program, "erro de escrita na saida padrao");
        return 1;
    }
    return status;
}

void bind(std::FILE* in, std::FILE* out, std::FILE* err)
{
    current() = streams{out, err, reader{in, out}, output_kind::bytes};
}

}  // namespace console
