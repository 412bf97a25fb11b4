#include "core/message_box.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string seen;

MessageResult answerRetry(const char* caption, const char* text, MessageIcon, MessageButtons) {
    seen = std::string(caption) + "|" + text;
    return MessageResult::Retry;
}

TEST(MessageBoxTest, ConsoleAnswersAtOnceAndHandlersTakeOver) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox("Error", "Can't write file: a.bmp", MessageIcon::Information,
                             MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(showMessageBox("Assert", "x", MessageIcon::Error, MessageButtons::RetryCancel),
              MessageResult::Cancel);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Can't write file: a.bmp\nAssert: x\n");

    EXPECT_EQ(setMessageBoxHandler(answerRetry), nullptr);
    EXPECT_EQ(showMessageBox("Error", "y", MessageIcon::Error, MessageButtons::RetryCancel),
              MessageResult::Retry);
    EXPECT_EQ(seen, "Error|y");
    EXPECT_EQ(setMessageBoxHandler(nullptr), answerRetry);
}

} // namespace
