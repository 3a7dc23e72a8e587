#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

// A stream holding exactly these bytes.
inline std::FILE* stream_of(const std::string& bytes)
{
    return fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
}

// Captures what a dialogue writes.
struct capture {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    std::string text() const { return {data, size}; }
    capture() = default;
    capture(const capture&) = delete;
    capture& operator=(const capture&) = delete;
    ~capture() { std::free(data); }
};

struct dialogue {
    int status;
    std::string out;
    std::string err;
};

// Runs a program's main on `input`, as its process would run it.
inline dialogue run(int (*program_main)(), const std::string& input)
{
    std::FILE* in = stream_of(input);
    capture out, err;
    console::bind(in, out.file, err.file);
    const int status = program_main();  // closes standard output
    std::fclose(err.file);
    std::fclose(in);
    return {status, out.text(), err.text()};
}

}  // namespace fuzz
