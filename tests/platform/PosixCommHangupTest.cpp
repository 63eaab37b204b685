// The far end of the line goes away while the port is open.
#include "CommFixture.h"

using namespace WinComm;

namespace {

using PosixCommHangup = TCommWaitTest;

TEST_F(PosixCommHangup, PendingWaitEndsWithErrorEvent)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR | EV_ERR));
    StartPendingWait();
    Line.CloseMaster();
    ASSERT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);
    DWORD transferred = 0;
    ASSERT_TRUE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false));
    EXPECT_EQ(Mask, EV_ERR);
}

TEST_F(PosixCommHangup, PendingWaitWithoutErrorEventFails)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    Line.CloseMaster();
    ASSERT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);
    DWORD transferred = 0;
    EXPECT_FALSE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(PosixCommHangup, LaterCallsFailAndNextWaitCannotStart)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR | EV_ERR));
    StartPendingWait();
    Line.CloseMaster();
    ASSERT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);

    // The next wait fails at once and leaves its event unsignalled: an event loop blocks
    // on its stop event instead of spinning.
    EXPECT_FALSE(Api.WaitCommEvent(Port, &Mask, &Overlapped));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 0), WAIT_TIMEOUT);

    DWORD errors = 0;
    COMSTAT stat{};
    EXPECT_FALSE(Api.ClearCommError(Port, &errors, &stat));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    char buffer[8];
    DWORD read = 0;
    OVERLAPPED transfer = NewOverlapped();
    EXPECT_FALSE(Api.ReadFile(Port, buffer, 8, &read, &transfer));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(Api.PurgeComm(Port, PURGE_RXCLEAR));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);

    // Closing still works: the abort needs nothing from the device.
    EXPECT_TRUE(Api.PurgeComm(Port, PURGE_TXABORT | PURGE_RXABORT));
    EXPECT_TRUE(Api.CloseHandle(Port));
    Port = INVALID_HANDLE_VALUE;
}

TEST_F(PosixCommHangup, HangupWithoutPendingWaitFoundByNextCall)
{
    Line.CloseMaster();
    DWORD errors = 0;
    COMSTAT stat{};
    EXPECT_FALSE(Api.ClearCommError(Port, &errors, &stat));
    EXPECT_EQ(Api.GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
}

} // namespace
