#pragma once
// Helpers shared by the serial tests: a port that opens its protected parts to the tests,
// and a thread-safe log of what the port's events reported, in order.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "serial/CPort.h"

// The synchronisation mode by name, in the names and printouts of parameterised tests.
inline const char* SyncMethodText(TSyncMethod Method)
{
    static const char* const names[] = {"ThreadSync", "WindowSync", "None"};
    return names[Method];
}

inline void PrintTo(TSyncMethod Method, std::ostream* Out) { *Out << SyncMethodText(Method); }

inline std::string SyncMethodName(const ::testing::TestParamInfo<TSyncMethod>& Info)
{
    return SyncMethodText(Info.param);
}

class TTestPort : public TComPort {
public:
    using TComPort::TComPort;
    using TCustomComPort::BeginRead;
    using TCustomComPort::EventThread;
    using TCustomComPort::ListenerWantsRx;
    using TCustomComPort::Listeners;
    using TCustomComPort::NotifyWindow;
    using TCustomComPort::PortHandle;
    using TCustomComPort::PortWindowProc;
    using TCustomComPort::RaisesRxChar;
    using TCustomComPort::ThreadRunning;
    using TCustomComPort::WaitTransfer;
};

class TEventLog {
public:
    void Add(const std::string& Entry)
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(Entry);
    }
    std::vector<std::string> Entries() const
    {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    size_t Size() const
    {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

    // Assigns every event of Port to append its name (and arguments) to this log.
    void Watch(TComPort& Port);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

inline void TEventLog::Watch(TComPort& Port)
{
    auto onOff = [](bool On) { return std::string(On ? "(on)" : "(off)"); };
    Port.OnBeforeOpen = [this](TObject*) { Add("BeforeOpen"); };
    Port.OnAfterOpen = [this](TObject*) { Add("AfterOpen"); };
    Port.OnBeforeClose = [this](TObject*) { Add("BeforeClose"); };
    Port.OnAfterClose = [this](TObject*) { Add("AfterClose"); };
    Port.OnRxChar = [this](TObject*, int Count) { Add("RxChar(" + std::to_string(Count) + ")"); };
    Port.OnRxBuf = [this](TObject*, const void*, int Count) { Add("RxBuf(" + std::to_string(Count) + ")"); };
    Port.OnTxEmpty = [this](TObject*) { Add("TxEmpty"); };
    Port.OnBreak = [this](TObject*) { Add("Break"); };
    Port.OnRing = [this](TObject*) { Add("Ring"); };
    Port.OnCTSChange = [this, onOff](TObject*, bool On) { Add("CTS" + onOff(On)); };
    Port.OnDSRChange = [this, onOff](TObject*, bool On) { Add("DSR" + onOff(On)); };
    Port.OnRLSDChange = [this, onOff](TObject*, bool On) { Add("RLSD" + onOff(On)); };
    Port.OnRxFlag = [this](TObject*) { Add("RxFlag"); };
    Port.OnError = [this](TObject*, TComErrors Errors) { Add("Error(" + std::to_string(Errors.Bits()) + ")"); };
    Port.OnRx80Full = [this](TObject*) { Add("Rx80Full"); };
}
