// Event objects and waiting on several of them.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/WinComm.h"

using namespace WinComm;

namespace {

class PosixCommEvents : public ::testing::Test {
protected:
    TCommApi& Api = PosixCommApi();
    std::vector<HANDLE> Events;

    HANDLE NewEvent(bool ManualReset, bool Initial)
    {
        HANDLE event = Api.CreateEventA(ManualReset, Initial);
        EXPECT_NE(event, nullptr);
        Events.push_back(event);
        return event;
    }

    void TearDown() override
    {
        for (HANDLE event : Events)
            Api.CloseHandle(event);
    }
};

TEST_F(PosixCommEvents, ManualResetStaysSignalledUntilReset)
{
    HANDLE event = NewEvent(true, false);
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(Api.SetEvent(event));
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(Api.ResetEvent(event));
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST_F(PosixCommEvents, AutoResetReleasesOneWait)
{
    HANDLE event = NewEvent(false, true);
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    Api.SetEvent(event);
    Api.SetEvent(event); // setting a signalled event does not count twice
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Api.WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST_F(PosixCommEvents, TimeoutWaitsAboutThatLong)
{
    HANDLE event = NewEvent(true, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Api.WaitForSingleObject(event, 80), WAIT_TIMEOUT);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(80));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}

TEST_F(PosixCommEvents, SetFromAnotherThreadWakesInfiniteWait)
{
    HANDLE event = NewEvent(false, false);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Api.SetEvent(event);
    });
    EXPECT_EQ(Api.WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    setter.join();
}

TEST_F(PosixCommEvents, LowestSignalledIndexWins)
{
    HANDLE a = NewEvent(true, false);
    HANDLE b = NewEvent(false, true);
    HANDLE c = NewEvent(false, true);
    const HANDLE list[3] = {a, b, c};
    EXPECT_EQ(Api.WaitForMultipleObjects(3, list, false, 0), WAIT_OBJECT_0 + 1);
    // Only the event that was returned is consumed.
    EXPECT_EQ(Api.WaitForMultipleObjects(3, list, false, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(Api.WaitForMultipleObjects(3, list, false, 0), WAIT_TIMEOUT);
    Api.SetEvent(a);
    Api.SetEvent(c);
    EXPECT_EQ(Api.WaitForMultipleObjects(3, list, false, 0), WAIT_OBJECT_0);
}

TEST_F(PosixCommEvents, BadWaitsFail)
{
    HANDLE event = NewEvent(true, true);
    EXPECT_EQ(Api.WaitForMultipleObjects(0, &event, false, 0), WAIT_FAILED);
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    HANDLE closed = Api.CreateEventA(true, true);
    Api.CloseHandle(closed);
    EXPECT_EQ(Api.WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(Api.SetEvent(closed));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
