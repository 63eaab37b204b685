// Construction, opening and closing, the property setters and applying settings.
#include "serial/CPort.h"

#include <stdexcept>

#include "serial/ComThread.h"
#include "toolkit/Application.h"

using namespace WinComm;

TCustomComPort::TCustomComPort(TComponent* AOwner) : TCustomComPort(AOwner, PosixCommApi())
{
}

TCustomComPort::TCustomComPort(TComponent* AOwner, TCommApi& Api)
    : TComponent(AOwner), api_(&Api), parity_(std::make_unique<TComParity>()),
      flowControl_(std::make_unique<TComFlowControl>()), timeouts_(std::make_unique<TComTimeouts>()),
      buffer_(std::make_unique<TComBuffer>())
{
    parity_->AttachPort(this);
    flowControl_->AttachPort(this);
    timeouts_->AttachPort(this);
    buffer_->AttachPort(this);
}

TCustomComPort::~TCustomComPort()
{
    try {
        ClosePort();
    } catch (...) {
        // A destructor cannot fail: report, and release the device all the same.
        Application::HandleCurrentException(this);
        ReleaseDevice();
    }
    buffer_.reset();
    flowControl_.reset();
    timeouts_.reset();
    parity_.reset();
}

void TCustomComPort::SetCommApi(TCommApi& Api)
{
    if (connected_)
        throw std::logic_error("The comm layer of an open port cannot change");
    api_ = &Api;
}

void TCustomComPort::OpenPort()
{
    if (connected_ || Designing())
        return;
    HandleBeforeOpen();
    OpenDevice();
    connected_ = true;
    try {
        ApplyAllSettings();
    } catch (...) {
        CloseDevice();
        connected_ = false;
        throw;
    }
    if (events_.Empty()) {
        ThreadRunning = false;
    } else {
        if (syncMethod_ == smWindowSync)
            NotifyWindow = std::make_unique<TMessageWindow>([this](TMessage& Message) { PortWindowProc(Message); });
        EventThread = std::make_unique<TComThread>(this);
        ThreadRunning = true;
    }
    HandleAfterOpen();
}

void TCustomComPort::ClosePort()
{
    if (!connected_ || Designing())
        return;
    HandleBeforeClose();
    AbortTransfers();
    if (ThreadRunning) {
        EventThread.reset();
        ThreadRunning = false;
        NotifyWindow.reset();
    }
    CloseDevice();
    connected_ = false;
    HandleAfterClose();
}

void TCustomComPort::ReleaseDevice()
{
    EventThread.reset();
    ThreadRunning = false;
    NotifyWindow.reset();
    CloseDevice();
    connected_ = false;
}

void TCustomComPort::OpenDevice()
{
    PortHandle = api_->CreateFileA("\\\\.\\" + port_, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED);
    if (PortHandle == INVALID_HANDLE_VALUE)
        RaiseWindowsError(ComError::OpenFailed);
}

void TCustomComPort::CloseDevice()
{
    if (PortHandle == INVALID_HANDLE_VALUE)
        return;
    api_->CloseHandle(PortHandle);
    // The layer may hand the same value to another object: never use it again.
    PortHandle = INVALID_HANDLE_VALUE;
}

void TCustomComPort::ApplyAllSettings()
{
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

bool TCustomComPort::SettingsApplicable() const
{
    return connected_ && !Loading() && !Designing();
}

void TCustomComPort::RaiseWindowsError(int Code)
{
    throw EComPort(Code, static_cast<int>(api_->GetLastError()));
}

void TCustomComPort::ApplyLineSettings()
{
    if (!SettingsApplicable())
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = baudRate_ == brCustom ? static_cast<DWORD>(customBaudRate_) : BaudRateValue(baudRate_);
    dcb.Flags = fBinary;
    if (discardNull_)
        dcb.Flags |= fNull;
    if (flowControl_->OutCTSFlow())
        dcb.Flags |= fOutxCtsFlow;
    if (flowControl_->OutDSRFlow())
        dcb.Flags |= fOutxDsrFlow;
    dcb.Flags |= DTRControlFlags(flowControl_->ControlDTR());
    dcb.Flags |= RTSControlFlags(flowControl_->ControlRTS());
    if (flowControl_->XonXoffOut())
        dcb.Flags |= fOutX;
    if (flowControl_->XonXoffIn())
        dcb.Flags |= fInX;
    if (flowControl_->DSRSensitivity())
        dcb.Flags |= fDsrSensitivity;
    if (flowControl_->TxContinueOnXoff())
        dcb.Flags |= fTXContinueOnXoff;
    if (parity_->Check()) {
        dcb.Flags |= fParity;
        if (parity_->Replace()) {
            dcb.Flags |= fErrorChar;
            dcb.ErrorChar = parity_->ReplaceChar();
        }
    }
    dcb.XonLim = static_cast<WORD>(buffer_->InputSize() / 4);
    dcb.XoffLim = dcb.XonLim;
    dcb.ByteSize = DataBitsValue(dataBits_);
    dcb.Parity = ParityValue(parity_->Bits());
    dcb.StopBits = StopBitsValue(stopBits_);
    dcb.XonChar = flowControl_->XonChar();
    dcb.XoffChar = flowControl_->XoffChar();
    dcb.EvtChar = eventChar_;
    if (!api_->SetCommState(PortHandle, dcb))
        RaiseWindowsError(ComError::SetStateFailed);
}

void TCustomComPort::ApplyTimeoutSettings()
{
    if (!SettingsApplicable())
        return;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = static_cast<DWORD>(timeouts_->ReadInterval());
    timeouts.ReadTotalTimeoutMultiplier = static_cast<DWORD>(timeouts_->ReadTotalMultiplier());
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(timeouts_->ReadTotalConstant());
    timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>(timeouts_->WriteTotalMultiplier());
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(timeouts_->WriteTotalConstant());
    if (!api_->SetCommTimeouts(PortHandle, timeouts))
        RaiseWindowsError(ComError::SetTimeoutsFailed);
}

void TCustomComPort::ApplyBufferSizes()
{
    if (!SettingsApplicable())
        return;
    if (!api_->SetupComm(PortHandle, static_cast<DWORD>(buffer_->InputSize()),
                         static_cast<DWORD>(buffer_->OutputSize())))
        RaiseWindowsError(ComError::SetupFailed);
}

void TCustomComPort::Loaded()
{
    ResumeAfterLoad();
}

void TCustomComPort::ResumeAfterLoad()
{
    TComponent::Loaded();
    if (!connected_ || Designing())
        return;
    connected_ = false;
    try {
        OpenPort();
    } catch (...) {
        // The window that holds the port must still load: show the failure and go on.
        Application::HandleCurrentException(this);
    }
}

void TCustomComPort::SetConnected(bool Value)
{
    if (Loading() || Designing()) {
        connected_ = Value;
        return;
    }
    if (Value == connected_)
        return;
    if (Value)
        OpenPort();
    else
        ClosePort();
}

void TCustomComPort::SetBaudRate(TBaudRate Value)
{
    if (Value == baudRate_)
        return;
    baudRate_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetCustomBaudRate(int32_t Value)
{
    if (Value == customBaudRate_)
        return;
    customBaudRate_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetPort(const std::string& Value)
{
    if (Value == port_)
        return;
    port_ = Value;
    if (connected_ && !Loading() && !Designing()) {
        ClosePort();
        OpenPort();
    }
}

void TCustomComPort::SetParity(const TComParity* Value)
{
    parity_->Assign(Value);
    ApplyLineSettings();
}

void TCustomComPort::SetStopBits(TStopBits Value)
{
    if (Value == stopBits_)
        return;
    stopBits_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetDataBits(TDataBits Value)
{
    if (Value == dataBits_)
        return;
    dataBits_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetDiscardNull(bool Value)
{
    if (Value == discardNull_)
        return;
    discardNull_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetEventChar(char Value)
{
    if (Value == eventChar_)
        return;
    eventChar_ = Value;
    ApplyLineSettings();
}

void TCustomComPort::SetBuffer(const TComBuffer* Value)
{
    buffer_->Assign(Value);
    ApplyBufferSizes();
}

void TCustomComPort::SetFlowControl(const TComFlowControl* Value)
{
    flowControl_->Assign(Value);
    ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts* Value)
{
    timeouts_->Assign(Value);
    ApplyTimeoutSettings();
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value)
{
    if (Value == syncMethod_)
        return;
    if (connected_ && !Loading() && !Designing())
        throw EComPort(ComError::SyncMethodWhileConnected);
    syncMethod_ = Value;
}
