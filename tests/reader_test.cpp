#include "reader.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Bytes the test process asks for: the work of growing a word, counted
// rather than timed. Out of line, so that the compiler does not pair the
// malloc() and free() inside with new and delete at their callers.
std::atomic<std::size_t> allocated{0};

[[gnu::noinline]] void* operator new(std::size_t n)
{
    allocated += n;
    if (void* p = std::malloc(n != 0 ? n : 1))
        return p;
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* p) noexcept
{
    std::free(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace std::string_literals;

// A seekable descriptor holding exactly `bytes`, NULs included.
struct input {
    std::FILE* file = std::tmpfile();
    explicit input(const std::string& bytes)
    {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
    }
    ~input() { std::fclose(file); }
    input(const input&) = delete;
    input& operator=(const input&) = delete;
    int fd() const { return fileno(file); }
};

std::string rest_of(console::reader& r)
{
    std::string rest;
    for (int c = r.get_char(); c != EOF; c = r.get_char())
        rest.push_back(static_cast<char>(c));
    return rest;
}

// Reads each case's input with `read`, which checks what it returned; then
// the reader gives back what it did not use, and reading on from the
// descriptor must find exactly the case's rest.
template <class Case, class Read> void expect_reads(const std::vector<Case>& cases, Read read)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input.substr(0, 80)));
        const input in(c.input);
        console::reader r(in.fd());
        read(r, c);
        r.leave();
        EXPECT_EQ(rest_of(r), c.rest);
    }
}

struct int_case {
    std::string input;
    int count;
    std::int32_t value;
    std::string rest;
};

constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();

TEST(Reader, ReadsIntegers)
{
    const std::vector<int_case> cases = {
        {"2010", 1, 2010, ""},
        {"  \n\t\v\f\r-17x", 1, -17, "x"},
        {"+5\n", 1, 5, "\n"},
        {"000000000000000000000042", 1, 42, ""},
        {"12-34", 1, 12, "-34"},
        {"0x1A", 1, 0, "x1A"},
        {"2010.5\n", 1, 2010, ".5\n"},
        {"2147483647", 1, int_max, ""},
        {"2147483648", 1, int_max, ""},
        {"99999999999999999999999999 7", 1, int_max, " 7"},
        {"-2147483648", 1, int_min, ""},
        {"-2147483649", 1, int_min, ""},
        {"-99999999999999999999999999", 1, int_min, ""},
        {"5\r\nx", 1, 5, "\nx"},
        {"5\rx", 1, 5, "\nx"},
        {"5\r\r\nx", 1, 5, "\n\nx"},
        // The characters either side of the digits.
        {"12/3", 1, 12, "/3"},
        {"12:3", 1, 12, ":3"},
        {"/1", 0, -1, "/1"},
        {":1", 0, -1, ":1"},
        {"x", 0, -1, "x"},
        {"-x", 0, -1, "x"},
        {"+-1", 0, -1, "-1"},
        {"-", 0, -1, ""},
        {"\xA0"
         "5",
         0, -1,
         "\xA0"
         "5"},
        {"\0"
         "5"s,
         0, -1,
         "\0"
         "5"s},
        {"(11) 5555", 0, -1, "(11) 5555"},
        {"", EOF, -1, ""},
        {" \n\r\n\t ", EOF, -1, ""},
    };
    expect_reads(cases, [](console::reader& r, const int_case& c) {
        std::int32_t value = -1;
        EXPECT_EQ(r.read_int(value), c.count);
        EXPECT_EQ(value, c.value);
    });
}

struct float_case {
    std::string input;
    int count;
    float value;
    std::string rest;
};

constexpr float inf = std::numeric_limits<float>::infinity();

TEST(Reader, ReadsFloats)
{
    const std::vector<float_case> cases = {
        {"1.5", 1, 1.5f, ""},
        {"12345-678", 1, 12345.0f, "-678"},
        {"-678", 1, -678.0f, ""},
        {"01234", 1, 1234.0f, ""},
        {".5", 1, 0.5f, ""},
        {"5.", 1, 5.0f, ""},
        {"1e3", 1, 1000.0f, ""},
        {"1E-2x", 1, 0.01f, "x"},
        {"2.5e+1", 1, 25.0f, ""},
        {"1ex", 1, 1.0f, "x"},
        {"1e+x", 1, 1.0f, "x"},
        {"0.000", 1, 0.0f, ""},
        // Zero keeps its sign.
        {"-0", 1, -0.0f, ""},
        {"-1e-60", 1, -0.0f, ""},
        {"0e99999999999999", 1, 0.0f, ""},
        {"1e50", 1, inf, ""},
        {"-1e50", 1, -inf, ""},
        {"1e99999999999999999999999", 1, inf, ""},
        {"1e-50", 1, 0.0f, ""},
        {"1e-99999999999999999999999", 1, 0.0f, ""},
        {"1.4e-45", 1, std::numeric_limits<float>::denorm_min(), ""},
        {"340282356779733661637539395458142568448", 1, inf, ""},
        {"340282356779733661637539395458142568447", 1, std::numeric_limits<float>::max(), ""},
        // Halfway between 1 and the next float: ties go to even, and a
        // nonzero digit far past the kept ones still breaks the tie.
        {"1.000000059604644775390625", 1, 1.0f, ""},
        {"1.000000059604644775390625" + std::string(200, '0') + "1", 1, 1.00000012f, ""},
        {"16777217", 1, 16777216.0f, ""},
        {std::string("16777217.").append(113, '0'), 1, 16777216.0f, ""},
        {std::string(119, '0').append("12"), 1, 12.0f, ""},
        // The digits' count and the exponent cancel, however long the number.
        {std::string("1").append(100'000'001, '0').append("e-100000001"), 1, 1.0f, ""},
        {std::string("0.").append(100'000'001, '0').append("1e100000002"), 1, 1.0f, ""},
        {"16777217.000000000000000000000000000000000000000000000000000000000000000000000000"
         "000000000000000000000000000000000000000000000000000000000000000000000000000000001",
         1, 16777218.0f, ""},
        {".", 0, -1.0f, ""},
        {"-.", 0, -1.0f, ""},
        {"+", 0, -1.0f, ""},
        {"-x", 0, -1.0f, "x"},
        {"inf", 0, -1.0f, "inf"},
        {"nan", 0, -1.0f, "nan"},
        {"0x1A", 1, 0.0f, "x1A"},
        {"e5", 0, -1.0f, "e5"},
        {"1/2", 1, 1.0f, "/2"},
        {"1.5:", 1, 1.5f, ":"},
        {"1e/", 1, 1.0f, "/"},
        {"1e:", 1, 1.0f, ":"},
        {"/", 0, -1.0f, "/"},
        {".:", 0, -1.0f, ":"},
        {"5\r", 1, 5.0f, "\n"},
        {"", EOF, -1.0f, ""},
        {"\n\n", EOF, -1.0f, ""},
    };
    expect_reads(cases, [](console::reader& r, const float_case& c) {
        float value = -1.0f;
        EXPECT_EQ(r.read_float(value), c.count);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    });
}

struct word_case {
    std::string input;
    int count;
    std::string word;
    std::string rest;
};

TEST(Reader, ReadsWords)
{
    const std::vector<word_case> cases = {
        {"  hello world", 1, "hello", " world"},
        {"\n\n\tRua\n", 1, "Rua", "\n"},
        {"a\0b c"s, 1, "a\0b"s, " c"},
        {"S\xE3o\xFF Paulo", 1, "S\xE3o\xFF", " Paulo"},
        {"x\r\ny", 1, "x", "\ny"},
        {"x\ry", 1, "x", "\ny"},
        {"last", 1, "last", ""},
        {"", EOF, "untouched", ""},
        {" \t\n", EOF, "untouched", ""},
    };
    expect_reads(cases, [](console::reader& r, const word_case& c) {
        std::string word = "untouched";
        EXPECT_EQ(r.read_word(word), c.count);
        EXPECT_EQ(word, c.word);
    });
}

struct char_case {
    std::string input;
    std::vector<int> chars;
    std::string rest{};
};

TEST(Reader, TakesSingleCharactersWithEveryLineBreakAsNewline)
{
    const std::vector<char_case> cases = {
        {"", {EOF, EOF}},
        {"\r\n", {'\n', EOF}},
        {"\r", {'\n', EOF}},
        {"\r\r\n", {'\n', '\n', EOF}},
        {"\rx", {'\n', 'x', EOF}},
        {"\n\r", {'\n', '\n', EOF}},
        {"\r\n\n", {'\n', '\n', EOF}},
        {"\r\n\r\n", {'\n', '\n', EOF}},
        {"\r\t", {'\n', '\t', EOF}},
        {"\n\n", {'\n', '\n', EOF}},
        {" ", {' ', EOF}},
        // What is left after a '\r' taken: its '\n' went with it.
        {"\r\nx", {'\n'}, "x"},
        {"\r\r\n", {'\n'}, "\n"},
    };
    expect_reads(cases, [](console::reader& r, const char_case& c) {
        std::vector<int> got;
        for (std::size_t i = 0; i < c.chars.size(); ++i)
            got.push_back(r.get_char());
        EXPECT_EQ(got, c.chars);
    });
    const input in("a");
    console::reader r(in.fd());
    EXPECT_EQ(r.skip_char(), 0);
    EXPECT_EQ(r.skip_char(), EOF);
}

TEST(Reader, EndOfInputStaysEnded)
{
    const input in("");
    console::reader r(in.fd());
    std::int32_t n = 0;
    EXPECT_EQ(r.read_int(n), EOF);
    // Whatever arrives after the end is never read.
    std::fputs("42 x", in.file);
    std::rewind(in.file);
    EXPECT_EQ(r.read_int(n), EOF);
    EXPECT_EQ(r.get_char(), EOF);
}

// Numbers the C library and the reader agree on, read in one pass from
// one stream: every value must equal strtol's or strtof's.
TEST(Reader, AgreesWithTheCLibraryOnRandomNumbers)
{
    std::mt19937_64 rng(20261209);
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s.push_back(static_cast<char>('0' + rng() % 10));
        return s;
    };
    std::vector<std::string> ints, floats;
    for (int i = 0; i < 20000; ++i) {
        std::string sign = rng() % 3 == 0 ? "-" : rng() % 2 ? "+" : "";
        ints.push_back(sign + digits(1 + static_cast<int>(rng() % 10)));
        std::string f = sign + digits(static_cast<int>(rng() % 25));
        if (f.empty() || f == "-" || f == "+" || rng() % 2) {
            f += '.';
            f += digits(1 + static_cast<int>(rng() % 40));
        }
        if (rng() % 2) {
            f += rng() % 2 ? "e" : "E";
            f += rng() % 2 ? "-" : "";
            f += std::to_string(rng() % 60);
        }
        floats.push_back(f);
    }
    std::string text;
    for (const auto& s : ints)
        text += s + " ";
    for (const auto& s : floats)
        text += s + "\n";
    const input in(text);
    console::reader r(in.fd());
    for (const auto& s : ints) {
        const long long expected =
            std::clamp<long long>(std::strtoll(s.c_str(), nullptr, 10), int_min, int_max);
        std::int32_t value = 0;
        ASSERT_EQ(r.read_int(value), 1) << s;
        ASSERT_EQ(value, expected) << s;
    }
    for (const auto& s : floats) {
        float value = 0.0f;
        ASSERT_EQ(r.read_float(value), 1) << s;
        const float expected = std::strtof(s.c_str(), nullptr);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected)) << s;
    }
}

TEST(Reader, ReadsLongWordsInLinearWork)
{
    for (const std::size_t size : {std::size_t{1} << 20, std::size_t{32} << 20}) {
        const input in(std::string(size, 'w'));
        console::reader r(in.fd());
        std::string word;
        const std::size_t before = allocated;
        EXPECT_EQ(r.read_word(word), 1);
        const std::size_t work = allocated - before;
        EXPECT_EQ(word.size(), size);
        // Growing by doubling asks for about twice the word in all; growing
        // by a fixed step, for the square of the word over that step.
        ASSERT_LT(work, 4 * size) << work << " bytes allocated for a word of " << size;
    }
}

}  // namespace
