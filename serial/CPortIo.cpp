// Reading with overlapped transfers, purging and the line status.
#include "serial/CPort.h"

using namespace WinComm;

int TCustomComPort::InputQueueCount()
{
    DWORD errors = 0;
    COMSTAT stat{};
    if (!api_->ClearCommError(PortHandle, &errors, &stat))
        RaiseWindowsError(ComError::ClearErrorFailed);
    return static_cast<int>(stat.cbInQue);
}

TModemSignals TCustomComPort::ModemSignals()
{
    DWORD status = 0;
    if (!api_->GetCommModemStatus(PortHandle, &status))
        RaiseWindowsError(ComError::ModemStatusFailed);
    return TModemSignals::FromBits(static_cast<uint8_t>((status >> 4) & 0xF));
}

TComErrors TCustomComPort::PendingErrors()
{
    DWORD flags = 0;
    COMSTAT stat{};
    if (!api_->ClearCommError(PortHandle, &flags, &stat))
        RaiseWindowsError(ComError::ClearErrorFailed);
    TComErrors errors;
    if (flags & CE_FRAME)
        errors.Include(errFraming);
    if ((flags & CE_RXPARITY) && parity_->Check())
        errors.Include(errParity);
    if (flags & CE_OVERRUN)
        errors.Include(errOverrun);
    if (flags & CE_BREAK)
        errors.Include(errBreak);
    if (flags & CE_IOE)
        errors.Include(errDeviceIO);
    if (flags & CE_MODE)
        errors.Include(errMode);
    if (flags & CE_RXOVER)
        errors.Include(errInputOverflow);
    if (flags & CE_TXFULL)
        errors.Include(errOutputFull);
    return errors;
}

void TCustomComPort::PurgeBuffers(bool Input, bool Output)
{
    DWORD flags = 0;
    if (Input)
        flags |= PURGE_RXCLEAR;
    if (Output)
        flags |= PURGE_TXCLEAR;
    if (!api_->PurgeComm(PortHandle, flags))
        RaiseWindowsError(ComError::PurgeFailed);
}

void TCustomComPort::AbortTransfers()
{
    if (!api_->PurgeComm(PortHandle, PURGE_TXABORT | PURGE_RXABORT))
        RaiseWindowsError(ComError::PurgeFailed);
}

int TCustomComPort::ReadBytes(void* Buffer, int Count)
{
    std::unique_ptr<TPortTransfer> transfer;
    NewTransfer(transfer);
    try {
        BeginRead(Buffer, Count, transfer.get());
        const int result = WaitTransfer(transfer.get());
        FreeTransfer(transfer);
        return result;
    } catch (...) {
        FreeTransfer(transfer);
        throw;
    }
}

int TCustomComPort::ReadText(std::string& S, int Count)
{
    std::unique_ptr<TPortTransfer> transfer;
    NewTransfer(transfer);
    try {
        BeginReadText(S, Count, transfer.get());
        const int result = WaitTransfer(transfer.get());
        S.resize(static_cast<size_t>(result));
        FreeTransfer(transfer);
        return result;
    } catch (...) {
        FreeTransfer(transfer);
        throw;
    }
}

void TCustomComPort::NewTransfer(std::unique_ptr<TPortTransfer>& Transfer)
{
    Transfer = std::make_unique<TPortTransfer>();
    Transfer->Overlapped.hEvent = api_->CreateEventA(true, true);
}

int TCustomComPort::BeginRead(void* Buffer, int Count, TPortTransfer* Transfer)
{
    if (Transfer == nullptr)
        throw EComPort(ComError::InvalidAsyncParameter);
    Transfer->Kind = tkRead;
    DWORD read = 0;
    if (!api_->ReadFile(PortHandle, Buffer, static_cast<DWORD>(Count), &read, &Transfer->Overlapped)) {
        const DWORD error = api_->GetLastError();
        if (error != ERROR_IO_PENDING)
            throw EComPort(ComError::ReadFailed, static_cast<int>(error));
    }
    return static_cast<int>(read);
}

int TCustomComPort::BeginReadText(std::string& S, int Count, TPortTransfer* Transfer)
{
    S.assign(Count > 0 ? static_cast<size_t>(Count) : 0, '\0');
    if (Count <= 0)
        return 0;
    return BeginRead(S.data(), Count, Transfer);
}

int TCustomComPort::WaitTransfer(TPortTransfer* Transfer)
{
    if (Transfer == nullptr)
        throw EComPort(ComError::InvalidAsyncParameter);
    DWORD transferred = 0;
    if (api_->WaitForSingleObject(Transfer->Overlapped.hEvent, INFINITE) != WAIT_OBJECT_0 ||
        !api_->GetOverlappedResult(PortHandle, &Transfer->Overlapped, &transferred, false))
        RaiseWindowsError(TransferErrorCode(Transfer));
    if (Transfer->Kind == tkRead) {
        if (InputQueueCount() == 0)
            SignalListeners(lsRx, false);
    } else if (Transfer->DataCopy) {
        NotifyListenersTxBuffer(Transfer->DataCopy.get(), static_cast<int>(Transfer->DataSize));
    }
    return static_cast<int>(transferred);
}

int TCustomComPort::TransferErrorCode(const TPortTransfer* Transfer)
{
    return Transfer->Kind == tkWrite ? ComError::WriteFailed : ComError::ReadFailed;
}

void TCustomComPort::FreeTransfer(std::unique_ptr<TPortTransfer>& Transfer)
{
    if (!Transfer)
        return;
    api_->CloseHandle(Transfer->Overlapped.hEvent);
    Transfer.reset();
}
