#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

// The program driven through pipes with its input held open, as a person at
// the keyboard would: each check says whether it now waits or has ended.
namespace {

const std::string& prompt = expected::raisecalc_prompt;
const std::string result = expected::raisecalc_result + "1539.04";

TEST(RaisecalcInteractive, ShowsThePromptAndTheResultWhileWaiting)
{
    proc::session s(RAISECALC);
    EXPECT_TRUE(s.waits_after(prompt));
    s.send("\n   \n");
    EXPECT_TRUE(s.waits_after(prompt)) << "empty lines keep it waiting, without a new prompt";
    s.send("2010\n");
    EXPECT_TRUE(s.waits_after(result)) << "the result stays on screen until a key";
    s.send("\n");
    EXPECT_TRUE(s.ends_with(result, 0));
}

TEST(RaisecalcInteractive, ACharacterAfterTheNumberEndsWithoutWaiting)
{
    for (const char* answer : {"2010 \n", "2010x\n"}) {
        SCOPED_TRACE(answer);
        proc::session s(RAISECALC);
        ASSERT_TRUE(s.waits_after(prompt));
        s.send(answer);
        EXPECT_TRUE(s.ends_with(result, 0));
    }
}

TEST(RaisecalcInteractive, EveryLineBreakShowsTheResultAndKeepsTheFinalWait)
{
    // What is sent, a piece at a time, and whether the program has then ended.
    using steps = std::vector<std::pair<const char*, bool>>;
    for (const steps& t : {
             steps{{"2010\r\n", false}, {"\r\n", true}},
             // A lone "\r" ends the line at once; a "\n" after it is the same
             // line break, however late it comes.
             steps{{"2010\r", false}, {"\r", true}},
             steps{{"2010\r", false}, {"\n", false}, {"\r", true}},
             steps{{"2010\r", false}, {"\n", false}, {"\n", true}},
         }) {
        proc::session s(RAISECALC);
        ASSERT_TRUE(s.waits_after(prompt));
        for (const auto& [bytes, ends] : t) {
            SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
            s.send(bytes);
            EXPECT_TRUE(ends ? s.ends_with(result, 0) : s.waits_after(result));
        }
    }
}

TEST(RaisecalcInteractive, EndOfInputAtTheFinalWaitEnds)
{
    proc::session s(RAISECALC);
    ASSERT_TRUE(s.waits_after(prompt));
    s.send("2010\n");
    ASSERT_TRUE(s.waits_after(result));
    s.close_input();
    EXPECT_TRUE(s.ends_with(result, 0));
}

TEST(RaisecalcInteractive, TheLargestYearStillWaits)
{
    proc::session s(RAISECALC);
    ASSERT_TRUE(s.waits_after(prompt));
    s.send("2147483647\n");
    EXPECT_TRUE(s.waits_after(expected::raisecalc_result + "  inf"));
    s.send("\n");
    EXPECT_TRUE(s.ends_with(expected::raisecalc_result + "  inf", 0));
}

}  // namespace
