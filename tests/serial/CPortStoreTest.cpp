// The settings' text forms, and saving and loading them in INI sections and registry keys.
#include <gtest/gtest.h>

#include <map>

#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "serial/ComText.h"
#include "serial/PortTestSupport.h"
#include "support/FakeCommApi.h"
#include "support/ParamNames.h"
#include "support/TempRegistry.h"
#include "support/TempWorkingDir.h"

using Strings = std::vector<std::string>;

// ---- Text forms --------------------------------------------------------------------------

namespace {

std::string Lower(std::string Text)
{
    for (char& c : Text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Text;
}

// Every member gives its table text, and its text (in any case) gives the member back.
template <typename E>
void ExpectTable(const Strings& Texts, std::string (*ToText)(E), E (*FromText)(const std::string&))
{
    for (size_t member = 0; member < Texts.size(); ++member) {
        const auto value = static_cast<E>(member);
        EXPECT_EQ(ToText(value), Texts[member]);
        EXPECT_EQ(FromText(Texts[member]), value) << Texts[member];
        EXPECT_EQ(FromText(Lower(Texts[member])), value) << Texts[member];
    }
}

} // namespace

TEST(SettingTexts, EveryMemberHasItsTableTextBothWays)
{
    ExpectTable<TBaudRate>({"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
                            "56000", "57600", "115200", "128000", "256000"},
                           BaudRateText, BaudRateFromText);
    ExpectTable<TStopBits>({"1", "1.5", "2"}, StopBitsText, StopBitsFromText);
    ExpectTable<TDataBits>({"5", "6", "7", "8"}, DataBitsText, DataBitsFromText);
    ExpectTable<TParityBits>({"None", "Odd", "Even", "Mark", "Space"}, ParityText, ParityFromText);
    ExpectTable<TFlowControl>({"Hardware", "Software", "None", "Custom"}, FlowControlText, FlowControlFromText);
    ExpectTable<TDTRFlowControl>({"Disable", "Enable", "Handshake"}, DtrControlText, DtrControlFromText);
    ExpectTable<TRTSFlowControl>({"Disable", "Enable", "Handshake", "Toggle"}, RtsControlText, RtsControlFromText);
}

TEST(SettingTexts, UnknownTextsGiveEachTablesFallback)
{
    EXPECT_EQ(BaudRateFromText(""), br9600);
    EXPECT_EQ(BaudRateFromText("9600 "), br9600);
    EXPECT_EQ(BaudRateFromText(" 19200"), br9600);
    EXPECT_EQ(BaudRateFromText("250000"), br9600);
    EXPECT_EQ(StopBitsFromText("1,5"), sbOneStopBit);
    EXPECT_EQ(StopBitsFromText("2 "), sbOneStopBit);
    EXPECT_EQ(DataBitsFromText("9"), dbEight);
    EXPECT_EQ(ParityFromText("N"), prNone);
    EXPECT_EQ(FlowControlFromText("RTS/CTS"), fcCustom);
    EXPECT_EQ(FlowControlFromText(""), fcCustom);
    EXPECT_EQ(DtrControlFromText("Toggle"), dtrDisable);
    EXPECT_EQ(RtsControlFromText("On"), rtsDisable);
}

TEST(SettingTexts, OnlyYesInAnyCaseIsTrue)
{
    EXPECT_EQ(YesNoText(true), "Yes");
    EXPECT_EQ(YesNoText(false), "No");
    for (const char* yes : {"Yes", "YES", "yEs"})
        EXPECT_TRUE(IsYesText(yes)) << yes;
    for (const char* no : {"No", "Y", "True", "1", " Yes", "Yes ", "", "Yess"})
        EXPECT_FALSE(IsYesText(no)) << no;
}

struct CharCase {
    int code;
    const char* text;
};

void PrintTo(const CharCase& c, std::ostream* out) { *out << c.code << " is " << Printable(c.text); }

class CharTexts : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharTexts, PrintablesStandAsThemselvesOthersAsHashAndCode)
{
    EXPECT_EQ(CharText(static_cast<char>(GetParam().code)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(SettingTexts, CharTexts,
                         ::testing::Values(CharCase{'A', "A"}, CharCase{126, "~"}, CharCase{127, "\x7f"},
                                           CharCase{33, "!"}, CharCase{'#', "#"}, CharCase{' ', "#32"},
                                           CharCase{0, "#0"}, CharCase{17, "#17"}, CharCase{19, "#19"},
                                           CharCase{128, "#128"}, CharCase{200, "#200"}, CharCase{255, "#255"}),
                         [](const auto& Info) { return "Code" + std::to_string(Info.param.code); });

class CharFromTexts : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharFromTexts, ReadsTheFirstCharacterOrTheNumbersLowByte)
{
    EXPECT_EQ(static_cast<unsigned char>(CharFromText(GetParam().text)), GetParam().code) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(SettingTexts, CharFromTexts,
                         ::testing::Values(CharCase{0, ""}, CharCase{'#', "#"}, CharCase{0, "#x"},
                                           CharCase{'A', "ABC"}, CharCase{9, "#9"}, CharCase{44, "#300"},
                                           CharCase{'A', "#65"}, CharCase{0, "#9 "}, CharCase{255, "#-1"},
                                           CharCase{'A', "#$41"}, CharCase{0, "#99999999999"}),
                         [](const auto& Info) { return TestNameOf(Info.param.text); });

TEST(SettingTexts, EveryCharacterSurvivesItsText)
{
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(static_cast<unsigned char>(CharFromText(CharText(static_cast<char>(code)))), code);
}

TEST(StoredGroups, AreOneByteInMemberOrderAndStartAsBasic)
{
    static_assert(sizeof(TStoredGroups) == 1);
    EXPECT_EQ(TStoredGroups({sgBasic}).Bits(), 0x01);
    EXPECT_EQ(TStoredGroups({sgFlowControl}).Bits(), 0x02);
    EXPECT_EQ(TStoredGroups({sgBuffer}).Bits(), 0x04);
    EXPECT_EQ(TStoredGroups({sgTimeouts}).Bits(), 0x08);
    EXPECT_EQ(TStoredGroups({sgParity}).Bits(), 0x10);
    EXPECT_EQ(TStoredGroups({sgOthers}).Bits(), 0x20);
    FakeCommApi comm;
    EXPECT_EQ(TComPort(nullptr, comm).StoredGroups, TStoredGroups{sgBasic});
}

// ---- Saving and loading ------------------------------------------------------------------

namespace {

const TStoredGroups AllGroups{sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers};

// An INI object that keeps its values in memory and logs every access as
// "<call> <section> <key>=<value written, or default given>".
class RecordingIni : public TCustomIniFile {
public:
    RecordingIni() : TCustomIniFile("recording.ini") {}

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const override
    {
        Log.push_back("ReadString " + Section + " " + Ident + "=" + Default);
        const auto it = Values.find(Section + " " + Ident);
        return it == Values.end() ? Default : it->second;
    }
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const override
    {
        Log.push_back("ReadInteger " + Section + " " + Ident + "=" + std::to_string(Default));
        const auto it = Values.find(Section + " " + Ident);
        return it == Values.end() ? Default : std::stoi(it->second);
    }
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override
    {
        Write("WriteString", Section, Ident, Value);
    }
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override
    {
        Write("WriteInteger", Section, Ident, std::to_string(Value));
    }

    std::map<std::string, std::string> Values; // "<section> <key>"
    mutable Strings Log;
    std::string RefusedKey; // writing it raises the INI file's error

private:
    void Write(const std::string& Call, const std::string& Section, const std::string& Ident, const std::string& Value)
    {
        if (Ident == RefusedKey)
            throw EIniFileException("Unable to write to recording.ini");
        Log.push_back(Call + " " + Section + " " + Ident + "=" + Value);
        Values[Section + " " + Ident] = Value;
    }
};

// A port with every stored setting away from its initial value.
void SetEverySetting(TComPort& Port)
{
    Port.SetPort("/dev/ttyUSB0");
    Port.SetBaudRate(br115200);
    Port.SetStopBits(sbTwoStopBits);
    Port.SetDataBits(dbSeven);
    Port.Parity()->SetBits(prEven);
    Port.Parity()->SetCheck(true);
    Port.Parity()->SetReplace(true);
    Port.Parity()->SetReplaceChar('?');
    Port.SetEventChar('\n');
    Port.SetDiscardNull(true);
    Port.Buffer()->SetOutputSize(2048);
    Port.Buffer()->SetInputSize(4096);
    Port.Timeouts()->SetReadInterval(10);
    Port.Timeouts()->SetReadTotalConstant(20);
    Port.Timeouts()->SetReadTotalMultiplier(30);
    Port.Timeouts()->SetWriteTotalConstant(40);
    Port.Timeouts()->SetWriteTotalMultiplier(50);
    TComFlowControl& flow = *Port.FlowControl();
    flow.SetControlRTS(rtsHandshake);
    flow.SetOutCTSFlow(true);
    flow.SetControlDTR(dtrEnable);
    flow.SetDSRSensitivity(true);
    flow.SetTxContinueOnXoff(true);
    flow.SetXonChar(static_cast<char>(200));
}

// What saving SetEverySetting's port with every group writes, in order.
const Strings EverySettingSaved = {
    "WriteString ComPort1 Port=/dev/ttyUSB0",
    "WriteString ComPort1 BaudRate=115200",
    "WriteString ComPort1 StopBits=2",
    "WriteString ComPort1 DataBits=7",
    "WriteString ComPort1 Parity=Even",
    "WriteString ComPort1 FlowControl=Hardware",
    "WriteString ComPort1 EventChar=#10",
    "WriteString ComPort1 DiscardNull=Yes",
    "WriteString ComPort1 Parity.Check=Yes",
    "WriteString ComPort1 Parity.Replace=Yes",
    "WriteString ComPort1 Parity.ReplaceChar=?",
    "WriteInteger ComPort1 Buffer.OutputSize=2048",
    "WriteInteger ComPort1 Buffer.InputSize=4096",
    "WriteInteger ComPort1 Timeouts.ReadInterval=10",
    "WriteInteger ComPort1 Timeouts.ReadTotalConstant=20",
    "WriteInteger ComPort1 Timeouts.ReadTotalMultiplier=30",
    "WriteInteger ComPort1 Timeouts.WriteTotalConstant=40",
    "WriteInteger ComPort1 Timeouts.WriteTotalMultiplier=50",
    "WriteString ComPort1 FlowControl.ControlRTS=Handshake",
    "WriteString ComPort1 FlowControl.ControlDTR=Enable",
    "WriteString ComPort1 FlowControl.DSRSensitivity=Yes",
    "WriteString ComPort1 FlowControl.OutCTSFlow=Yes",
    "WriteString ComPort1 FlowControl.OutDSRFlow=No",
    "WriteString ComPort1 FlowControl.TxContinueOnXoff=Yes",
    "WriteString ComPort1 FlowControl.XonXoffIn=No",
    "WriteString ComPort1 FlowControl.XonXoffOut=No",
    "WriteString ComPort1 FlowControl.XoffChar=#19",
    "WriteString ComPort1 FlowControl.XonChar=#200",
};

class PortStore : public ::testing::Test {
protected:
    PortStore() { port.SetName("ComPort1"); }

    // The port's stored groups as saving them logs them: its settings, compared whole.
    static Strings Saved(TComPort& Port)
    {
        RecordingIni ini;
        Port.SaveToIniSection(ini);
        return ini.Log;
    }
    std::unique_ptr<TComPort> NewPort(TStoredGroups Groups)
    {
        auto other = std::make_unique<TComPort>(nullptr, comm);
        other->SetName("ComPort1");
        other->StoredGroups = Groups;
        return other;
    }

    FakeCommApi comm;
    TTestPort port{nullptr, comm};
    RecordingIni ini;
};

} // namespace

TEST_F(PortStore, SavingTheInitialGroupsWritesTheSixBasicTextsIntoTheSectionNamedAfterThePort)
{
    port.SaveToIniSection(ini);
    EXPECT_EQ(ini.Log, (Strings{"WriteString ComPort1 Port=COM1", "WriteString ComPort1 BaudRate=9600",
                                "WriteString ComPort1 StopBits=1", "WriteString ComPort1 DataBits=8",
                                "WriteString ComPort1 Parity=None", "WriteString ComPort1 FlowControl=None"}));
}

TEST_F(PortStore, ACustomBaudRateIsSavedAsANumberAfterTheBaudRate)
{
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    port.SaveToIniSection(ini);
    EXPECT_EQ(Strings(ini.Log.begin() + 1, ini.Log.begin() + 4),
              (Strings{"WriteString ComPort1 BaudRate=Custom", "WriteInteger ComPort1 CustomBaudRate=250000",
                       "WriteString ComPort1 StopBits=1"}));
}

TEST_F(PortStore, EveryGroupIsSavedInItsFixedOrderWithItsForms)
{
    SetEverySetting(port);
    port.StoredGroups = AllGroups;
    port.SaveToIniSection(ini);
    EXPECT_EQ(ini.Log, EverySettingSaved);
}

TEST_F(PortStore, AGroupLeftOutIsSkippedWhole)
{
    SetEverySetting(port);
    port.StoredGroups = {sgParity, sgTimeouts};
    port.SaveToIniSection(ini);
    Strings expected(EverySettingSaved.begin() + 8, EverySettingSaved.begin() + 11);
    expected.insert(expected.end(), EverySettingSaved.begin() + 13, EverySettingSaved.begin() + 18);
    EXPECT_EQ(ini.Log, expected);
    ini.Log.clear();
    port.StoredGroups = {};
    port.SaveToIniSection(ini);
    EXPECT_TRUE(ini.Log.empty());
}

TEST_F(PortStore, LoadingAnEmptySectionReadsEachKeyWithItsCurrentFormAndChangesNothing)
{
    SetEverySetting(port);
    port.StoredGroups = AllGroups;
    port.LoadFromIniSection(ini);
    Strings expected;
    for (const std::string& saved : EverySettingSaved)
        expected.push_back("Read" + saved.substr(5));
    EXPECT_EQ(ini.Log, expected);
    EXPECT_EQ(Saved(port), EverySettingSaved);
}

TEST_F(PortStore, AMissingCustomBaudRateLoadsAs9600)
{
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    port.LoadFromIniSection(ini);
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(ini.Log.at(2), "ReadInteger ComPort1 CustomBaudRate=9600");
}

TEST_F(PortStore, CustomBaudRateIsReadOnlyWhenTheBaudRateJustLoadedIsCustom)
{
    ini.Values = {{"ComPort1 BaudRate", "custom"}, {"ComPort1 CustomBaudRate", "250000"}};
    port.LoadFromIniSection(ini);
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_EQ(port.CustomBaudRate(), 250000);

    ini.Values = {{"ComPort1 BaudRate", "19200"}, {"ComPort1 CustomBaudRate", "300000"}};
    ini.Log.clear();
    port.LoadFromIniSection(ini);
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.CustomBaudRate(), 250000);
    EXPECT_EQ(ini.Log.size(), 6u);
}

TEST_F(PortStore, SavedSettingsLoadBackIntoAnotherPort)
{
    SetEverySetting(port);
    port.StoredGroups = AllGroups;
    port.SaveToIniSection(ini);
    const auto other = NewPort(AllGroups);
    other->LoadFromIniSection(ini);
    EXPECT_EQ(Saved(*other), EverySettingSaved);
}

TEST_F(PortStore, SettingsSurviveARealIniFile)
{
    const TempWorkingDir dir;
    ASSERT_TRUE(dir.IsValid());
    TIniFile file(".\\serial.ini");
    port.SaveToIniSection(file);
    EXPECT_EQ(ReadFileBytes(dir.Path("serial.ini")),
              "[ComPort1]\nPort=COM1\nBaudRate=9600\nStopBits=1\nDataBits=8\nParity=None\nFlowControl=None\n");

    SetEverySetting(port);
    port.SetEventChar(' ');
    port.Parity()->SetReplaceChar(';');
    port.StoredGroups = AllGroups;
    port.SaveToIniSection(file);
    const auto other = NewPort(AllGroups);
    other->LoadFromIniSection(file);
    EXPECT_EQ(Saved(*other), Saved(port));
}

struct SummaryCase {
    const char* text;
    TRTSFlowControl controlRTS;
    bool outCTSFlow, xonXoffIn, xonXoffOut;
};

void PrintTo(const SummaryCase& c, std::ostream* out) { *out << c.text; }

class PortStoreFlowSummary : public PortStore, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(PortStoreFlowSummary, LoadingTheBasicGroupSetsTheFieldsTheSummaryStandsFor)
{
    TComFlowControl& flow = *port.FlowControl();
    flow.SetControlRTS(rtsEnable);
    flow.SetOutCTSFlow(true);
    flow.SetXonXoffIn(true);
    ini.Values = {{"ComPort1 FlowControl", GetParam().text}};
    port.LoadFromIniSection(ini);
    EXPECT_EQ(flow.ControlRTS(), GetParam().controlRTS);
    EXPECT_EQ(flow.OutCTSFlow(), GetParam().outCTSFlow);
    EXPECT_EQ(flow.XonXoffIn(), GetParam().xonXoffIn);
    EXPECT_EQ(flow.XonXoffOut(), GetParam().xonXoffOut);
}

INSTANTIATE_TEST_SUITE_P(PortStore, PortStoreFlowSummary,
                         ::testing::Values(SummaryCase{"Hardware", rtsHandshake, true, false, false},
                                           SummaryCase{"software", rtsDisable, false, true, true},
                                           SummaryCase{"None", rtsDisable, false, false, false},
                                           SummaryCase{"Custom", rtsEnable, true, true, false},
                                           SummaryCase{"XonXoff", rtsEnable, true, true, false}),
                         [](const auto& Info) { return TestNameOf(Info.param.text); });

TEST_F(PortStore, ARefusedWriteStopsSavingThere)
{
    ini.RefusedKey = "StopBits";
    EXPECT_THROW(port.SaveToIniSection(ini), EIniFileException);
    EXPECT_EQ(ini.Log, (Strings{"WriteString ComPort1 Port=COM1", "WriteString ComPort1 BaudRate=9600"}));
}

// ---- Loading into an open port -----------------------------------------------------------

namespace {

class OpenPortStore : public PortStore {
protected:
    void SetUp() override
    {
        port.SetEvents({});
        port.OpenPort();
        ASSERT_TRUE(port.Connected());
        comm.ClearCalls();
    }
};

} // namespace

TEST_F(OpenPortStore, EachLoadedChangeIsAppliedAtItsAssignmentAndTheSummaryAlways)
{
    ini.Values = {{"ComPort1 BaudRate", "19200"}, {"ComPort1 DataBits", "7"}, {"ComPort1 Parity", "Even"}};
    port.LoadFromIniSection(ini);
    EXPECT_EQ(comm.DeviceCallNames(), Strings(4, "SetCommState"));
    const auto states = comm.CallsNamed("SetCommState");
    EXPECT_EQ(states.at(0).Dcb.BaudRate, 19200u);
    EXPECT_EQ(states.at(0).Dcb.ByteSize, 8);
    EXPECT_EQ(states.at(1).Dcb.ByteSize, 7);
    EXPECT_EQ(states.at(2).Dcb.Parity, WinComm::EVENPARITY);
    EXPECT_EQ(states.at(3).Dcb.Parity, WinComm::EVENPARITY);
}

TEST_F(OpenPortStore, ALoadedPortNameReopensThePort)
{
    ini.Values = {{"ComPort1 Port", "COM2"}};
    port.LoadFromIniSection(ini);
    EXPECT_TRUE(port.Connected());
    const auto opens = comm.CallsNamed("CreateFileA");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].Text, "\\\\.\\COM2");
    EXPECT_EQ(comm.CallsNamed("CloseHandle").size(), 1u);
}

TEST_F(OpenPortStore, AFailingSetterStopsTheLoadWithWhatCameBeforeAssigned)
{
    ini.Values = {{"ComPort1 BaudRate", "19200"}, {"ComPort1 DataBits", "7"}};
    comm.FailNext("SetCommState", WinComm::ERROR_GEN_FAILURE);
    try {
        port.LoadFromIniSection(ini);
        FAIL() << "no error";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), ComError::SetStateFailed);
        EXPECT_EQ(e.SystemErrorCode(), 31);
    }
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(ini.Log.back(), "ReadString ComPort1 BaudRate=9600");
}

// ---- Registry ----------------------------------------------------------------------------

namespace {

class RegistryPortStore : public PortStore {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.IsValid());
        ASSERT_TRUE(registry.OpenKey("Software\\Trevask\\ComPort1", true));
    }

    WinReg::DWORD TypeOf(const std::string& Name) const
    {
        WinReg::DWORD type = WinReg::REG_NONE, size = 0;
        EXPECT_EQ(WinReg::RegQueryValueExA(registry.CurrentKey(), Name, &type, nullptr, &size), WinReg::ERROR_SUCCESS)
            << Name;
        return type;
    }

    TempRegistry store;
    TRegistry registry;
};

} // namespace

TEST_F(RegistryPortStore, TextsAreSavedAsStringValuesAndNumbersAsDwords)
{
    SetEverySetting(port);
    port.StoredGroups = AllGroups;
    port.SaveToRegistryKey(registry);
    for (const std::string& saved : EverySettingSaved) {
        const size_t key = saved.find(' ', saved.find(' ') + 1) + 1;
        const std::string name = saved.substr(key, saved.find('=') - key);
        EXPECT_EQ(TypeOf(name), saved.starts_with("WriteInteger") ? WinReg::REG_DWORD : WinReg::REG_SZ) << name;
    }
    EXPECT_EQ(registry.ReadString("FlowControl.XonChar"), "#200");
    EXPECT_EQ(registry.ReadInteger("Timeouts.WriteTotalMultiplier"), 50);
    const auto other = NewPort(AllGroups);
    other->LoadFromRegistryKey(registry);
    EXPECT_EQ(Saved(*other), EverySettingSaved);
}

TEST_F(RegistryPortStore, MissingTextsLoadAsEmptyTextAndTheirFallbacks)
{
    SetEverySetting(port);
    port.LoadFromRegistryKey(registry);
    EXPECT_EQ(port.Port(), "");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.Parity()->Bits(), prNone);
    EXPECT_EQ(port.FlowControl()->ControlRTS(), rtsHandshake) << "Custom changes no flow field";
    EXPECT_TRUE(port.FlowControl()->OutCTSFlow());
}

TEST_F(RegistryPortStore, AMissingNumberFailsAtItsKeyAfterTheEarlierGroupsWereAssigned)
{
    port.StoredGroups = {sgParity, sgBuffer, sgTimeouts};
    registry.WriteString("Parity.Check", "Yes");
    registry.WriteInteger("Buffer.InputSize", 4096);
    registry.WriteInteger("Timeouts.ReadInterval", 10);
    try {
        port.LoadFromRegistryKey(registry);
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to get data for 'Buffer.OutputSize'");
    }
    EXPECT_TRUE(port.Parity()->Check());
    EXPECT_EQ(port.Buffer()->InputSize(), 1024);
    EXPECT_EQ(port.Timeouts()->ReadInterval(), -1);
}

TEST_F(RegistryPortStore, AValueOfTheWrongKindFailsTheLoad)
{
    registry.WriteInteger("Port", 1);
    EXPECT_THROW(port.LoadFromRegistryKey(registry), ERegistryException);
    EXPECT_EQ(port.Port(), "COM1");

    port.StoredGroups = {sgBuffer};
    registry.WriteString("Buffer.OutputSize", "2048");
    EXPECT_THROW(port.LoadFromRegistryKey(registry), ERegistryException);
    EXPECT_EQ(port.Buffer()->OutputSize(), 1024);
}

TEST_F(RegistryPortStore, ARefusedWriteStopsSavingThere)
{
    TRegistry reader(WinReg::KEY_READ);
    ASSERT_TRUE(reader.OpenKey("Software\\Trevask\\ComPort1", false));
    try {
        port.SaveToRegistryKey(reader);
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to set data for 'Port'");
    }
}
