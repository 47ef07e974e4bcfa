// Every test starts without the user notices an earlier test left (a broken image it opened),
// as the program starts without any.
#pragma once

#include <gtest/gtest.h>

#include "platform/user_notices.h"

class FreshUserNotices : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override { platform::TakeUserNotices(); }

    static void Install() { testing::UnitTest::GetInstance()->listeners().Append(new FreshUserNotices); }
};
