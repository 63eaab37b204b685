#pragma once
// The port's four groups of settings. Each group copies itself into another of its class
// (Assign) and, when attached to a port, applies its whole group to the port's open
// device each time one of its settings changes.
#include <cstdint>

#include "serial/ComTypes.h"
#include "toolkit/Classes.h"

class TCustomComPort;

class TComSettings : public TPersistent {
public:
    TCustomComPort* OwnerPort() const { return ownerPort_; }
    // Set once by the owning port's constructor.
    void AttachPort(TCustomComPort* Port) { ownerPort_ = Port; }

protected:
    // Stores Value and applies the group, unless Value is already stored.
    template <typename T>
    void Change(T& Field, T Value)
    {
        if (Field == Value)
            return;
        Field = Value;
        ApplyToOwner();
    }
    void ApplyToOwner();
    // The owner's apply step for this group.
    virtual void ApplyGroup(TCustomComPort& Port) const = 0;

private:
    TCustomComPort* ownerPort_ = nullptr;
};

// Parity of the line. Stream defaults: Bits always, Check False, Replace False, ReplaceChar #0.
class TComParity : public TComSettings {
public:
    TParityBits Bits() const { return bits_; }
    void SetBits(TParityBits Value) { Change(bits_, Value); }
    bool Check() const { return check_; }
    void SetCheck(bool Value) { Change(check_, Value); }
    bool Replace() const { return replace_; }
    void SetReplace(bool Value) { Change(replace_, Value); }
    char ReplaceChar() const { return replaceChar_; }
    void SetReplaceChar(char Value) { Change(replaceChar_, Value); }

protected:
    void AssignTo(TPersistent* Dest) const override;
    void ApplyGroup(TCustomComPort& Port) const override;

private:
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

// Flow control of the line. FlowControl is a summary computed from the stored fields and
// is not streamed; the stored fields are always written except DSRSensitivity (False),
// TxContinueOnXoff (False), XonChar (#17) and XoffChar (#19).
class TComFlowControl : public TComSettings {
public:
    TFlowControl FlowControl() const;
    // Sets the fields the summary stands for (fcCustom changes none) and always applies.
    void SetFlowControl(TFlowControl Value);
    bool OutCTSFlow() const { return outCTSFlow_; }
    void SetOutCTSFlow(bool Value) { Change(outCTSFlow_, Value); }
    bool OutDSRFlow() const { return outDSRFlow_; }
    void SetOutDSRFlow(bool Value) { Change(outDSRFlow_, Value); }
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    void SetControlDTR(TDTRFlowControl Value) { Change(controlDTR_, Value); }
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    void SetControlRTS(TRTSFlowControl Value) { Change(controlRTS_, Value); }
    bool XonXoffOut() const { return xonXoffOut_; }
    void SetXonXoffOut(bool Value) { Change(xonXoffOut_, Value); }
    bool XonXoffIn() const { return xonXoffIn_; }
    void SetXonXoffIn(bool Value) { Change(xonXoffIn_, Value); }
    bool DSRSensitivity() const { return dsrSensitivity_; }
    void SetDSRSensitivity(bool Value) { Change(dsrSensitivity_, Value); }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool Value) { Change(txContinueOnXoff_, Value); }
    char XonChar() const { return xonChar_; }
    void SetXonChar(char Value) { Change(xonChar_, Value); }
    char XoffChar() const { return xoffChar_; }
    void SetXoffChar(char Value) { Change(xoffChar_, Value); }

protected:
    void AssignTo(TPersistent* Dest) const override;
    void ApplyGroup(TCustomComPort& Port) const override;

private:
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

// Time-outs in milliseconds, in the order of the Windows record; -1 is MAXDWORD. Stream
// defaults are the initial values.
class TComTimeouts : public TComSettings {
public:
    int32_t ReadInterval() const { return readInterval_; }
    void SetReadInterval(int32_t Value) { Change(readInterval_, Value); }
    int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    void SetReadTotalMultiplier(int32_t Value) { Change(readTotalMultiplier_, Value); }
    int32_t ReadTotalConstant() const { return readTotalConstant_; }
    void SetReadTotalConstant(int32_t Value) { Change(readTotalConstant_, Value); }
    int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    void SetWriteTotalMultiplier(int32_t Value) { Change(writeTotalMultiplier_, Value); }
    int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetWriteTotalConstant(int32_t Value) { Change(writeTotalConstant_, Value); }

protected:
    void AssignTo(TPersistent* Dest) const override;
    void ApplyGroup(TCustomComPort& Port) const override;

private:
    int32_t readInterval_ = -1;
    int32_t readTotalMultiplier_ = 0;
    int32_t readTotalConstant_ = 0;
    int32_t writeTotalMultiplier_ = 100;
    int32_t writeTotalConstant_ = 1000;
};

// Sizes of the driver's queues in bytes. A positive odd size is stored one less.
class TComBuffer : public TComSettings {
public:
    int32_t InputSize() const { return inputSize_; }
    void SetInputSize(int32_t Value) { ChangeSize(inputSize_, Value); }
    int32_t OutputSize() const { return outputSize_; }
    void SetOutputSize(int32_t Value) { ChangeSize(outputSize_, Value); }

protected:
    void AssignTo(TPersistent* Dest) const override;
    void ApplyGroup(TCustomComPort& Port) const override;

private:
    void ChangeSize(int32_t& Field, int32_t Value);

    int32_t inputSize_ = 1024;
    int32_t outputSize_ = 1024;
};
