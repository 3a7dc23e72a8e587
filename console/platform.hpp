#pragma once

#include <cstddef>
#include <string_view>

// What differs between POSIX and Windows, on descriptors: one source file
// for each, chosen by the build.
namespace console {

// Readies the process's standard streams: their bytes pass unchanged, and a
// lost output is a write error to report rather than a signal that kills.
void ready_streams();

// Whether standard output is a terminal that needs ISO 8859-1 converted to
// show it: one whose character set has no "á" at 0xE1, or a Windows console.
bool output_needs_conversion();

// Writes ISO 8859-1 text to that terminal in its own encoding; false on a
// write error.
bool write_converted(int fd, std::string_view latin1);

// Writes all of `bytes`, waiting while a non-blocking descriptor is full;
// false on a write error.
bool write_all(int fd, std::string_view bytes);

// Reads what is there, waiting while a non-blocking descriptor has nothing
// yet: the count, 0 at the end of input, or -1 on an error that ends it.
long read_some(int fd, char* buffer, std::size_t size);

// Whether the descriptor is a file whose offset can be set.
bool seekable(int fd);

// Moves a seekable descriptor back over `count` bytes read but not used, so
// that whoever reads it next starts there.
void unread(int fd, std::size_t count);

// Closes the descriptor; false if that reported a late write error.
bool close_out(int fd);

}  // namespace console
