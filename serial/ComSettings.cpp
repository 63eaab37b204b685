#include "serial/ComSettings.h"

#include "serial/CPort.h"

void TComSettings::ApplyToOwner()
{
    if (ownerPort_ != nullptr)
        ApplyGroup(*ownerPort_);
}

void TComParity::AssignTo(TPersistent* Dest) const
{
    auto* dest = dynamic_cast<TComParity*>(Dest);
    if (dest == nullptr) {
        TComSettings::AssignTo(Dest);
        return;
    }
    dest->bits_ = bits_;
    dest->check_ = check_;
    dest->replace_ = replace_;
    dest->replaceChar_ = replaceChar_;
}

void TComParity::ApplyGroup(TCustomComPort& Port) const
{
    Port.ApplyLineSettings();
}

TFlowControl TComFlowControl::FlowControl() const
{
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_)
        return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value)
{
    if (Value != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
    }
    if (Value == fcHardware) {
        controlRTS_ = rtsHandshake;
        outCTSFlow_ = true;
    } else if (Value == fcSoftware) {
        xonXoffIn_ = true;
        xonXoffOut_ = true;
    }
    ApplyToOwner();
}

void TComFlowControl::AssignTo(TPersistent* Dest) const
{
    auto* dest = dynamic_cast<TComFlowControl*>(Dest);
    if (dest == nullptr) {
        TComSettings::AssignTo(Dest);
        return;
    }
    dest->outCTSFlow_ = outCTSFlow_;
    dest->outDSRFlow_ = outDSRFlow_;
    dest->controlDTR_ = controlDTR_;
    dest->controlRTS_ = controlRTS_;
    dest->xonXoffOut_ = xonXoffOut_;
    dest->xonXoffIn_ = xonXoffIn_;
    dest->dsrSensitivity_ = dsrSensitivity_;
    dest->txContinueOnXoff_ = txContinueOnXoff_;
    dest->xonChar_ = xonChar_;
    dest->xoffChar_ = xoffChar_;
}

void TComFlowControl::ApplyGroup(TCustomComPort& Port) const
{
    Port.ApplyLineSettings();
}

void TComTimeouts::AssignTo(TPersistent* Dest) const
{
    auto* dest = dynamic_cast<TComTimeouts*>(Dest);
    if (dest == nullptr) {
        TComSettings::AssignTo(Dest);
        return;
    }
    dest->readInterval_ = readInterval_;
    dest->readTotalMultiplier_ = readTotalMultiplier_;
    dest->readTotalConstant_ = readTotalConstant_;
    dest->writeTotalMultiplier_ = writeTotalMultiplier_;
    dest->writeTotalConstant_ = writeTotalConstant_;
}

void TComTimeouts::ApplyGroup(TCustomComPort& Port) const
{
    Port.ApplyTimeoutSettings();
}

void TComBuffer::ChangeSize(int32_t& Field, int32_t Value)
{
    if (Field == Value)
        return;
    // Queue sizes are kept even: a positive odd size is rounded down.
    Field = Value > 0 && Value % 2 == 1 ? Value - 1 : Value;
    ApplyToOwner();
}

void TComBuffer::AssignTo(TPersistent* Dest) const
{
    auto* dest = dynamic_cast<TComBuffer*>(Dest);
    if (dest == nullptr) {
        TComSettings::AssignTo(Dest);
        return;
    }
    dest->inputSize_ = inputSize_;
    dest->outputSize_ = outputSize_;
}

void TComBuffer::ApplyGroup(TCustomComPort& Port) const
{
    Port.ApplyBufferSizes();
}
