#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace console {

// scanf's conversions on one shared stream, with what scanf leaves loose
// pinned down: numbers saturate instead of overflowing, words grow without
// limit, "inf", "nan" and hexadecimal are not numbers, and a line break is
// '\n', "\r" or "\r\n" alike, read as a single '\n' on every platform.
//
// Each read returns what scanf would: 1 when it stored its item, 0 when it
// failed on a character (left unread, as is everything after it), and EOF
// when input had ended before anything was stored. Once input ends it stays
// ended, and every later read returns at once.
class reader {
public:
    // `tie` is flushed before every read, so whatever it holds is shown
    // before the program can wait for input. If it cannot be written,
    // `lost` is called there, before the read; it is not expected to return.
    explicit reader(std::FILE* in, std::FILE* tie = nullptr, void (*lost)() = nullptr)
        : in_(in), tie_(tie), lost_(lost)
    {
    }

    int read_int(std::int32_t& value);  // "%d"
    int read_float(float& value);       // "%f"
    int read_word(std::string& word);   // "%s"
    int skip_char();                    // "%*c": 0, or EOF
    int get_char();                     // getchar

private:
    static constexpr int none = EOF - 1;

    int peek();
    void take()
    {
        if (ahead_ != EOF)
            ahead_ = none;
    }
    void flush_tie();
    int start();       // flush the tie, skip white space, peek
    bool take_sign();  // an optional '+' or '-'; true for '-'

    std::FILE* in_;
    std::FILE* tie_;
    void (*lost_)();
    int ahead_ = none;
    bool ended_ = false;
    bool after_cr_ = false;  // a '\n' now would end the same line
};

}  // namespace console
