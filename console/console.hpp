#pragma once

#include <cstdio>
#include <string_view>

#include "reader.hpp"

// The programs' side of the console: standard input as one shared reader,
// standard output for ISO 8859-1 text, and one place that decides whether
// the run's output really got out.
namespace console {

// Readies the console for `program`, whose name starts every line it writes
// on standard error, and returns standard input, tied to standard output.
// From here on the dialogue stops with status 1 and one line on standard
// error as soon as standard output is found lost (at the latest when the
// next read flushes it) or memory runs out.
reader& start(const char* program);

// Writes ISO 8859-1 text to standard output. A terminal gets it in its own
// character set so that accents show; pipes and files get the bytes as they
// are.
void write(std::string_view latin1);

// One line on standard error: "program: message".
void complain(const char* message);

// Flushes and closes standard output and returns the exit status: `status`,
// or 1 (with a line on standard error) if any write of the run failed.
int finish(int status);

// Runs the next dialogue on other streams, written as bytes, with nothing
// carried over: for running a program's main inside a test process.
void bind(std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace console
