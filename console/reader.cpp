#include "reader.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

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
// precision (an exact tie has at most 114), the rest only say "more than this".
constexpr std::size_t kept_digits = 120;
constexpr std::int64_t exponent_limit = 100'000'000;

}  // namespace

int reader::peek()
{
    if (ahead_ != none)
        return ahead_;
    if (ended_)
        return ahead_ = EOF;
    // A '\r' ends its line at once, never waiting to see what follows; the
    // '\n' of a "\r\n" is dropped when it comes.
    int c = std::getc(in_);
    if (c == '\n' && after_cr_)
        c = std::getc(in_);
    after_cr_ = c == '\r';
    if (c == '\r')
        c = '\n';
    if (c == EOF)
        ended_ = true;
    return ahead_ = c;
}

void reader::flush_tie()
{
    if (tie_ == nullptr)
        return;
    const bool failed = std::fflush(tie_) != 0 || std::ferror(tie_) != 0;
    if (failed && lost_ != nullptr)
        lost_();
}

int reader::start()
{
    flush_tie();
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
    int c = start();
    if (c == EOF)
        return EOF;
    const bool negative = take_sign();
    c = peek();
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

int reader::read_float(float& value)
{
    int c = start();
    if (c == EOF)
        return EOF;
    const bool negative = take_sign();
    c = peek();
    // Significant digits without leading zeros; value = 0.digits * 10^scale.
    std::string digits;
    std::int64_t scale = 0;
    bool any_digit = false;
    bool dropped_nonzero = false;
    auto digit = [&](int d, bool fraction) {
        any_digit = true;
        if (digits.empty() && d == '0') {
            if (fraction)
                --scale;
            return;
        }
        if (digits.size() < kept_digits)
            digits.push_back(static_cast<char>(d));
        else
            dropped_nonzero |= d != '0';
        if (!fraction)
            ++scale;
    };
    for (; is_digit(c); take(), c = peek())
        digit(c, false);
    if (c == '.') {
        take();
        for (c = peek(); is_digit(c); take(), c = peek())
            digit(c, true);
    }
    if (!any_digit)
        return 0;
    if (c == 'e' || c == 'E') {
        // Like the C library, a marker with no digits after it is taken and
        // leaves the mantissa as it was.
        take();
        const bool exp_negative = take_sign();
        c = peek();
        std::int64_t exponent = 0;
        for (; is_digit(c); take(), c = peek())
            exponent = std::min(exponent * 10 + (c - '0'), exponent_limit);
        scale += exp_negative ? -exponent : exponent;
    }
    float magnitude = 0.0f;
    if (!digits.empty()) {
        if (dropped_nonzero)
            digits.push_back('1');
        const std::int64_t e = std::clamp(scale, -exponent_limit, exponent_limit);
        const std::string text = "0." + digits + "e" + std::to_string(e);
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
        if (ec == std::errc::result_out_of_range)
            magnitude = e > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    value = negative ? -magnitude : magnitude;
    return 1;
}

int reader::read_word(std::string& word)
{
    int c = start();
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
    flush_tie();
    const int c = peek();
    take();
    return c;
}

}  // namespace console
