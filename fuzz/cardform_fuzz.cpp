// The whole form on any input: the five prompts in order and nothing else,
// and status 0 exactly when all five answers were read into their fields.
#include "expected.hpp"
#include "fuzz.hpp"

int cardform_main();

namespace {

// Whether the C library, and the plain word rule, find all five answers.
bool whole_form(const std::string& text)
{
    std::size_t i = 0;
    for (int word = 0; word < 3; ++word) {
        i = fuzz::skip_space(text, i);
        if (i == text.size())
            return false;
        while (i < text.size() && !fuzz::is_space(text[i]))
            ++i;
    }
    std::size_t end = 0;
    fuzz::c_integer(text, i, end);
    if (end == i)
        return false;
    i = fuzz::skip_space(text, end);
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    return digit(i) || (i < text.size() && text[i] == '.' && digit(i + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const fuzz::dialogue d = fuzz::run(cardform_main, text);

    check(d.out == expected::cardform_all, "the five prompts in order, nothing else");
    check(d.err.empty(), "nothing on standard error");
    check(d.status == (whole_form(text) ? 0 : 1), "status 0 exactly for a whole form");
    return 0;
}
