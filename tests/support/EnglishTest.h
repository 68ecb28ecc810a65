#ifndef VN_TESTS_SUPPORT_ENGLISHTEST_H
#define VN_TESTS_SUPPORT_ENGLISHTEST_H

#include <gtest/gtest.h>

#include "common/Log.h"
#include "common/Messages.h"

namespace testutil {

// A fixture whose tests start with a fresh log and the English catalogue, whatever the
// environment's locale, and leave both reset.
class EnglishTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log::resetForTest();
        Messages::resetForTest();
        Messages::setLocale("en_US");
    }
    void TearDown() override {
        Log::resetForTest();
        Messages::resetForTest();
    }
};

}  // namespace testutil

#endif
