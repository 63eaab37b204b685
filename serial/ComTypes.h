#pragma once
// The serial port component's value types: the line-setting enumerations, the event,
// error and modem-line sets, the event and listener shapes, and EComPort.
#include <cstdint>
#include <functional>

#include "platform/WinComm.h"
#include "toolkit/EnumSet.h"
#include "toolkit/SysUtils.h"

class TObject;

enum TBaudRate : uint8_t {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000
};
enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits : uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits : uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod : uint8_t { smThreadSync, smWindowSync, smNone };

// The groups of settings that saving and loading cover, one byte as a set.
enum TStoredGroup : uint8_t { sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers };
using TStoredGroups = TEnumSet<TStoredGroup, uint8_t>;

// The Windows encodings of the line settings.
WinComm::DWORD BaudRateValue(TBaudRate Rate); // 0 for brCustom: the port sends CustomBaudRate
WinComm::BYTE StopBitsValue(TStopBits Bits);
WinComm::BYTE DataBitsValue(TDataBits Bits);
WinComm::BYTE ParityValue(TParityBits Bits);
WinComm::DWORD DTRControlFlags(TDTRFlowControl Control);
WinComm::DWORD RTSControlFlags(TRTSFlowControl Control);

enum TComEvent : uint8_t {
    evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
using TComEvents = TEnumSet<TComEvent, uint16_t>;
static_assert(sizeof(TComEvents) == 2);

inline constexpr TComEvents AllComEvents{evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                          evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

// The EV_ bit of one event.
WinComm::DWORD ComEventMask(TComEvent Event);
WinComm::DWORD ComEventsToMask(TComEvents Events);
// The members whose EV_ bit is set in Mask; other bits are ignored.
TComEvents MaskToComEvents(WinComm::DWORD Mask);

enum TComError : uint8_t {
    errFraming, errParity, errOverrun, errBreak, errDeviceIO, errMode, errInputOverflow, errOutputFull
};
using TComErrors = TEnumSet<TComError, uint8_t>;

enum TModemSignal : uint8_t { sigCTS, sigDSR, sigRing, sigRLSD };
using TModemSignals = TEnumSet<TModemSignal, uint8_t>;

// Event shapes; Sender is always the port.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TRxCharEvent = std::function<void(TObject* Sender, int Count)>;
using TRxBufEvent = std::function<void(TObject* Sender, const void* Buffer, int Count)>;
using TComSignalEvent = std::function<void(TObject* Sender, bool OnOff)>;
using TComErrorEvent = std::function<void(TObject* Sender, TComErrors Errors)>;

enum TListenerSignal : uint8_t { lsConn, lsCTS, lsDSR, lsRLSD, lsRing, lsRx, lsTx, lsTxEmpty, lsRxFlag };

// One entry of a port's listener list; every callback is optional.
struct TPortListener {
    TComSignalEvent ConnSignal;
    TRxBufEvent RxBufferHook;
    TRxBufEvent TxBufferHook;
    TNotifyEvent TxEmptyNotice;
    TNotifyEvent RxFlagNotice;
    TComSignalEvent CTSSignal;
    TComSignalEvent DSRSignal;
    TComSignalEvent RLSDSignal;
    TNotifyEvent RingNotice;
    TComSignalEvent TxSignal;
    TComSignalEvent RxSignal;
};

// The component's error codes (EComPort::ErrorCode).
namespace ComError {
constexpr int OpenFailed = 1;
constexpr int WriteFailed = 2;
constexpr int ReadFailed = 3;
constexpr int InvalidAsyncParameter = 4;
constexpr int PurgeFailed = 5;
constexpr int AsyncStatusFailed = 6;
constexpr int SetStateFailed = 7;
constexpr int SetTimeoutsFailed = 8;
constexpr int SetupFailed = 9;
constexpr int ClearErrorFailed = 10;
constexpr int ModemStatusFailed = 11;
constexpr int EscapeFailed = 12;
constexpr int TransmitCharFailed = 13;
constexpr int SyncMethodWhileConnected = 14;
constexpr int EnumPortsFailed = 15;
constexpr int StoreFailed = 16;
constexpr int LoadFailed = 17;
constexpr int LinkRegistrationFailed = 18;
constexpr int LedStateFailed = 19;
constexpr int ThreadExists = 20;
constexpr int WaitForEventFailed = 21;
constexpr int RxBufLinked = 22;
} // namespace ComError

// A failure of the serial port component: a code 1..22 selecting a fixed message and, for
// a failed Windows call, that call's Windows error code.
class EComPort : public Exception {
public:
    // A failed Windows call: the message ends in " (win error code: %d)".
    EComPort(int Code, int WinCode);
    // No Windows call involved: the table text alone, SystemErrorCode -1.
    explicit EComPort(int Code);

    int SystemErrorCode() const { return systemErrorCode_; }
    int ErrorCode() const { return errorCode_; }

private:
    int systemErrorCode_;
    int errorCode_;
};

// The fixed text of a component error code ("" for a code outside 1..22).
const char* ComErrorText(int Code);
