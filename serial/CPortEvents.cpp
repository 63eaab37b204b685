// The event steps, the raising operations, the listener notices and the hidden window.
#include <vector>

#include "serial/CPort.h"
#include "toolkit/Application.h"

using namespace WinComm;

void TCustomComPort::FireAfterClose()
{
    if (OnAfterClose)
        OnAfterClose(this);
}

void TCustomComPort::FireAfterOpen()
{
    if (OnAfterOpen)
        OnAfterOpen(this);
}

void TCustomComPort::FireBeforeClose()
{
    if (OnBeforeClose)
        OnBeforeClose(this);
}

void TCustomComPort::FireBeforeOpen()
{
    if (OnBeforeOpen)
        OnBeforeOpen(this);
}

void TCustomComPort::FireRxChar(int Count)
{
    if (OnRxChar)
        OnRxChar(this, Count);
}

void TCustomComPort::FireRxBuf(const void* Buffer, int Count)
{
    if (OnRxBuf)
        OnRxBuf(this, Buffer, Count);
}

void TCustomComPort::FireTxEmpty()
{
    if (OnTxEmpty)
        OnTxEmpty(this);
}

void TCustomComPort::FireBreak()
{
    if (OnBreak)
        OnBreak(this);
}

void TCustomComPort::FireRing()
{
    if (OnRing)
        OnRing(this);
}

void TCustomComPort::FireRxFlag()
{
    if (OnRxFlag)
        OnRxFlag(this);
}

void TCustomComPort::FireCTSChange(bool OnOff)
{
    if (OnCTSChange)
        OnCTSChange(this, OnOff);
}

void TCustomComPort::FireDSRChange(bool OnOff)
{
    if (OnDSRChange)
        OnDSRChange(this, OnOff);
}

void TCustomComPort::FireError(TComErrors Errors)
{
    if (OnError)
        OnError(this, Errors);
}

void TCustomComPort::FireRLSDChange(bool OnOff)
{
    if (OnRLSDChange)
        OnRLSDChange(this, OnOff);
}

void TCustomComPort::FireRx80Full()
{
    if (OnRx80Full)
        OnRx80Full(this);
}

void TCustomComPort::HandleError()
{
    const TComErrors errors = PendingErrors();
    if (!errors.Empty())
        FireError(errors);
}

void TCustomComPort::HandleRxChar()
{
    int count = InputQueueCount();
    if (count <= 0)
        return;
    SignalListeners(lsRx, true);
    if (!RxBufferNotNeeded()) {
        // Someone wants the bytes themselves: read them once and hand the same buffer round.
        std::vector<char> buffer;
        for (const TPortListener& listener : Listeners) {
            if (!listener.RxBufferHook)
                continue;
            if (buffer.empty()) {
                buffer.resize(static_cast<size_t>(count));
                ReadBytes(buffer.data(), count);
                FireRxBuf(buffer.data(), count);
            }
            listener.RxBufferHook(this, buffer.data(), count);
        }
        if (buffer.empty() && !RaisesRxChar) {
            buffer.resize(static_cast<size_t>(count));
            ReadBytes(buffer.data(), count);
            FireRxBuf(buffer.data(), count);
        }
        if (!buffer.empty())
            count = 0;
    }
    if (count > 0)
        FireRxChar(count);
}

void TCustomComPort::HandleTxEmpty()
{
    SignalListeners(lsTx, false);
    NotifyListeners(lsTxEmpty);
    FireTxEmpty();
}

void TCustomComPort::HandleBreak()
{
    FireBreak();
}

void TCustomComPort::HandleRing()
{
    NotifyListeners(lsRing);
    FireRing();
}

void TCustomComPort::HandleCTSChange()
{
    const bool on = ModemSignals().Contains(sigCTS);
    SignalListeners(lsCTS, on);
    FireCTSChange(on);
}

void TCustomComPort::HandleDSRChange()
{
    const bool on = ModemSignals().Contains(sigDSR);
    SignalListeners(lsDSR, on);
    FireDSRChange(on);
}

void TCustomComPort::HandleRxFlag()
{
    NotifyListeners(lsRxFlag);
    FireRxFlag();
}

void TCustomComPort::HandleRLSDChange()
{
    const bool on = ModemSignals().Contains(sigRLSD);
    SignalListeners(lsRLSD, on);
    FireRLSDChange(on);
}

void TCustomComPort::HandleRx80Full()
{
    FireRx80Full();
}

void TCustomComPort::HandleEvent(TComEvent Event)
{
    switch (Event) {
    case evError: HandleError(); break;
    case evRxChar: HandleRxChar(); break;
    case evTxEmpty: HandleTxEmpty(); break;
    case evBreak: HandleBreak(); break;
    case evRing: HandleRing(); break;
    case evCTS: HandleCTSChange(); break;
    case evDSR: HandleDSRChange(); break;
    case evRxFlag: HandleRxFlag(); break;
    case evRLSD: HandleRLSDChange(); break;
    case evRx80Full: HandleRx80Full(); break;
    }
}

void TCustomComPort::HandleBeforeOpen()
{
    FireBeforeOpen();
}

void TCustomComPort::HandleAfterOpen()
{
    SignalListeners(lsConn, true);
    FireAfterOpen();
    RefreshSignals(true);
}

void TCustomComPort::HandleBeforeClose()
{
    RefreshSignals(false);
    FireBeforeClose();
}

void TCustomComPort::HandleAfterClose()
{
    SignalListeners(lsConn, false);
    FireAfterClose();
}

void TCustomComPort::RefreshSignals(bool Opened)
{
    if (Opened) {
        HandleCTSChange();
        HandleDSRChange();
        HandleRLSDChange();
        return;
    }
    SignalListeners(lsCTS, false);
    SignalListeners(lsDSR, false);
    SignalListeners(lsRLSD, false);
    FireCTSChange(false);
    FireDSRChange(false);
    FireRLSDChange(false);
}

void TCustomComPort::SignalListeners(TListenerSignal Kind, bool OnOff)
{
    for (const TPortListener& listener : Listeners) {
        const TComSignalEvent* callback = nullptr;
        switch (Kind) {
        case lsConn: callback = &listener.ConnSignal; break;
        case lsCTS: callback = &listener.CTSSignal; break;
        case lsDSR: callback = &listener.DSRSignal; break;
        case lsRLSD: callback = &listener.RLSDSignal; break;
        case lsRx: callback = &listener.RxSignal; break;
        case lsTx: callback = &listener.TxSignal; break;
        default: return;
        }
        if (*callback)
            (*callback)(this, OnOff);
    }
}

void TCustomComPort::NotifyListeners(TListenerSignal Kind)
{
    for (const TPortListener& listener : Listeners) {
        const TNotifyEvent* callback = nullptr;
        switch (Kind) {
        case lsRing: callback = &listener.RingNotice; break;
        case lsTxEmpty: callback = &listener.TxEmptyNotice; break;
        case lsRxFlag: callback = &listener.RxFlagNotice; break;
        default: return;
        }
        if (*callback)
            (*callback)(this);
    }
}

void TCustomComPort::NotifyListenersTxBuffer(const void* Buffer, int Count)
{
    for (const TPortListener& listener : Listeners)
        if (listener.TxBufferHook)
            listener.TxBufferHook(this, Buffer, Count);
}

void TCustomComPort::PortWindowProc(TMessage& Message)
{
    if (Message.Msg != PortEventMessage) {
        Message.Result = DefWindowProc(NotifyWindow.get(), Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    for (unsigned member = evRxChar; member <= evRx80Full; ++member) {
        const auto event = static_cast<TComEvent>(member);
        if (Message.WParam != ComEventMask(event))
            continue;
        try {
            HandleEvent(event);
        } catch (...) {
            Application::HandleCurrentException(this);
        }
        return;
    }
}
