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
const std::string telephone = expected::cardform_first(4);
const std::string postal_code = expected::cardform_first(5);

TEST(CardformInteractive, ShowsEachPromptWhileWaitingForItsAnswer)
{
    for (const std::string end : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        proc::session s(CARDFORM);
        int asked = 0;
        for (const char* answer : {"Maria", "Rua", "Recife", "5551234", "50000"}) {
            EXPECT_TRUE(s.waits_after(expected::cardform_first(++asked)));
            s.send(answer + end);
        }
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

}  // namespace
