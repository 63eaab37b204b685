#pragma once
// The serial port component. TCustomComPort owns one serial device: its name and line
// settings, the device handle opened for overlapped I/O, the four settings groups, and
// the event thread that waits for line events while the port is open and hands them to
// the user-interface thread. TComPort publishes its properties and events.
//
// Every operation runs on the user-interface thread, except the event steps and handlers
// in smNone, which run on the event thread. A handler that a delivery is running must not
// close, rename or destroy its port: stopping waits for the event thread, which waits for
// that handler.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WinComm.h"
#include "serial/ComSettings.h"
#include "serial/ComTypes.h"
#include "toolkit/Classes.h"
#include "toolkit/WindowSync.h"

class TComThread;
class TCustomIniFile;
class TRegistry;
class TStoredValueVisitor;

// The message that carries one EV_ value (wParam) to the hidden window of smWindowSync.
constexpr unsigned PortEventMessage = WM_USER + 1;

enum TTransferKind : uint8_t { tkWrite, tkRead };

// One overlapped transfer; allocated for it and freed after it, never shared.
struct TPortTransfer {
    WinComm::OVERLAPPED Overlapped{};
    TTransferKind Kind = tkWrite;
    std::unique_ptr<char[]> DataCopy; // the data of a write
    WinComm::DWORD DataSize = 0;
};

class TCustomComPort : public TComponent {
    friend class TComThread;
    friend class TComParity;
    friend class TComFlowControl;
    friend class TComTimeouts;
    friend class TComBuffer;

public:
    // Drives the device through the POSIX comm layer.
    explicit TCustomComPort(TComponent* AOwner);
    // Drives the device through Api, which must outlive the port.
    TCustomComPort(TComponent* AOwner, WinComm::TCommApi& Api);
    ~TCustomComPort() override;

    void OpenPort();
    void ClosePort();

    // Reading, purging and line status. None of them tests Connected: on a closed port the
    // Windows call fails and the operation raises its code.
    int InputQueueCount();
    TModemSignals ModemSignals();
    TComErrors PendingErrors();
    void PurgeBuffers(bool Input, bool Output);
    void AbortTransfers();
    // Reads at most Count bytes into Buffer (which holds at least Count bytes).
    int ReadBytes(void* Buffer, int Count);
    // Reads at most Count bytes; S holds exactly the bytes read.
    int ReadText(std::string& S, int Count);

    // The rate sent for brCustom; not published.
    int32_t CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(int32_t Value);

    WinComm::TCommApi& CommApi() const { return *api_; }
    // Replaces the comm layer; only while the port is closed.
    void SetCommApi(WinComm::TCommApi& Api);

    // Saving and loading the settings as named values, the groups StoredGroups selects, in
    // a fixed order: into or out of the key Registry has open, or the section of Ini named
    // after the port. Each loaded value goes through its setter at once, so an open port
    // applies it. A failure of the store or of a setter propagates: the values before it
    // stay written or assigned, those after it are not touched.
    virtual void SaveToRegistryKey(TRegistry& Registry);
    virtual void SaveToIniSection(TCustomIniFile& Ini);
    virtual void LoadFromRegistryKey(TRegistry& Registry);
    virtual void LoadFromIniSection(TCustomIniFile& Ini);

    // The groups saved and loaded; not published.
    TStoredGroups StoredGroups{sgBasic};

protected:
    // The properties TComPort publishes.
    bool Connected() const { return connected_; }
    void SetConnected(bool Value);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate Value);
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& Value);
    TComParity* Parity() const { return parity_.get(); }
    void SetParity(const TComParity* Value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits Value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits Value);
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool Value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char Value);
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents Value) { events_ = Value; }
    TComBuffer* Buffer() const { return buffer_.get(); }
    void SetBuffer(const TComBuffer* Value);
    TComFlowControl* FlowControl() const { return flowControl_.get(); }
    void SetFlowControl(const TComFlowControl* Value);
    TComTimeouts* Timeouts() const { return timeouts_.get(); }
    void SetTimeouts(const TComTimeouts* Value);
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod Value);

    // The after-load notification: ResumeAfterLoad.
    void Loaded() override;
    void ResumeAfterLoad();

    virtual void OpenDevice();
    virtual void CloseDevice();
    virtual void ApplyAllSettings();

    // Raising operations: each calls its event, when assigned, with the port as sender.
    virtual void FireAfterClose();
    virtual void FireAfterOpen();
    virtual void FireBeforeClose();
    virtual void FireBeforeOpen();
    virtual void FireRxChar(int Count);
    virtual void FireRxBuf(const void* Buffer, int Count);
    virtual void FireTxEmpty();
    virtual void FireBreak();
    virtual void FireRing();
    virtual void FireRxFlag();
    virtual void FireCTSChange(bool OnOff);
    virtual void FireDSRChange(bool OnOff);
    virtual void FireError(TComErrors Errors);
    virtual void FireRLSDChange(bool OnOff);
    virtual void FireRx80Full();
    // Apply one settings group to the open device; nothing while closed, loading or designing.
    virtual void ApplyLineSettings();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyBufferSizes();

    // Event steps: read what the event needs from the device, tell the listeners, raise.
    void HandleError();
    void HandleRxChar();
    void HandleTxEmpty();
    void HandleBreak();
    void HandleRing();
    void HandleCTSChange();
    void HandleDSRChange();
    void HandleRxFlag();
    void HandleRLSDChange();
    void HandleRx80Full();
    // The step that belongs to one line event.
    void HandleEvent(TComEvent Event);
    // Open and close notifications.
    void HandleBeforeOpen();
    void HandleAfterOpen();
    void HandleBeforeClose();
    void HandleAfterClose();
    void RefreshSignals(bool Opened);

    // Listener notices, in list order.
    void SignalListeners(TListenerSignal Kind, bool OnOff);
    void NotifyListeners(TListenerSignal Kind);
    void NotifyListenersTxBuffer(const void* Buffer, int Count);
    bool RxBufferNotNeeded() const { return RaisesRxChar && !ListenerWantsRx; }

    // The procedure of NotifyWindow.
    void PortWindowProc(TMessage& Message);

    // Steps of an overlapped transfer.
    void NewTransfer(std::unique_ptr<TPortTransfer>& Transfer);
    int BeginRead(void* Buffer, int Count, TPortTransfer* Transfer);
    int BeginReadText(std::string& S, int Count, TPortTransfer* Transfer);
    int WaitTransfer(TPortTransfer* Transfer);
    static int TransferErrorCode(const TPortTransfer* Transfer);
    void FreeTransfer(std::unique_ptr<TPortTransfer>& Transfer);

    std::unique_ptr<TComThread> EventThread;
    bool ThreadRunning = false;
    WinComm::HANDLE PortHandle = WinComm::INVALID_HANDLE_VALUE;
    std::unique_ptr<TMessageWindow> NotifyWindow;
    std::vector<TPortListener> Listeners;
    bool RaisesRxChar = true;
    bool ListenerWantsRx = false;

    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TComErrorEvent OnError;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnBeforeClose;
    TNotifyEvent OnRx80Full;

private:
    // Shows Visitor each setting of the selected groups in their stored order: its key, its
    // stored form and how to assign it back.
    void VisitStoredSettings(TStoredValueVisitor& Visitor);

    // The apply steps act only on an open device outside loading and designing.
    bool SettingsApplicable() const;
    // Raises Code with the Windows error of the call that just failed.
    [[noreturn]] void RaiseWindowsError(int Code);
    // Closes what an open left behind when ClosePort cannot run to its end.
    void ReleaseDevice();

    WinComm::TCommApi* api_;
    bool connected_ = false;
    TBaudRate baudRate_ = br9600;
    int32_t customBaudRate_ = 9600;
    std::string port_ = "COM1";
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TComEvents events_ = AllComEvents;
    std::unique_ptr<TComParity> parity_;
    std::unique_ptr<TComFlowControl> flowControl_;
    std::unique_ptr<TComTimeouts> timeouts_;
    std::unique_ptr<TComBuffer> buffer_;
    TSyncMethod syncMethod_ = smThreadSync;
};

class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;

    // Published, in stream order. Stream defaults: Connected False, DiscardNull False,
    // EventChar #0, SyncMethod smThreadSync; the others are always written. Parity,
    // Buffer, FlowControl and Timeouts stream as nested objects, Events as a set.
    using TCustomComPort::Connected;
    using TCustomComPort::SetConnected;
    using TCustomComPort::BaudRate;
    using TCustomComPort::SetBaudRate;
    using TCustomComPort::Port;
    using TCustomComPort::SetPort;
    using TCustomComPort::Parity;
    using TCustomComPort::SetParity;
    using TCustomComPort::StopBits;
    using TCustomComPort::SetStopBits;
    using TCustomComPort::DataBits;
    using TCustomComPort::SetDataBits;
    using TCustomComPort::DiscardNull;
    using TCustomComPort::SetDiscardNull;
    using TCustomComPort::EventChar;
    using TCustomComPort::SetEventChar;
    using TCustomComPort::Events;
    using TCustomComPort::SetEvents;
    using TCustomComPort::Buffer;
    using TCustomComPort::SetBuffer;
    using TCustomComPort::FlowControl;
    using TCustomComPort::SetFlowControl;
    using TCustomComPort::Timeouts;
    using TCustomComPort::SetTimeouts;
    using TCustomComPort::SyncMethod;
    using TCustomComPort::SetSyncMethod;
    using TCustomComPort::OnAfterOpen;
    using TCustomComPort::OnAfterClose;
    using TCustomComPort::OnBeforeOpen;
    using TCustomComPort::OnBeforeClose;
    using TCustomComPort::OnRxChar;
    using TCustomComPort::OnRxBuf;
    using TCustomComPort::OnTxEmpty;
    using TCustomComPort::OnBreak;
    using TCustomComPort::OnRing;
    using TCustomComPort::OnCTSChange;
    using TCustomComPort::OnDSRChange;
    using TCustomComPort::OnRLSDChange;
    using TCustomComPort::OnRxFlag;
    using TCustomComPort::OnError;
    using TCustomComPort::OnRx80Full;
};
