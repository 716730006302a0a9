#include "net/ThreadName.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>

using NotificationSystem::ShortThreadName;

TEST(ThreadName, LongNamesKeepTheirDistinguishingTail)
{
    EXPECT_EQ(ShortThreadName("BroadcastRecv"), "BroadcastRecv");
    EXPECT_EQ(ShortThreadName("AsioPostalService0"), "PostalService0");
    EXPECT_EQ(ShortThreadName("Pool Thread 3 of 16"), "PoolThread3of16");
    EXPECT_EQ(ShortThreadName("Pool Thread 16 of 16"), "Thread16of16");
    EXPECT_EQ(ShortThreadName("abcdefghijklmnopqrstuvwxyz"), "lmnopqrstuvwxyz");
    for (const char* name : {"AsioPostalService12", "Pool Thread 16 of 16", "X2DRead thread 0"})
        EXPECT_LE(ShortThreadName(name).size(), 15u) << name;
}

TEST(ThreadName, NamesTheCallingThread)
{
    char name[32] = {};
    std::thread(
        [&]
        {
            NotificationSystem::NameCurrentThread("AsioPostalService0");
            pthread_getname_np(pthread_self(), name, sizeof(name));
        })
        .join();
    EXPECT_STREQ(name, "PostalService0");
}
