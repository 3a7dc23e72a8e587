#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace console {

// scanf's conversions on one shared input descriptor, with what scanf leaves
// loose pinned down: integers saturate instead of overflowing (floats go to
// infinity, as strtof's do), words grow without limit, "inf", "nan" and
// hexadecimal are not numbers, and a line break is '\n', "\r" or "\r\n"
// alike, read as a single '\n' on every platform.
//
// Each read returns what scanf would: 1 when it stored its item, 0 when it
// failed on a character (left unread, as is everything after it), and EOF
// when input had ended before anything was stored. Once input ends it stays
// ended, and every later read returns at once. Input that is not there yet
// (a non-blocking descriptor) is waited for, never taken as the end.
class reader {
public:
    explicit reader(int fd) : fd_(fd) {}

    int read_int(std::int32_t& value);  // "%d"
    int read_float(float& value);       // "%f"
    int read_word(std::string& word);   // "%s"
    int skip_char();                    // "%*c": 0, or EOF
    int get_char();                     // getchar

    // Gives back to a seekable input the bytes read ahead but not used, the
    // one that stopped the last conversion included, as they came: the next
    // program to read the file starts there.
    void leave();

private:
    static constexpr int none = EOF - 1;

    // What a decimal number's text holds: value = 0.digits * 10^scale.
    struct decimal {
        std::string digits;  // significant digits, without leading zeros
        std::int64_t scale = 0;
        bool any_digit = false;        // "0" has one, though no significant one
        bool dropped_nonzero = false;  // a nonzero digit past the kept ones
    };

    int next_byte();
    int peek();
    void take()
    {
        if (ahead_ != EOF)
            ahead_ = none;
    }
    int skip_space();  // then peek
    bool take_sign();  // an optional '+' or '-'; true for '-'
    void scan_digits(decimal& d, bool fraction);
    std::int64_t scan_exponent();

    int fd_;
    char buffer_[4096];
    std::size_t used_ = 0, filled_ = 0;
    int ahead_ = none;       // always the last byte read, or the '\n' for its '\r'
    bool after_cr_ = false;  // a '\n' now would end the same line
};

}  // namespace console
