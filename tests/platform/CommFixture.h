#pragma once
// A pseudo-terminal opened through the layer as the port component opens a device, with
// helpers for the steps most tests share.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/PtyPair.h"
#include "platform/WinComm.h"

class TCommTest : public ::testing::Test {
protected:
    TCommTest() : TCommTest(WinComm::PosixCommApi()) {}
    explicit TCommTest(WinComm::TCommApi& Layer) : Api(Layer) {}

    WinComm::TCommApi& Api;
    TPtyPair Line;
    WinComm::HANDLE Port = WinComm::INVALID_HANDLE_VALUE;

    void SetUp() override
    {
        Port = Open(Line.WindowsName());
        ASSERT_NE(Port, WinComm::INVALID_HANDLE_VALUE) << Api.GetLastError();
    }

    void TearDown() override
    {
        if (Port != WinComm::INVALID_HANDLE_VALUE)
            Api.CloseHandle(Port);
        for (WinComm::HANDLE event : events_)
            Api.CloseHandle(event);
    }

    WinComm::HANDLE Open(const std::string& Name)
    {
        using namespace WinComm;
        return Api.CreateFileA(Name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
    }

    // An event closed when the test ends.
    WinComm::HANDLE NewEvent(bool ManualReset = true, bool Initial = false)
    {
        WinComm::HANDLE event = Api.CreateEventA(ManualReset, Initial);
        EXPECT_NE(event, nullptr);
        events_.push_back(event);
        return event;
    }

    WinComm::OVERLAPPED NewOverlapped()
    {
        WinComm::OVERLAPPED overlapped{};
        overlapped.hEvent = NewEvent(true, true);
        return overlapped;
    }

    // The port component's default time-outs: a read returns at once with what is queued.
    void ReadAtOnce()
    {
        WinComm::COMMTIMEOUTS timeouts{WinComm::MAXDWORD, 0, 0, 100, 1000};
        ASSERT_TRUE(Api.SetCommTimeouts(Port, timeouts));
    }

    WinComm::DWORD Queued()
    {
        WinComm::DWORD errors = 0;
        WinComm::COMSTAT stat{};
        EXPECT_TRUE(Api.ClearCommError(Port, &errors, &stat)) << Api.GetLastError();
        return stat.cbInQue;
    }

    // Sends Bytes from the far end and waits (bounded) until the layer has Count bytes queued.
    void SendAndAwait(const std::string& Bytes, WinComm::DWORD Count)
    {
        using namespace WinComm;
        Line.Write(Bytes);
        ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
        for (int pass = 0; pass < 20 && Queued() < Count; ++pass) {
            OVERLAPPED overlapped = NewOverlapped();
            DWORD mask = 0;
            Api.WaitCommEvent(Port, &mask, &overlapped);
            Api.WaitForSingleObject(overlapped.hEvent, 100);
            Api.SetCommMask(Port, EV_RXCHAR); // ends a wait still pending
        }
        ASSERT_EQ(Queued(), Count);
    }

    // The DCB the port component sends with its default settings.
    static WinComm::DCB DefaultDcb()
    {
        using namespace WinComm;
        DCB dcb{};
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = 9600;
        dcb.Flags = fBinary;
        dcb.XonLim = 256;
        dcb.XoffLim = 256;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.XonChar = 17;
        dcb.XoffChar = 19;
        return dcb;
    }

private:
    std::vector<WinComm::HANDLE> events_;
};

// The port with one overlapped communication-event wait to start and watch.
class TCommWaitTest : public TCommTest {
protected:
    using TCommTest::TCommTest;

    WinComm::OVERLAPPED Overlapped{};
    WinComm::DWORD Mask = 0xDEAD;

    void SetUp() override
    {
        TCommTest::SetUp();
        Overlapped = NewOverlapped();
    }

    // Starts a wait that must pend.
    void StartPendingWait()
    {
        ASSERT_FALSE(Api.WaitCommEvent(Port, &Mask, &Overlapped));
        ASSERT_EQ(Api.GetLastError(), WinComm::ERROR_IO_PENDING);
    }
};
