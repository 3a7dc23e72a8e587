#include "reader.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform.hpp"

namespace console {
namespace {

// The C locale's white space, whatever locale the process is in.
bool is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

// Enough significant digits to round any decimal correctly to single
// precision (an exact tie has at most 113), the rest only say "more than this".
constexpr std::size_t kept_digits = 120;
// Far past any float, and far below where adding the digit count to an
// exponent could overflow.
constexpr std::int64_t exponent_cap = 100'000'000'000'000'000;
constexpr std::int64_t scale_limit = 100'000'000;

}  // namespace

int reader::next_byte()
{
    if (used_ == filled_) {
        const long n = read_some(fd_, buffer_, sizeof buffer_);
        if (n <= 0)
            return EOF;
        used_ = 0;
        filled_ = static_cast<std::size_t>(n);
    }
    return static_cast<unsigned char>(buffer_[used_++]);
}

void reader::leave()
{
    // A pipe or a terminal keeps nothing for the next reader anyway.
    if (!seekable(fd_))
        return;
    // A "\r\n" whose '\r' was used is used whole; a file never makes this
    // read wait.
    if (ahead_ == none && after_cr_)
        peek();
    const std::size_t held = ahead_ != none && ahead_ != EOF ? 1 : 0;
    unread(fd_, filled_ - used_ + held);
    used_ = filled_;
    if (ahead_ != EOF)
        ahead_ = none;
}

int reader::peek()
{
    if (ahead_ != none)
        return ahead_;
    // A '\r' ends its line at once, never waiting to see what follows; the
    // '\n' of a "\r\n" is dropped when it comes.
    int c = next_byte();
    if (c == '\n' && after_cr_)
        c = next_byte();
    after_cr_ = c == '\r';
    if (c == '\r')
        c = '\n';
    return ahead_ = c;
}

int reader::skip_space()
{
    while (is_space(peek()))
        take();
    return peek();
}

bool reader::take_sign()
{
    const int c = peek();
    if (c == '-' || c == '+')
        take();
    return c == '-';
}

int reader::read_int(std::int32_t& value)
{
    if (skip_space() == EOF)
        return EOF;
    const bool negative = take_sign();
    int c = peek();
    if (!is_digit(c))
        return 0;
    // One past INT32_MAX is enough to saturate either way.
    constexpr std::int64_t cap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; is_digit(c); take(), c = peek())
        magnitude = std::min(magnitude * 10 + (c - '0'), cap);
    const std::int64_t v = negative ? -magnitude : magnitude;
    value = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return 1;
}

void reader::scan_digits(decimal& d, bool fraction)
{
    for (int c = peek(); is_digit(c); take(), c = peek()) {
        d.any_digit = true;
        if (d.digits.empty() && c == '0') {
            if (fraction)
                --d.scale;
            continue;
        }
        if (d.digits.size() < kept_digits)
            d.digits.push_back(static_cast<char>(c));
        else
            d.dropped_nonzero |= c != '0';
        if (!fraction)
            ++d.scale;
    }
}

// After an 'e' or 'E': an optional sign and digits, saturated. Like the C
// library, a marker with no digits after it leaves the number as it was.
std::int64_t reader::scan_exponent()
{
    const bool negative = take_sign();
    std::int64_t exponent = 0;
    for (int c = peek(); is_digit(c); take(), c = peek())
        exponent = std::min(exponent * 10 + (c - '0'), exponent_cap);
    return negative ? -exponent : exponent;
}

int reader::read_float(float& value)
{
    if (skip_space() == EOF)
        return EOF;
    const bool negative = take_sign();
    decimal d;
    scan_digits(d, false);
    if (peek() == '.') {
        take();
        scan_digits(d, true);
    }
    if (!d.any_digit)
        return 0;
    if (peek() == 'e' || peek() == 'E') {
        take();
        d.scale += scan_exponent();
    }
    // The C library rounds correctly; the programs' numbers are always in
    // the "C" locale, so its decimal point is '.'.
    float magnitude = 0.0f;
    if (!d.digits.empty()) {
        const std::string text = "0." + d.digits + (d.dropped_nonzero ? "1" : "") + "e" +
                                 std::to_string(std::clamp(d.scale, -scale_limit, scale_limit));
        magnitude = std::strtof(text.c_str(), nullptr);
    }
    value = negative ? -magnitude : magnitude;
    return 1;
}

int reader::read_word(std::string& word)
{
    int c = skip_space();
    if (c == EOF)
        return EOF;
    word.clear();
    for (; c != EOF && !is_space(c); take(), c = peek())
        word.push_back(static_cast<char>(c));
    return 1;
}

int reader::skip_char()
{
    return get_char() == EOF ? EOF : 0;
}

int reader::get_char()
{
    const int c = peek();
    take();
    return c;
}

}  // namespace console
