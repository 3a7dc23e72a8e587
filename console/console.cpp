#include "console.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform.hpp"

namespace console {
namespace {

// The descriptors a dialogue runs on: the process's own unless bind() says
// otherwise. Output is written through at once, so every prompt is out
// before the next read, and a lost one is known where it happens.
struct streams {
    int out = 1;
    int err = 2;
    reader input{0};
    bool convert = false;
    bool bound = false;
};

streams current;
const char* program_name = "";

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

}  // namespace

reader& start(const char* program)
{
    program_name = program;
    std::set_new_handler(out_of_memory);
    if (!current.bound) {
        ready_streams();
        current.convert = output_needs_conversion();
    }
    return current.input;
}

void write(std::string_view latin1)
{
    if (!(current.convert ? write_converted(current.out, latin1) : write_all(current.out, latin1)))
        output_lost();
}

// Without the heap, which may be what ran out.
void complain(const char* message)
{
    char line[256];
    const int n = std::snprintf(line, sizeof line, "%s: %s\n", program_name, message);
    const int shown = std::clamp(n, 0, static_cast<int>(sizeof line) - 1);
    write_all(current.err, std::string_view(line, static_cast<std::size_t>(shown)));
}

int finish(int status)
{
    current.input.leave();
    if (!close_out(current.out))
        output_lost();
    return status;
}

void bind(int in, int out, int err)
{
    current.out = out;
    current.err = err;
    current.input = reader{in};
    current.convert = false;
    current.bound = true;
}

}  // namespace console
