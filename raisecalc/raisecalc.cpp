// Salary projection: asks for the current year and prints the salary that an
// employee starting at 1000.0 reaches by then, with a raise of 1.5 % and,
// from 2007 on, a raise every year at double the previous year's rate.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "console.hpp"

#ifdef __FAST_MATH__
#error "the projection needs IEEE arithmetic: build without -ffast-math"
#endif

namespace {

// rate * salary + salary, formed in double and rounded once, on the store.
// A product of two floats is exact in double, so fusing it into a
// multiply-add cannot change the result.
float raised(float salary, float rate)
{
    return static_cast<float>(double{rate} * double{salary} + double{salary});
}

// "%5.2f" with every digit of the value and a '.' whatever the locale.
std::string format_salary(float salary)
{
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, double{salary}, std::chars_format::fixed, 2);
    std::string text(buf, end);
    if (text.size() < 5)
        text.insert(0, 5 - text.size(), ' ');
    return text;
}

}  // namespace

int main()
{
    console::reader& in = console::start("raisecalc");

    console::write("Digite o ano atual: ");
    std::int32_t current_year = 0;
    if (in.read_int(current_year) != 1) {
        console::complain("ano invalido");
        return console::finish(1);
    }
    in.skip_char();

    const float starting_salary = 1000.0f;
    float raise_rate = 0.015f;
    float new_salary = raised(starting_salary, raise_rate);
    // An infinite salary stays infinite, so the loop stops there, long before
    // the counter could pass the largest year.
    for (std::int32_t year = 2007; year <= current_year && !std::isinf(new_salary); ++year) {
        raise_rate += raise_rate;
        new_salary = raised(new_salary, raise_rate);
    }

    console::write("Novo sal\xE1rio = " + format_salary(new_salary));
    in.get_char();
    return console::finish(0);
}
