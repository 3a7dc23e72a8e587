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

// The streams a dialogue runs on: the process's own unless bind() says
// otherwise. Standard output is written through at once, so every prompt is
// out before the next read, and a lost one is known where it happens.
struct streams {
    std::FILE* out;  // bound output, or null for the process's own
    std::FILE* err;
    reader input;
    output_kind kind;
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
        return streams{nullptr, stderr, reader{stdin}, standard_output_kind()};
    }();
    return s;
}

// Nobody sees the dialogue any more: asking on would have the user type blind.
[[noreturn]] void output_lost()
{
    complain("erro de escrita na saida padrao");
    std::exit(1);
}

// Leave without destroying anything, which could need memory again.
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

bool put(const streams& s, std::string_view bytes)
{
    if (s.out != nullptr)
        return std::fwrite(bytes.data(), 1, bytes.size(), s.out) == bytes.size();
    return write_out(bytes);
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
    const streams& s = current();
    const bool written = s.kind == output_kind::bytes           ? put(s, latin1)
                         : s.kind == output_kind::utf8_terminal ? put(s, to_utf8(latin1))
                                                                : write_console(latin1);
    if (!written)
        output_lost();
}

void complain(const char* message)
{
    std::fprintf(current().err, "%s: %s\n", program_name, message);
}

int finish(int status)
{
    const streams& s = current();
    if (!(s.out != nullptr ? std::fclose(s.out) == 0 : close_out()))
        output_lost();
    return status;
}

void bind(std::FILE* in, std::FILE* out, std::FILE* err)
{
    current() = streams{out, err, reader{in}, output_kind::bytes};
}

}  // namespace console
