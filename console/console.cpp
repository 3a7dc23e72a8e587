#include "console.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "terminal.hpp"

namespace console {
namespace {

const char* program_name = "";

[[noreturn]] void output_lost();

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
    // A reader that went away and a file grown past its limit are write
    // errors like any other, reported rather than a silent death.
#ifdef SIGPIPE
        std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
        std::signal(SIGXFSZ, SIG_IGN);
#endif
        exact_output();
        return streams{stdout, stderr, reader{stdin, stdout, output_lost}, standard_output_kind()};
    }();
    return s;
}

// Nobody sees the dialogue any more: asking on would have the user type blind.
void output_lost()
{
    std::exit(finish(1));
}

// Output was flushed before the read that ran out; leave without flushing
// or destroying anything, which could need memory again.
void out_of_memory()
{
    complain("memoria insuficiente");
    std::_Exit(1);
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

reader& start(const char* program)
{
    program_name = program;
    std::set_new_handler(out_of_memory);
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
        if (!write_console(latin1)) {
            s.console_failed = true;
            output_lost();
        }
        break;
    }
}

void complain(const char* message)
{
    std::fprintf(current().err, "%s: %s\n", program_name, message);
}

int finish(int status)
{
    streams& s = current();
    const bool failed = s.console_failed || std::fflush(s.out) != 0 || std::ferror(s.out) != 0;
    if (std::fclose(s.out) != 0 || failed) {
        complain("erro de escrita na saida padrao");
        return 1;
    }
    return status;
}

void bind(std::FILE* in, std::FILE* out, std::FILE* err)
{
    current() = streams{out, err, reader{in, out, output_lost}, output_kind::bytes};
}

}  // namespace console
