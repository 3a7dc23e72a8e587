#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

namespace {

using namespace std::string_literals;

const std::string& prompt = expected::raisecalc_prompt;
const std::string& result = expected::raisecalc_result;
const std::string invalid = "raisecalc: ano invalido\n";

struct dialogue {
    std::string input;
    std::string out;
    std::string err;
    int status;
    std::string rest{};  // what a file given as input still holds after it
};

void expect_dialogues(const std::vector<dialogue>& table, const proc::options& opts = {},
                      const char* program = RAISECALC)
{
    for (const auto& d : table) {
        SCOPED_TRACE(testing::PrintToString(d.input));
        const proc::outcome got = proc::run(program, d.input, opts);
        EXPECT_EQ(got.out, d.out);
        EXPECT_EQ(got.err, d.err);
        EXPECT_EQ(got.status, d.status);
        EXPECT_EQ(got.rest, d.rest);
    }
}

// Worked out apart from the program, in exact arithmetic rounded to single
// precision after each year.
const std::vector<std::pair<int, std::string>> salary_by_year = {
    {2006, "1015.00"},
    {2007, "1045.45"},
    {2008, "1108.18"},
    {2009, "1241.16"},
    {2010, "1539.04"},
    {2011, "2277.77"},
    {2012, "4464.44"},
    {2013, "13036.15"},
    {2014, "63094.98"},
    {2015, "547664.44"},
    {2016, "8959790.00"},
    {2017, "284204544.00"},
    {2018, "17745731584.00"},
    {2019, "2198341156864.00"},
    {2020, "542462657429504.00"},
    {2021, "267173697687650304.00"},
    {2022, "262909590934262906880.00"},
    {2023, "517164197881642399825920.00"},
    {2024, "2034089560016524758856237056.00"},
    {2025, "15998764718571813367010471968768.00"},
    {2026, "251654809245973871994585854156734464.00"},
    {2027, "  inf"},
};

std::vector<dialogue> every_year()
{
    std::vector<dialogue> table;
    table.reserve(salary_by_year.size());
    for (const auto& [year, salary] : salary_by_year)
        table.push_back({std::to_string(year) + "\n", result + salary, "", 0});
    return table;
}

TEST(Raisecalc, ProjectsEveryYear)
{
    expect_dialogues(every_year());
}

bool cpu_has_fma()
{
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("fma");
#elif defined(__aarch64__)
    return true;
#else
    return false;
#endif
}

TEST(Raisecalc, FusedMultiplyAddsChangeNoDigit)
{
    if (!cpu_has_fma())
        GTEST_SKIP() << "this processor has no FMA instructions";
    expect_dialogues(every_year(), {}, RAISECALC_FUSED);
}

TEST(Raisecalc, HandlesTheEdgesOfTheYear)
{
    expect_dialogues({
        {"0\n", result + "1015.00", "", 0},
        {"-5\n", result + "1015.00", "", 0},
        {"-2147483648\n", result + "1015.00", "", 0},
        {"2147483647\n", result + "  inf", "", 0},
        {"2028\n", result + "  inf", "", 0},
        {"+2010\n", result + "1539.04", "", 0},
        {"0002010\n", result + "1539.04", "", 0},
        // Too many digits saturate to the nearest 32-bit limit.
        {"99999999999999999999999999999\n", result + "  inf", "", 0},
        {"-99999999999999999999999999999\n", result + "1015.00", "", 0},
    });
}

TEST(Raisecalc, ReadsTheAnswerAsScanfWould)
{
    expect_dialogues({
        {"   \n\n\t\v\f\r 2010\n", result + "1539.04", "", 0},
        {"2010", result + "1539.04", "", 0},
        {"2010\n\n", result + "1539.04", "", 0},
        {"2010\r\n", result + "1539.04", "", 0},
        {"2010\r\n\r\n", result + "1539.04", "", 0},
        {"2010\r", result + "1539.04", "", 0},
        {"2010\r\r", result + "1539.04", "", 0},
        {"2010:\n", result + "1539.04", "", 0},
        {"2010 \n", result + "1539.04", "", 0},
        {"2010abc\n", result + "1539.04", "", 0},
        {"2010.99\n", result + "1539.04", "", 0},
        {"2014\n", result + "63094.98", "", 0},
        {"0x7E7\n", result + "1015.00", "", 0},
        {"1e9\n", result + "1015.00", "", 0},
    });
}

TEST(Raisecalc, RefusesAnAnswerWithoutANumber)
{
    expect_dialogues({
        {"", prompt, invalid, 1},
        {"\n\n  \n", prompt, invalid, 1},
        {"abc\n", prompt, invalid, 1},
        {"-\n", prompt, invalid, 1},
        {"- 5\n", prompt, invalid, 1},
        {"/2010\n", prompt, invalid, 1},
        {"\xE1"
         "2010\n",
         prompt, invalid, 1},
        {"\0"
         "2010\n"s,
         prompt, invalid, 1},
    });
}

TEST(Raisecalc, LeavesWhatItDidNotReadInAFile)
{
    proc::options opts;
    opts.in = proc::stream::file;
    const std::string shown = result + "1539.04";
    expect_dialogues(
        {
            {"2010\n\nrest\n", shown, "", 0, "rest\n"},
            {"2010x\nrest", shown, "", 0, "rest"},
            {"2010\r\n\r\nrest\r\n", shown, "", 0, "rest\r\n"},
            {"2010\r\nx\r\n", shown, "", 0, "\r\n"},
            {"2010", shown, "", 0, ""},
            {"abc\n", prompt, invalid, 1, "abc\n"},
            {" \r\n -x\r\n", prompt, invalid, 1, "x\r\n"},
        },
        opts);
}

TEST(Raisecalc, IgnoresArgumentsAndLocale)
{
    proc::options opts;
    opts.args = {"--help", "2014"};
    opts.env = {"PATH=/usr/bin:/bin", "LANG=pt_BR.UTF-8", "LC_ALL=pt_BR.UTF-8",
                "LC_NUMERIC=de_DE.UTF-8"};
    expect_dialogues({{"2010\n", result + "1539.04", "", 0}}, opts);
}

}  // namespace
