#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

namespace {

using namespace std::string_literals;

// The form writes all five prompts whatever it reads: the exit status says
// whether every answer reached its field.
const std::string& prompts = expected::cardform_all;

struct form {
    std::string input;
    int status;
    std::string rest;  // what a file given as input still holds after it
};

TEST(Cardform, WritesEveryPromptAndTellsWhetherTheFormIsWhole)
{
    const std::vector<form> table = {
        {"Maria\nRua\nRecife\n5551234\n50000\n", 0, "\n"},
        // One stream: an earlier line answers later reads.
        {"Maria\nRua Augusta 1578\n01310\n", 0, "\n"},
        {"Maria Rua Recife 5551234 50000", 0, ""},
        // The telephone takes 555, the postal code -1234.
        {"Maria\nRua\nRecife\n555-1234\n", 0, "\n"},
        // "(" starts no number: the telephone fails, then the postal code.
        {"Maria\nRua\nRecife\n(81) 5555\n50000\n", 1, "(81) 5555\n50000\n"},
        // The postal code takes 01310, the rest stays unread.
        {"Maria\nRua\nRecife\n5551234\n01310-100\n", 0, "-100\n"},
        {"\n\nMaria\n\n\nRua\n \t\nRecife\n\n5551234\n\n\n50000\n", 0, "\n"},
        {"Maria\r\nRua\r\nRecife\r\n5551234\r\n50000\r\n", 0, "\r\n"},
        {"Maria\rRua\rRecife\r5551234\r50000\r", 0, "\r"},
        {"Jo\xE3o\0\xFF\nRua\nRecife\n5551234\n50000\n"s, 0, "\n"},
        {"Maria\nRua\nRecife\n99999999999999999999999\n50000\n", 0, "\n"},
        {"Maria\nRua\nRecife\n-99999999999999999999999\n1e99\n", 0, "\n"},
        {"Maria\nRua\nRecife\n5551234\n0x1A\n", 0, "x1A\n"},
        {"Maria\nRua\nRecife\n5551234\n-.5e1\n", 0, "\n"},
        {"Maria\nRua\nRecife\n5551234\ninf\n", 1, "inf\n"},
        {"Maria\nRua\nRecife\n5551234\nnan\n", 1, "nan\n"},
        {"Maria\nRua\nRecife\n5551234\n.\n", 1, "\n"},
        {"Maria\nRua\nRecife\n5551234\n-\n", 1, "\n"},
        {"Maria\nRua\nRecife\n+\n50000\n", 1, "\n"},
        {"Maria\nRua\nRecife\nx\n50000\n", 1, "x\n50000\n"},
        // Input ends first: the remaining prompts are still written.
        {"", 1, ""},
        {"\n\n", 1, ""},
        {"Maria\n", 1, ""},
        {"Maria\nRua\nRecife\n5551234\n", 1, ""},
        {"Maria\nRua\nRecife\n5551234\n \n", 1, ""},
    };
    for (const auto& f : table) {
        for (const proc::stream in : {proc::stream::pipe, proc::stream::file}) {
            SCOPED_TRACE(testing::PrintToString(f.input) +
                         (in == proc::stream::file ? " from a file" : ""));
            proc::options opts;
            opts.in = in;
            const proc::outcome got = proc::run(CARDFORM, f.input, opts);
            EXPECT_EQ(got.out, prompts);
            EXPECT_EQ(got.err, "");
            EXPECT_EQ(got.status, f.status);
            EXPECT_EQ(got.rest, in == proc::stream::file ? f.rest : "");
        }
    }
}

TEST(Cardform, IgnoresArgumentsAndLocale)
{
    proc::options opts;
    opts.args = {"--help"};
    opts.env = {"PATH=/usr/bin:/bin", "LC_ALL=pt_BR.UTF-8"};
    // A comma starts no number, whatever the locale says of decimals.
    const proc::outcome got = proc::run(CARDFORM, "Maria\nRua\nRecife\n5551234\n,5\n", opts);
    EXPECT_EQ(got.out, prompts);
    EXPECT_EQ(got.status, 1);
}

TEST(Cardform, ReadsAWordOfTensOfMegabytesWhole)
{
    const std::string name(48 << 20, 'n');
    const proc::outcome got = proc::run(CARDFORM, name + "\nRua\nRecife\n5551234\n50000\n");
    // Had the name been cut, its rest would have become the address and the
    // telephone read would have failed on "Recife".
    EXPECT_EQ(got.out, prompts);
    EXPECT_EQ(got.status, 0);
}

}  // namespace
