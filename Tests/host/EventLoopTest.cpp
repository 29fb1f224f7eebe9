#include "EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace host;
using namespace std::chrono_literals;

TEST(EventLoop, RunsPostedWorkOnMainThreadInOrder)
{
    FEventLoop loop;
    std::vector<int> order;
    std::thread other(
        [&]
        {
            EXPECT_FALSE(loop.IsMainThread());
            loop.PostToMainThread(
                [&]
                {
                    EXPECT_TRUE(loop.IsMainThread());
                    order.push_back(1);
                    loop.PostToMainThread([&] { order.push_back(3); });
                });
            loop.PostToMainThread([&] { order.push_back(2); });
        });
    other.join();
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 5s), FEventLoop::ERunResult::Idle);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoop, WaitsForBackgroundTasksWhichNeverRunOnMainThread)
{
    FEventLoop loop;
    std::atomic<bool> onMain{true};
    bool completed = false;
    loop.RunInBackground(
        [&]
        {
            onMain = loop.IsMainThread();
            loop.Sleep(0.02);
            loop.PostToMainThread([&] { completed = loop.IsMainThread(); });
        });
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 5s), FEventLoop::ERunResult::Idle);
    EXPECT_FALSE(onMain);
    EXPECT_TRUE(completed);
    EXPECT_EQ(loop.OutstandingWork(), 0u);
}

TEST(EventLoop, OutstandingWorkKeepsLoopBusyUntilDeadline)
{
    FEventLoop loop;
    loop.BeginWork();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(loop.RunUntilIdle(start + 50ms), FEventLoop::ERunResult::DeadlineReached);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    std::thread finisher([&] { loop.EndWork(); });
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 5s), FEventLoop::ERunResult::Idle);
    finisher.join();
}
