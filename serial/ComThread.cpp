#include "serial/ComThread.h"

#include <array>

#include "serial/CPort.h"

using namespace WinComm;

namespace {

// Steps run in this order whatever order the driver reports the events in.
constexpr std::array<TComEvent, 10> kDeliveryOrder = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                                      evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};

} // namespace

TComThread::TComThread(TCustomComPort* Port)
{
    TCommApi& api = Port->CommApi();
    StopEvent = api.CreateEventA(true, false);
    OwnerPort = Port;
    api.SetCommMask(Port->PortHandle, ComEventsToMask(Port->Events()));
    Start();
}

TComThread::~TComThread()
{
    SignalStop();
    WaitFor();
    if (!stopEventReleased_)
        OwnerPort->CommApi().CloseHandle(StopEvent);
}

void TComThread::SignalStop()
{
    TCommApi& api = OwnerPort->CommApi();
    api.SetEvent(StopEvent);
    api.Sleep(0);
}

void TComThread::RunEventLoop()
{
    TCommApi& api = OwnerPort->CommApi();
    const HANDLE device = OwnerPort->PortHandle;
    OVERLAPPED overlapped{};
    overlapped.hEvent = api.CreateEventA(true, true);
    const HANDLE waitList[2] = {StopEvent, overlapped.hEvent};
    DWORD mask = 0;
    bool stopped = false;
    try {
        for (;;) {
            // A wait that cannot even start (the device is gone) would leave its event
            // signalled for ever: end the loop and say why, rather than spin.
            if (!api.WaitCommEvent(device, &mask, &overlapped)) {
                const DWORD error = api.GetLastError();
                if (error != ERROR_IO_PENDING)
                    throw EComPort(ComError::WaitForEventFailed, static_cast<int>(error));
            }
            const DWORD signalled = api.WaitForMultipleObjects(2, waitList, false, INFINITE);
            if (signalled != WAIT_OBJECT_0 + 1) {
                stopped = signalled == WAIT_OBJECT_0;
                break;
            }
            DWORD transferred = 0;
            if (api.GetOverlappedResult(device, &overlapped, &transferred, false)) {
                ReceivedEvents = MaskToComEvents(mask);
                DeliverEvents();
            }
        }
    } catch (...) {
        CleanUp(overlapped.hEvent, false);
        throw;
    }
    CleanUp(overlapped.hEvent, stopped);
}

void TComThread::CleanUp(HANDLE WaitEvent, bool Stopped)
{
    TCommApi& api = OwnerPort->CommApi();
    api.SetCommMask(OwnerPort->PortHandle, 0);
    api.PurgeComm(OwnerPort->PortHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    api.CloseHandle(WaitEvent);
    if (Stopped) {
        api.CloseHandle(StopEvent);
        stopEventReleased_ = true;
    }
}

void TComThread::DeliverEvents()
{
    switch (OwnerPort->SyncMethod()) {
    case smThreadSync:
        Synchronize([this] { FireEvents(); });
        break;
    case smWindowSync:
        SendEventsToWindow();
        break;
    case smNone:
        FireEvents();
        break;
    }
}

void TComThread::SendEventsToWindow()
{
    for (TComEvent event : kDeliveryOrder)
        if (ReceivedEvents.Contains(event))
            OwnerPort->NotifyWindow->Send(PortEventMessage, ComEventMask(event), 0);
}

void TComThread::FireEvents()
{
    for (TComEvent event : kDeliveryOrder)
        if (ReceivedEvents.Contains(event))
            OwnerPort->HandleEvent(event);
}
