#pragma once

#include <string_view>

#include "reader.hpp"

// The programs' side of the console: standard input as one shared reader,
// standard output for ISO 8859-1 text, and one place that decides whether
// the run's output really got out.
namespace console {

// Readies the console for `program`, whose name starts every line it writes
// on standard error, and returns standard input. From here on the dialogue
// stops with status 1 and one line on standard error as soon as a write to
// standard output fails or memory runs out.
reader& start(const char* program);

// Writes ISO 8859-1 text to standard output, all of it before returning. A
// terminal gets it in its own character set so that accents show; pipes and
// files get the bytes as they are.
void write(std::string_view latin1);

// One line on standard error: "program: message".
void complain(const char* message);

// Leaves what the reads did not use in the input, closes standard output
// and returns `status`, or stops as above if the close reports a write
// error.
int finish(int status);

// Runs the next dialogue on these descriptors instead, written as bytes,
// with nothing carried over: for running a program's main inside a test
// process. finish() closes `out`.
void bind(int in, int out, int err);

}  // namespace console
