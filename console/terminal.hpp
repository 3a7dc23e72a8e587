#pragma once

#include <string_view>

// What the platform decides about standard output.
namespace console {

enum class output_kind {
    bytes,          // pipe, file, or a terminal whose character set is ISO 8859-1's kin
    utf8_terminal,  // any other terminal
    wide_console,   // a Windows console, written in UTF-16
};

output_kind standard_output_kind();

// Standard output and error carry exactly the bytes written, with no
// newline translation; so does standard input, but from a console.
void exact_output();

// Writes to a Windows console; false if the console refused.
bool write_console(std::string_view latin1);

}  // namespace console
