#include "platform/StopRequests.h"

#include <gtest/gtest.h>

#include <csignal>

namespace torvane {
namespace {

volatile std::sig_atomic_t g_before = 0;

void Before(int) {
    g_before = 1;
}

// A request only raises the flag; a watch made inside another (a pass inside
// a mode) keeps a request already made; the last one to go gives the signal
// back to what handled it before.
TEST(StopRequestWatch, RaisesTheFlagKeepsItWhenNestedAndPutsTheHandlerBack) {
    std::signal(SIGTERM, Before);
    {
        const StopRequestWatch outer;
        EXPECT_FALSE(StopRequestWatch::Requested());
#ifndef _WIN32
        // Ignored while a watch lives: a failed write, not an end.
        std::raise(SIGPIPE);
#endif
        std::raise(SIGTERM);
        EXPECT_TRUE(StopRequestWatch::Requested());
        {
            const StopRequestWatch inner;
            EXPECT_TRUE(StopRequestWatch::Requested());
        }
        std::raise(SIGTERM);
        EXPECT_EQ(g_before, 0);
    }
    std::raise(SIGTERM);
    EXPECT_EQ(g_before, 1);
    std::signal(SIGTERM, SIG_DFL);
    const StopRequestWatch next;
    EXPECT_FALSE(StopRequestWatch::Requested());
}

}  // namespace
}  // namespace torvane
