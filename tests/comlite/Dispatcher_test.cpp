#include "comlite/Loop_dispatcher.h"
#include "comlite/Qt_dispatcher.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <thread>

namespace wk::com {
namespace {

using namespace std::chrono_literals;

TEST(Loop_dispatcher_test, PostedFunctionsRunInOrderOnlyWhenPumpedAndMayPostMore)
{
    Loop_dispatcher loop;
    std::vector<int> ran;
    loop.Post([&] { ran.push_back(1); });
    loop.Post([&] {
        ran.push_back(2);
        loop.Post([&] { ran.push_back(4); });
    });
    loop.Post([&] { ran.push_back(3); });
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(loop.Run_pending(), 4u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(loop.Run_pending(), 0u);
}

TEST(Loop_dispatcher_test, WorkPostedFromAnotherThreadRunsOnThePumpingThread)
{
    Loop_dispatcher loop;
    const auto me = std::this_thread::get_id();
    std::thread::id ran_on;
    std::thread poster([&] { loop.Post([&] { ran_on = std::this_thread::get_id(); }); });
    size_t ran = 0;
    for (int i = 0; i < 100 && ran == 0; ++i) ran = loop.Wait_and_run(100ms);
    poster.join();
    EXPECT_EQ(ran, 1u);
    EXPECT_EQ(ran_on, me);
    EXPECT_EQ(loop.Wait_and_run(1ms), 0u); // nothing came: the wait ends
}

TEST(Thread_dispatcher_test, EachThreadHasItsOwnAndAScopePutsTheOldOneBack)
{
    auto outer = std::make_shared<Loop_dispatcher>();
    Thread_dispatcher_scope first(outer);
    {
        Thread_dispatcher_scope second(std::make_shared<Loop_dispatcher>());
        EXPECT_NE(Thread_dispatcher(), outer);
        std::shared_ptr<Dispatcher> seen_elsewhere = outer;
        std::thread([&] { seen_elsewhere = Thread_dispatcher(); }).join();
        EXPECT_EQ(seen_elsewhere, nullptr);
    }
    EXPECT_EQ(Thread_dispatcher(), outer);
}

TEST(Qt_dispatcher_test, FunctionsPostedFromAnyThreadRunInTheEventLoopOfTheMakingThread)
{
    auto qt = std::make_shared<Qt_dispatcher>();
    const auto me = std::this_thread::get_id();
    std::vector<std::thread::id> ran_on;
    qt->Post([&] { ran_on.push_back(std::this_thread::get_id()); });
    std::thread([&] { qt->Post([&] { ran_on.push_back(std::this_thread::get_id()); }); }).join();
    EXPECT_TRUE(ran_on.empty()); // not before the loop runs
    for (int i = 0; i < 50 && ran_on.size() < 2; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ran_on, (std::vector<std::thread::id>{me, me}));
}

TEST(Qt_dispatcher_test, WhatIsStillQueuedWhenTheDispatcherGoesIsDestroyedUnrun)
{
    auto held = std::make_shared<int>(5);
    bool ran = false;
    {
        Qt_dispatcher qt;
        qt.Post([held, &ran] { ran = true; });
        EXPECT_EQ(held.use_count(), 2);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(held.use_count(), 1);
}

} // namespace
} // namespace wk::com
