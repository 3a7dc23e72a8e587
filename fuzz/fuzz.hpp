#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

#include "console.hpp"

// What the fuzz targets share: a property that must hold, and the C
// library's view of the same bytes.
namespace fuzz {

inline void check(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// The C locale's white space; NUL is not white space.
inline bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline std::size_t skip_space(std::string_view s, std::size_t i)
{
    while (i < s.size() && is_space(s[i]))
        ++i;
    return i;
}

// The character a reader gives at s[i]: "\r" and "\r\n" are one '\n'.
inline int char_at(std::string_view s, std::size_t i)
{
    if (i >= s.size())
        return EOF;
    if (s[i] == '\r')
        return '\n';
    return static_cast<unsigned char>(s[i]);
}

// strtoll's integer at s[i], saturated to 32 bits; `end` is where it stopped,
// or i when there was no number.
inline std::int64_t c_integer(const std::string& s, std::size_t i, std::size_t& end)
{
    char* stop = nullptr;
    std::int64_t v = std::strtoll(s.c_str() + i, &stop, 10);
    end = static_cast<std::size_t>(stop - s.c_str());
    if (v > INT32_MAX)
        v = INT32_MAX;
    if (v < INT32_MIN)
        v = INT32_MIN;
    return v;
}

// A memory file holding exactly these bytes, read from its start.
inline int file_of(const std::string& bytes)
{
    const int fd = memfd_create("input", 0);
    check(fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
              lseek(fd, 0, SEEK_SET) == 0,
          "a memory file holds the input");
    return fd;
}

// All that a memory file holds; it is closed.
inline std::string contents(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

struct dialogue {
    int status;
    std::string out;
    std::string err;
};

// Runs a program's main on `input`, as its process would run it, through
// the same writes and close.
inline dialogue run(int (*program_main)(), const std::string& input)
{
    const int in = file_of(input), out = file_of(""), err = file_of("");
    console::bind(in, dup(out), err);
    const int status = program_main();  // closes its copy of the output
    close(in);
    return {status, contents(out), contents(err)};
}

}  // namespace fuzz
