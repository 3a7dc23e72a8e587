// The whole salary dialogue on any input: the prompt comes first, a year
// gives a result and status 0, no year gives no result, one line on standard
// error and status 1.
#include "expected.hpp"
#include "fuzz.hpp"

int raisecalc_main();

namespace {

bool is_amount(std::string_view s)
{
    if (s == "  inf")
        return true;
    const std::size_t dot = s.find('.');
    if (dot == 0 || dot == std::string_view::npos || s.size() - dot != 3)
        return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (i != dot && (s[i] < '0' || s[i] > '9'))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const fuzz::dialogue d = fuzz::run(raisecalc_main, text);

    const std::string& prompt = expected::raisecalc_prompt;
    const std::string& result = expected::raisecalc_result;
    std::size_t end = 0;
    const std::int64_t year = fuzz::c_integer(text, 0, end);
    if (end == 0) {
        check(d.status == 1, "no year: status 1");
        check(d.out == prompt, "no year: the prompt alone");
        check(d.err == "raisecalc: ano invalido\n", "no year: one line on standard error");
        return 0;
    }
    check(d.status == 0, "a year: status 0");
    check(d.err.empty(), "a year: nothing on standard error");
    check(d.out.compare(0, result.size(), result) == 0, "the prompt, then the result");
    const std::string amount = d.out.substr(result.size());
    check(is_amount(amount), "the amount has two decimals, or is inf");
    if (year <= 2006)
        check(amount == "1015.00", "up to 2006: the first raise only");
    if (year >= 2027)
        check(amount == "  inf", "from 2027: infinity");
    return 0;
}
