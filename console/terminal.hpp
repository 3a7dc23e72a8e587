#pragma once

#include <cstdio>
#include <string_view>

// What the platform decides about the standard streams.
namespace console {

enum class output_kind {
    bytes,          // pipe, file, or a terminal whose character set shows 0xE1 as "á"
    utf8_terminal,  // any other terminal
    wide_console,   // a Windows console, written in UTF-16
};

output_kind standard_output_kind();

// Standard output and error carry exactly the bytes written, with no
// newline translation; so does standard input, but from a console.
void exact_output();

// Writes all of `bytes` to standard output, waiting while a non-blocking
// one is full; false on a write error.
bool write_out(std::string_view bytes);

// Closes standard output; false if that reported a late write error.
bool close_out();

// Writes to a Windows console; false if the console refused.
bool write_console(std::string_view latin1);

// After a read of `in` failed: true once it is worth reading again (it was
// interrupted, or a non-blocking descriptor now has input), false if the
// error ends input.
bool await_input(std::FILE* in);

}  // namespace console
