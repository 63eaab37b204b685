#pragma once
// The event thread of an open port: waits on the device for the line events of the
// port's Events and hands each completed wait to the port as its SyncMethod says.
#include "platform/WinComm.h"
#include "serial/ComTypes.h"
#include "toolkit/Thread.h"

class TCustomComPort;

class TComThread : public TThread {
public:
    // Sets the port's event mask and starts waiting; called by OpenPort.
    explicit TComThread(TCustomComPort* Port);
    // Signals the stop and waits for the loop to end, serving the deliveries under way.
    ~TComThread() override;

    void SignalStop();

protected:
    void Execute() override { RunEventLoop(); }
    void RunEventLoop();
    void DeliverEvents();
    void SendEventsToWindow();
    void FireEvents();

private:
    // Clears the mask, purges both queues and releases the wait's event; the stop event
    // too when the loop ended on it (otherwise the destructor still signals and frees it).
    void CleanUp(WinComm::HANDLE WaitEvent, bool Stopped);

    TCustomComPort* OwnerPort;
    WinComm::HANDLE StopEvent;
    TComEvents ReceivedEvents;
    bool stopEventReleased_ = false;
};
