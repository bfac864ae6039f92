// Code run in a child: its result, its exception, or its crash, and the caller goes on.
#include "base/files/isolated_call.h"

#include <gtest/gtest.h>

#include <csignal>

namespace sitora::files {
namespace {

TEST(IsolatedCall, GivesTheResultTheErrorOrTheCrashOfTheChild) {
    EXPECT_EQ(CallIsolated([] { return std::string(200000, 'x') + "end"; }).size(), 200003u);
    try {
        CallIsolated([]() -> std::string { throw std::runtime_error("refused: record 3"); });
        FAIL();
    } catch (const IsolatedCallError& error) {
        EXPECT_STREQ(error.what(), "refused: record 3");
        EXPECT_FALSE(error.ChildDied());
    }
    try {
        CallIsolated([]() -> std::string {
            std::signal(SIGSEGV, SIG_DFL);
            std::raise(SIGSEGV);
            return "unreachable";
        });
        FAIL();
    } catch (const IsolatedCallError& error) {
        // A sanitizer's own handler may turn the signal into an exit code.
        EXPECT_EQ(std::string(error.what()).rfind("the reader stopped on damaged data (", 0), 0u) << error.what();
        EXPECT_TRUE(error.ChildDied());
    }
}

}  // namespace
}  // namespace sitora::files
