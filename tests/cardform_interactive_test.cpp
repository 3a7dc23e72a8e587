#include <string>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

// The form driven with its input held open: each check says whether it now
// waits for an answer or has ended.
namespace {

// The screen once the form has asked for each answer.
const std::string name = expected::cardform_first(1);
const std::string address = expected::cardform_first(2);
const std::string city = expected::cardform_first(3);
const std::string telephone = expected::cardform_first(4);
const std::string postal_code = expected::cardform_first(5);

TEST(CardformInteractive, ShowsEachPromptWhileWaitingForItsAnswer)
{
    for (const std::string end : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        proc::session s(CARDFORM);
        EXPECT_TRUE(s.waits_after(name));
        s.send("Maria" + end);
        EXPECT_TRUE(s.waits_after(address));
        s.send("Rua" + end);
        EXPECT_TRUE(s.waits_after(city));
        s.send("Recife" + end);
        EXPECT_TRUE(s.waits_after(telephone));
        s.send("5551234" + end);
        EXPECT_TRUE(s.waits_after(postal_code));
        s.send("50000" + end);
        EXPECT_TRUE(s.ends_with(postal_code, 0));
    }
}

TEST(CardformInteractive, AnAddressOfThreeWordsAnswersCityAndTelephone)
{
    proc::session s(CARDFORM);
    ASSERT_TRUE(s.waits_after(name));
    s.send("Maria\n");
    ASSERT_TRUE(s.waits_after(address));
    s.send("Rua Augusta 1578\n");
    EXPECT_TRUE(s.waits_after(postal_code));
    s.send("01310-100\n");
    EXPECT_TRUE(s.ends_with(postal_code, 0));
}

TEST(CardformInteractive, AHyphenatedTelephoneEndsTheFormWithoutWaiting)
{
    proc::session s(CARDFORM);
    s.send("Maria\nRua\nRecife\n");
    ASSERT_TRUE(s.waits_after(telephone));
    s.send("555-1234\n");
    EXPECT_TRUE(s.ends_with(postal_code, 0));
}

TEST(CardformInteractive, EmptyLinesKeepAReadWaitingWithoutANewPrompt)
{
    proc::session s(CARDFORM);
    ASSERT_TRUE(s.waits_after(name));
    s.send("\n\n\r\n");
    EXPECT_TRUE(s.waits_after(name));
    s.send("Maria\n\n\n");
    EXPECT_TRUE(s.waits_after(address));
}

TEST(CardformInteractive, EndOfInputMidFormWritesTheRemainingPrompts)
{
    proc::session s(CARDFORM);
    ASSERT_TRUE(s.waits_after(name));
    s.send("Maria\n");
    ASSERT_TRUE(s.waits_after(address));
    s.close_input();
    EXPECT_TRUE(s.ends_with(postal_code, 1));
}

TEST(CardformInteractive, WaitsOnNonBlockingStreams)
{
    if (const std::string launcher = proc::launcher_of(CARDFORM); !launcher.empty())
        GTEST_SKIP() << "Windows has no non-blocking standard streams (" << launcher
                     << " starts the program)";
    for (const bool full_output : {false, true}) {
        SCOPED_TRACE(full_output ? "output full at the start" : "input with no answer yet");
        proc::options opts;
        opts.nonblocking = true;
        opts.full_output = full_output;
        proc::session s(CARDFORM, opts);
        ASSERT_TRUE(s.idle());
        s.send("Maria\nRua\nRecife\n5551234\n50000\n");
        EXPECT_TRUE(s.ends_with(postal_code, 0));
    }
}

}  // namespace
