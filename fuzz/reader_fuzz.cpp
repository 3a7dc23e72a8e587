// The reader against the C library: wherever strtoll and strtof read the same
// decimal text, the values and the place where reading stopped must agree;
// words and single characters against the plain rule; any mix of reads must
// end without a crash or a hang.
#include <bit>
#include <cstring>

#include "fuzz.hpp"
#include "reader.hpp"

namespace {

using fuzz::char_at;
using fuzz::check;

void check_int(console::reader& r, const std::string& text)
{
    std::int32_t value = 7;
    const int n = r.read_int(value);
    const std::size_t start = fuzz::skip_space(text, 0);
    std::size_t end = 0;
    const std::int64_t expected = fuzz::c_integer(text, 0, end);
    if (end == 0) {
        check(n == (start == text.size() ? EOF : 0), "%d fails where strtoll finds no number");
        check(value == 7, "a failed %d stores nothing");
        return;
    }
    check(n == 1, "%d reads what strtoll reads");
    check(value == expected, "%d equals strtoll, saturated");
    check(r.get_char() == char_at(text, end), "%d stops where strtoll stops");
}

bool c_library_agrees_on_float(const std::string& text, std::size_t i)
{
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i < text.size() && std::strchr("iInN", text[i]) != nullptr && text[i] != '\0')
        return false;  // strtof's inf and nan
    return !(i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'));
}

void check_float(console::reader& r, const std::string& text)
{
    float value = 7.0f;
    const int n = r.read_float(value);
    const std::size_t start = fuzz::skip_space(text, 0);
    if (!c_library_agrees_on_float(text, start))
        return;
    char* stop = nullptr;
    const float expected = std::strtof(text.c_str(), &stop);
    std::size_t end = static_cast<std::size_t>(stop - text.c_str());
    if (end == 0) {
        check(n == (start == text.size() ? EOF : 0), "%f fails where strtof finds no number");
        check(value == 7.0f, "a failed %f stores nothing");
        return;
    }
    check(n == 1, "%f reads what strtof reads");
    check(std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(expected),
          "%f equals strtof, bit for bit");
    // A mantissa followed by an exponent marker with no digits: the reader
    // takes the marker, as scanf does, where strtof leaves it.
    const bool has_exponent = text.find_first_of("eE", start) < end;
    if (!has_exponent && end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        ++end;
        if (end < text.size() && (text[end] == '+' || text[end] == '-'))
            ++end;
    }
    check(r.get_char() == char_at(text, end), "%f stops where strtof stops");
}

void check_word(console::reader& r, const std::string& text)
{
    std::string word = "untouched";
    const int n = r.read_word(word);
    const std::size_t start = fuzz::skip_space(text, 0);
    if (start == text.size()) {
        check(n == EOF && word == "untouched", "%s at the end stores nothing");
        return;
    }
    std::size_t end = start;
    while (end < text.size() && !fuzz::is_space(text[end]))
        ++end;
    check(n == 1 && word == text.substr(start, end - start), "%s takes the whole word");
    check(r.get_char() == char_at(text, end), "%s stops at white space");
}

void check_chars(console::reader& r, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int expected = char_at(text, i);
        check(r.get_char() == expected, "characters come as they are, every line break as '\\n'");
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    check(r.get_char() == EOF && r.get_char() == EOF, "the end stays ended");
}

// Any sequence of reads runs to the end of input.
void mix(console::reader& r, unsigned seed)
{
    std::int32_t i = 0;
    float f = 0.0f;
    std::string w;
    for (unsigned step = 0;; ++step) {
        int n = 0;
        switch ((seed >> (2 * (step % 4))) & 3) {
        case 0:
            n = r.read_int(i);
            break;
        case 1:
            n = r.read_float(f);
            break;
        case 2:
            n = r.read_word(w);
            break;
        default:
            n = r.skip_char();
            break;
        }
        if (n == EOF)
            break;
        if (n == 0 && r.get_char() == EOF)
            break;
    }
    check(r.get_char() == EOF, "reads run to the end of input");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int fd = fuzz::file_of(text);
    console::reader r(fd);
    switch (data[0] % 5) {
    case 0:
        check_int(r, text);
        break;
    case 1:
        check_float(r, text);
        break;
    case 2:
        check_word(r, text);
        break;
    case 3:
        check_chars(r, text);
        break;
    default:
        mix(r, data[0]);
        break;
    }
    close(fd);
    return 0;
}
