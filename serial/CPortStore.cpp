// Saving the port's settings as named values into an INI section or a registry key, and
// loading them back. One walk over the settings serves all four operations; each operation
// is a visitor that writes, or reads and assigns, the value it is shown.
#include <functional>

#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "serial/CPort.h"
#include "serial/ComText.h"

// Sees each stored setting in turn.
class TStoredValueVisitor {
public:
    using TAssignText = std::function<void(const std::string&)>;
    using TAssignInteger = std::function<void(int32_t)>;

    virtual ~TStoredValueVisitor() = default;
    // A setting stored as text; Current is the setting's stored form now.
    virtual void Text(const char* Key, const std::string& Current, const TAssignText& Assign) = 0;
    // A setting stored as a 32-bit number; IniDefault is what a section lacking Key gives.
    virtual void Integer(const char* Key, int32_t Current, int32_t IniDefault, const TAssignInteger& Assign) = 0;
};

namespace {

using TVisitor = TStoredValueVisitor;

class TSaveToIni final : public TVisitor {
public:
    TSaveToIni(TCustomIniFile& Ini, const std::string& Section) : ini_(Ini), section_(Section) {}
    void Text(const char* Key, const std::string& Current, const TAssignText&) override
    {
        ini_.WriteString(section_, Key, Current);
    }
    void Integer(const char* Key, int32_t Current, int32_t, const TAssignInteger&) override
    {
        ini_.WriteInteger(section_, Key, Current);
    }

private:
    TCustomIniFile& ini_;
    const std::string& section_;
};

// A missing key keeps the setting as it is: its current form is the default.
class TLoadFromIni final : public TVisitor {
public:
    TLoadFromIni(TCustomIniFile& Ini, const std::string& Section) : ini_(Ini), section_(Section) {}
    void Text(const char* Key, const std::string& Current, const TAssignText& Assign) override
    {
        Assign(ini_.ReadString(section_, Key, Current));
    }
    void Integer(const char* Key, int32_t, int32_t IniDefault, const TAssignInteger& Assign) override
    {
        Assign(ini_.ReadInteger(section_, Key, IniDefault));
    }

private:
    TCustomIniFile& ini_;
    const std::string& section_;
};

class TSaveToRegistry final : public TVisitor {
public:
    explicit TSaveToRegistry(TRegistry& Registry) : registry_(Registry) {}
    void Text(const char* Key, const std::string& Current, const TAssignText&) override
    {
        registry_.WriteString(Key, Current);
    }
    void Integer(const char* Key, int32_t Current, int32_t, const TAssignInteger&) override
    {
        registry_.WriteInteger(Key, Current);
    }

private:
    TRegistry& registry_;
};

// No defaults: a missing text reads as "", a missing or mistyped number raises.
class TLoadFromRegistry final : public TVisitor {
public:
    explicit TLoadFromRegistry(TRegistry& Registry) : registry_(Registry) {}
    void Text(const char* Key, const std::string&, const TAssignText& Assign) override
    {
        Assign(registry_.ReadString(Key));
    }
    void Integer(const char* Key, int32_t, int32_t, const TAssignInteger& Assign) override
    {
        Assign(registry_.ReadInteger(Key));
    }

private:
    TRegistry& registry_;
};

// The three stored forms beside plain text and numbers.
void Flag(TVisitor& Visitor, const char* Key, bool Current, const std::function<void(bool)>& Set)
{
    Visitor.Text(Key, YesNoText(Current), [&Set](const std::string& Text) { Set(IsYesText(Text)); });
}

void Character(TVisitor& Visitor, const char* Key, char Current, const std::function<void(char)>& Set)
{
    Visitor.Text(Key, CharText(Current), [&Set](const std::string& Text) { Set(CharFromText(Text)); });
}

template <typename E>
void Member(TVisitor& Visitor, const char* Key, E Current, std::string (*ToText)(E), E (*FromText)(const std::string&),
            const std::function<void(E)>& Set)
{
    Visitor.Text(Key, ToText(Current), [&](const std::string& Text) { Set(FromText(Text)); });
}

void Number(TVisitor& Visitor, const char* Key, int32_t Current, const std::function<void(int32_t)>& Set)
{
    Visitor.Integer(Key, Current, Current, Set);
}

} // namespace

void TCustomComPort::VisitStoredSettings(TStoredValueVisitor& Visitor)
{
    // Each call reads the setting's current form after the previous key was assigned.
    TComParity& parity = *parity_;
    TComFlowControl& flow = *flowControl_;
    TComBuffer& buffer = *buffer_;
    TComTimeouts& timeouts = *timeouts_;

    if (StoredGroups.Contains(sgBasic)) {
        Visitor.Text("Port", port_, [this](const std::string& Text) { SetPort(Text); });
        Member<TBaudRate>(Visitor, "BaudRate", baudRate_, BaudRateText, BaudRateFromText,
                          [this](TBaudRate Value) { SetBaudRate(Value); });
        if (baudRate_ == brCustom)
            Visitor.Integer("CustomBaudRate", customBaudRate_, 9600,
                            [this](int32_t Value) { SetCustomBaudRate(Value); });
        Member<TStopBits>(Visitor, "StopBits", stopBits_, StopBitsText, StopBitsFromText,
                          [this](TStopBits Value) { SetStopBits(Value); });
        Member<TDataBits>(Visitor, "DataBits", dataBits_, DataBitsText, DataBitsFromText,
                          [this](TDataBits Value) { SetDataBits(Value); });
        Member<TParityBits>(Visitor, "Parity", parity.Bits(), ParityText, ParityFromText,
                            [&](TParityBits Value) { parity.SetBits(Value); });
        Member<TFlowControl>(Visitor, "FlowControl", flow.FlowControl(), FlowControlText, FlowControlFromText,
                             [&](TFlowControl Value) { flow.SetFlowControl(Value); });
    }
    if (StoredGroups.Contains(sgOthers)) {
        Character(Visitor, "EventChar", eventChar_, [this](char Value) { SetEventChar(Value); });
        Flag(Visitor, "DiscardNull", discardNull_, [this](bool Value) { SetDiscardNull(Value); });
    }
    if (StoredGroups.Contains(sgParity)) {
        Flag(Visitor, "Parity.Check", parity.Check(), [&](bool Value) { parity.SetCheck(Value); });
        Flag(Visitor, "Parity.Replace", parity.Replace(), [&](bool Value) { parity.SetReplace(Value); });
        Character(Visitor, "Parity.ReplaceChar", parity.ReplaceChar(),
                  [&](char Value) { parity.SetReplaceChar(Value); });
    }
    if (StoredGroups.Contains(sgBuffer)) {
        Number(Visitor, "Buffer.OutputSize", buffer.OutputSize(), [&](int32_t Value) { buffer.SetOutputSize(Value); });
        Number(Visitor, "Buffer.InputSize", buffer.InputSize(), [&](int32_t Value) { buffer.SetInputSize(Value); });
    }
    if (StoredGroups.Contains(sgTimeouts)) {
        Number(Visitor, "Timeouts.ReadInterval", timeouts.ReadInterval(),
               [&](int32_t Value) { timeouts.SetReadInterval(Value); });
        Number(Visitor, "Timeouts.ReadTotalConstant", timeouts.ReadTotalConstant(),
               [&](int32_t Value) { timeouts.SetReadTotalConstant(Value); });
        Number(Visitor, "Timeouts.ReadTotalMultiplier", timeouts.ReadTotalMultiplier(),
               [&](int32_t Value) { timeouts.SetReadTotalMultiplier(Value); });
        Number(Visitor, "Timeouts.WriteTotalConstant", timeouts.WriteTotalConstant(),
               [&](int32_t Value) { timeouts.SetWriteTotalConstant(Value); });
        Number(Visitor, "Timeouts.WriteTotalMultiplier", timeouts.WriteTotalMultiplier(),
               [&](int32_t Value) { timeouts.SetWriteTotalMultiplier(Value); });
    }
    if (StoredGroups.Contains(sgFlowControl)) {
        Member<TRTSFlowControl>(Visitor, "FlowControl.ControlRTS", flow.ControlRTS(), RtsControlText,
                                RtsControlFromText, [&](TRTSFlowControl Value) { flow.SetControlRTS(Value); });
        Member<TDTRFlowControl>(Visitor, "FlowControl.ControlDTR", flow.ControlDTR(), DtrControlText,
                                DtrControlFromText, [&](TDTRFlowControl Value) { flow.SetControlDTR(Value); });
        Flag(Visitor, "FlowControl.DSRSensitivity", flow.DSRSensitivity(),
             [&](bool Value) { flow.SetDSRSensitivity(Value); });
        Flag(Visitor, "FlowControl.OutCTSFlow", flow.OutCTSFlow(), [&](bool Value) { flow.SetOutCTSFlow(Value); });
        Flag(Visitor, "FlowControl.OutDSRFlow", flow.OutDSRFlow(), [&](bool Value) { flow.SetOutDSRFlow(Value); });
        Flag(Visitor, "FlowControl.TxContinueOnXoff", flow.TxContinueOnXoff(),
             [&](bool Value) { flow.SetTxContinueOnXoff(Value); });
        Flag(Visitor, "FlowControl.XonXoffIn", flow.XonXoffIn(), [&](bool Value) { flow.SetXonXoffIn(Value); });
        Flag(Visitor, "FlowControl.XonXoffOut", flow.XonXoffOut(), [&](bool Value) { flow.SetXonXoffOut(Value); });
        Character(Visitor, "FlowControl.XoffChar", flow.XoffChar(), [&](char Value) { flow.SetXoffChar(Value); });
        Character(Visitor, "FlowControl.XonChar", flow.XonChar(), [&](char Value) { flow.SetXonChar(Value); });
    }
}

void TCustomComPort::SaveToRegistryKey(TRegistry& Registry)
{
    TSaveToRegistry visitor(Registry);
    VisitStoredSettings(visitor);
}

void TCustomComPort::SaveToIniSection(TCustomIniFile& Ini)
{
    TSaveToIni visitor(Ini, Name());
    VisitStoredSettings(visitor);
}

void TCustomComPort::LoadFromRegistryKey(TRegistry& Registry)
{
    TLoadFromRegistry visitor(Registry);
    VisitStoredSettings(visitor);
}

void TCustomComPort::LoadFromIniSection(TCustomIniFile& Ini)
{
    TLoadFromIni visitor(Ini, Name());
    VisitStoredSettings(visitor);
}
