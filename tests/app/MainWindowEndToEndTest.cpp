// The main window end to end: the real window in this process, a pseudo-terminal playing
// the scale on the port named by "mirtal.ini", and a real GT.M server behind the window's
// server control. Stored weights are read back from the database with M.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/FrmMorvidConfig.h"
#include "app/FrmTrevask.h"
#include "app/MainWindowSupport.h"
#include "mbind/EdValor.h"
#include "mbind/MComboBox.h"
#include "toolkit/ComboBox.h"
#include "mbind/MenuInfo.h"
#include "mbind/UDllMan.h"
#include "serial/CPort.h"
#include "support/PtyPair.h"
#include "support/EventLoop.h"
#include "toolkit/MaskEdit.h"
#include "support/FormatSettingsGuard.h"
#include "support/KillServer.h"
#include "support/MDirect.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"
#include "vism/VisM.h"

using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

// One database and one set of compiled routines for the whole run: the tests empty
// ^PESAGEM before they start.
class ServerData : public ::testing::Environment {
public:
    static TMServerSettings Settings()
    {
        TMServerSettings settings = TMServerSettings::FromEnvironment();
        const std::filesystem::path root = Dir().path().toStdString();
        settings.DataDir = root / "m";
        settings.SettingsFile = root / "vism.conf";
        settings.ObjectDir = root / "m-objects";
        settings.RoutineDirs = {};
        return settings;
    }

    // An M process of the test's own on the namespace's database (a first server run
    // creates it).
    static mdirect::MSession& M()
    {
        if (!database) {
            TVisM first(nullptr);
            first.SetServerSettings(Settings());
            first.SetNameSpace("SISTEMAS");
            first.SetCode("S P0=1");
            first.SetExecFlag(1);
            database = std::make_unique<mdirect::MDatabase>(
                LocateNamespace(Settings(), "SISTEMAS").GlobalDirectory.string());
            session = std::make_unique<mdirect::MSession>(*database);
        }
        return *session;
    }

    void TearDown() override
    {
        session.reset();
        database.reset();
        dir.reset();
    }

private:
    static QTemporaryDir& Dir()
    {
        if (!dir)
            dir = std::make_unique<QTemporaryDir>();
        return *dir;
    }

    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::unique_ptr<mdirect::MDatabase> database;
    static inline std::unique_ptr<mdirect::MSession> session;
};

::testing::Environment* const serverData = ::testing::AddGlobalTestEnvironment(new ServerData);

// The real control, which also notes every run with the weight register it carried.
class RecordingVisM : public TVisM {
public:
    using TVisM::TVisM;
    Strings Runs;

    void SetExecFlag(int Value) override
    {
        Runs.push_back(Code() == "set ^PESAGEM(P0,P1)=P2 " ? "set " + P2().AsString() : Code());
        TVisM::SetExecFlag(Value);
    }
};

class ScaleEndToEnd : public MainWindowFixture {
protected:
    // The complete configuration on the pseudo-terminal, with Changes.
    std::vector<IniKey> IniOnThePty(const std::vector<IniKey>& Changes = {}) const
    {
        return With(With(CompleteIni(), {{"Balanca", "Porta", pty.SlavePath()}}), Changes);
    }

    // The recording server control on the test's server settings, and the configuration
    // window answered by `configuration`.
    TFormTrevaskParts Parts()
    {
        TFormTrevaskParts parts;
        parts.CreateVisM = [this](TComponent* Owner) {
            server = new RecordingVisM(Owner);
            server->SetServerSettings(serverSettings);
            return server;
        };
        parts.RunConfiguration = [this](TMenuInfo*) { return configuration(); };
        return parts;
    }

    void Create(const std::vector<IniKey>& Changes = {})
    {
        WriteIni(IniOnThePty(Changes));
        form = std::make_unique<TFormTrevask>(Parts());
        ASSERT_TRUE(messages.Texts().empty()) << messages.Texts().at(0).toStdString();
        ASSERT_TRUE(form->ComPort1->Connected());
        M().Execute("K ^PESAGEM");
        server->Runs.clear();
    }

    static mdirect::MSession& M() { return ServerData::M(); }
    static std::string Node(const std::string& Company = "1", const std::string& Terminal = "T01")
    {
        return M().Execute("W $S($D(^PESAGEM(" + Company + ",\"" + Terminal + "\")):^(\"" + Terminal +
                          "\"),1:\"<none>\")");
    }

    // Plays the scale, then runs the event loop until Done or a deadline.
    bool Send(const std::string& Bytes, const std::function<bool()>& Done)
    {
        pty.Write(Bytes);
        return ProcessEventsUntil(Done, 3s);
    }
    bool RunsReach(size_t Count) const { return server->Runs.size() >= Count; }
    // Waits until the record being assembled is Expected (the event has been handled).
    bool Assembled(const std::string& Bytes, const std::string& Expected)
    {
        return Send(Bytes, [&] { return form->Registro == Expected; });
    }
    // Lets events that must not come show that they do not.
    void Settle() { ProcessEventsFor(50ms); }

    TPtyPair pty;
    TMServerSettings serverSettings = ServerData::Settings();
    RecordingVisM* server = nullptr;
};

} // namespace

// --- Storing -----------------------------------------------------------------------------

TEST_F(ScaleEndToEnd, RecordsWithATerminatorAreStoredOneAfterAnother)
{
    Create();
    const std::string frames = Record('2', "12,50") + "\r" + Record('2', "13,75") + "\r" + Record('2', "-0,5") + "\r";
    ASSERT_TRUE(Send(frames, [&] { return RunsReach(6); }));
    EXPECT_EQ(server->Runs, (Strings{"K ^PESAGEM(P0,P1)", "set 12500", "K ^PESAGEM(P0,P1)", "set 13750",
                                     "K ^PESAGEM(P0,P1)", "set -0500"}));
    EXPECT_EQ(Node(), "-0500");
    EXPECT_EQ(form->EdPesoGravado->text(), QStringLiteral("-0500"));
    EXPECT_EQ(form->EdRegLido->text(), QString::fromStdString(Record('2', "-0,5")));
    EXPECT_EQ(form->EdTamReg->text(), QStringLiteral("10"));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ScaleEndToEnd, CommaWeightIsShownWithTheScaleDecimalsAndStoredWithTheStoredOnes)
{
    Create();
    ASSERT_TRUE(Send(Record('2', "12,5 ") + "\r", [&] { return RunsReach(2); }));
    EXPECT_EQ(form->EdPesoLido->text(), QStringLiteral("12,5"));
    EXPECT_EQ(form->EdValor1->Text(), "12,50");
    EXPECT_EQ(Node(), "12500");
}

TEST_F(ScaleEndToEnd, PointSeparatedWeightIsCutToTheScaleDecimals)
{
    Create({{"Balanca", "SepDecimal", "."}});
    ASSERT_TRUE(Send(Record('2', "012.345") + "\r", [&] { return RunsReach(2); }));
    EXPECT_EQ(form->EdPesoLido->text(), QStringLiteral("012.345"));
    EXPECT_EQ(form->EdValor1->Text(), "12,34");
    EXPECT_EQ(Node(), "12340");
}

TEST_F(ScaleEndToEnd, RecordSplitOverThreeEventsIsHandledOnceComplete)
{
    Create();
    // A weight on the display first: two events without one would disarm storing.
    ASSERT_TRUE(Send(Record('2', "1,00"), [&] { return RunsReach(2); }));
    server->Runs.clear();
    const std::string record = Record('2', "7,25");
    ASSERT_TRUE(Assembled("\r" + record.substr(0, 3), record.substr(0, 3)));
    ASSERT_TRUE(Assembled(record.substr(3, 4), record.substr(0, 7)));
    EXPECT_TRUE(server->Runs.empty());
    ASSERT_TRUE(Send(record.substr(7), [&] { return RunsReach(2); }));
    EXPECT_EQ(Node(), "7250");
}

TEST_F(ScaleEndToEnd, BackToBackRecordsAreCutOneByteLateAndTheShiftedOneKillsTheNode)
{
    Create({{"Balanca", "ChEstabiliz", "2"}});
    ASSERT_TRUE(Send(Record('2', "12,50"), [&] { return RunsReach(2); }));
    ASSERT_EQ(Node(), "12500");
    // The next record's first byte is discarded; the record cut from the one after starts
    // with a blank and is unstable.
    ASSERT_TRUE(Send(Record('2', "13,00") + Record('2', "14,00"), [&] { return RunsReach(3); }));
    EXPECT_EQ(server->Runs.at(2), "K ^PESAGEM(P0,P1)");
    EXPECT_EQ(form->EdRegLido->text(), QStringLiteral("  13,00kg2"));
    EXPECT_EQ(Node(), "<none>");
    Settle();
    EXPECT_EQ(server->Runs.size(), 3u);
}

TEST_F(ScaleEndToEnd, CountLargerThanTheBytesReadHandlesOnlyTheBytesRead)
{
    Create();
    form->ComPort1->OnRxChar = [this](TObject* Sender, int Count) { form->ComPort1RxChar(Sender, Count + 100); };
    ASSERT_TRUE(Send(Record('2', "3,10") + "\r" + Record('2', "3,20") + "\r", [&] { return RunsReach(4); }));
    EXPECT_EQ(Node(), "3200");
    Settle();
    EXPECT_EQ(server->Runs.size(), 4u);
}

TEST_F(ScaleEndToEnd, HexadecimalModeStoresTheRawRecords)
{
    Create({{"Balanca", "TpChEstabiliz", "HEXADECIMAL"}, {"Balanca", "ChEstabiliz", "02"}});
    ASSERT_TRUE(Send(Record('\x02', "1,5") + "\xff", [&] { return RunsReach(2); }));
    EXPECT_EQ(form->CarInicial, "02");
    EXPECT_EQ(Node(), "1500");
}

// --- Stability --------------------------------------------------------------------------

struct StabilityCase {
    const char* Name;
    const char* Mode;
    const char* Character;
    char First;
    bool Stable;
};

void PrintTo(const StabilityCase& c, std::ostream* out)
{
    *out << c.Mode << " " << Printable(c.Character) << ", first byte " << Printable(std::string(1, c.First))
         << (c.Stable ? " is stable" : " is unstable");
}

class StabilityOnTheLine : public ScaleEndToEnd, public ::testing::WithParamInterface<StabilityCase> {};

// Right after the start the registers name the company and the value the server check
// left in P1, so an unstable record kills that node, not the terminal's; so does the kill
// that comes first in the first store.
TEST_P(StabilityOnTheLine, StableRecordsAreStoredUnstableOnesKillTheNodeTheRegistersName)
{
    const StabilityCase& c = GetParam();
    Create({{"Balanca", "TpChEstabiliz", c.Mode}, {"Balanca", "ChEstabiliz", c.Character}});
    const std::string checkValue = form->VisM1->P1().AsString();
    ASSERT_FALSE(checkValue.empty());
    M().Execute("S ^PESAGEM(1,\"" + checkValue + "\")=\"check\",^PESAGEM(1,\"T01\")=\"kept\"");

    ASSERT_TRUE(Send(Record(c.First, "4,5") + "\r", [&] { return RunsReach(1); }));
    Settle();
    if (c.Stable) {
        EXPECT_EQ(server->Runs, (Strings{"K ^PESAGEM(P0,P1)", "set 4500"}));
        EXPECT_EQ(Node(), "4500");
        EXPECT_EQ(Node("1", checkValue), "<none>");
    } else {
        EXPECT_EQ(server->Runs, Strings{"K ^PESAGEM(P0,P1)"});
        EXPECT_EQ(Node("1", checkValue), "<none>");
        EXPECT_EQ(Node(), "kept");
        EXPECT_TRUE(form->EdPesoLido->text().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StabilityOnTheLine,
    ::testing::Values(StabilityCase{"AsciiEmptyAcceptsAll", "ASCII", "", 'X', true},
                      StabilityCase{"AsciiCharacter", "ASCII", "2", '2', true},
                      StabilityCase{"AsciiDecimalCodeOfByte2", "ASCII", "2", '\x02', true},
                      StabilityCase{"AsciiDecimalCodeOfM", "ASCII", "77", 'M', true},
                      StabilityCase{"AsciiOtherCharacter", "ASCII", "2", '3', false},
                      StabilityCase{"AsciiCaseSensitive", "ASCII", "m", 'M', false},
                      StabilityCase{"HexTwoDigits", "HEXADECIMAL", "02", '\x02', true},
                      StabilityCase{"HexOneDigitNever", "HEXADECIMAL", "2", '\x02', false},
                      StabilityCase{"HexCharacterTwoIsByte32", "HEXADECIMAL", "02", '2', false},
                      StabilityCase{"HexUpperCase", "HEXADECIMAL", "0A", '\x0a', true},
                      StabilityCase{"HexLowerCaseNever", "HEXADECIMAL", "0a", '\x0a', false},
                      StabilityCase{"HexCodeOfFirstDigit", "HEXADECIMAL", "48", '\x02', true}),
    NamedBy(&StabilityCase::Name));

// --- Storing armed and disarmed ------------------------------------------------------------

TEST_F(ScaleEndToEnd, TwoEventsWithoutWeightRightAfterStartDisarmContinuousStoring)
{
    Create();
    ASSERT_TRUE(Assembled("2 ", "2 "));
    EXPECT_TRUE(form->SemPeso);
    EXPECT_TRUE(form->Gravar);
    ASSERT_TRUE(Assembled(" 1", "2  1"));
    EXPECT_FALSE(form->SemPeso);
    EXPECT_FALSE(form->Gravar);

    // The record completes and is shown, but nothing is stored until the next apply.
    ASSERT_TRUE(Send("2,50kg\r" + Record('2', "9,99") + "\r",
                     [&] { return form->EdPesoLido->text() == QStringLiteral("9,99"); }));
    Settle();
    EXPECT_TRUE(server->Runs.empty());
    EXPECT_EQ(Node(), "<none>");

    form->visualiza();
    server->Runs.clear();
    ASSERT_TRUE(Send(Record('2', "9,99") + "\r", [&] { return RunsReach(2); }));
    EXPECT_EQ(Node(), "9990");
}

TEST_F(ScaleEndToEnd, ZeroRecordLengthWhileTheConfigurationIsOpenEndsEveryByteAsAnEmptyRecord)
{
    bool handled = false;
    configuration = [&] {
        // The window's creation is still running: the global names it already.
        pty.Write("2X");
        handled = ProcessEventsUntil([] { return FormTrevask->EdTamReg->text() == QStringLiteral("0"); }, 3s);
        ProcessEventsFor(50ms);
        return static_cast<int>(mrCancel);
    };
    WriteIni(IniOnThePty({{"Balanca", "NrRegistro", "0"}}));
    form = std::make_unique<TFormTrevask>(Parts());
    EXPECT_TRUE(handled);
    EXPECT_TRUE(form->EdRegLido->text().isEmpty());
    EXPECT_TRUE(form->Registro.empty());
    EXPECT_EQ(server->Runs, Strings{"S P1 = $h"});
    EXPECT_TRUE(form->TerminateRequested());
}

TEST_F(ScaleEndToEnd, ButtonModeStoresOneRecordPerPress)
{
    Create();
    form->BitBtn1->setVisible(true);
    form->visualiza();
    server->Runs.clear();
    ASSERT_TRUE(Send(Record('2', "1,00") + "\r", [&] { return form->EdPesoLido->text() == "1,00"; }));
    Settle();
    EXPECT_TRUE(server->Runs.empty());

    form->BitBtn1->click();
    EXPECT_FALSE(form->BitBtn1->isEnabled());
    ASSERT_TRUE(Send(Record('2', "2,00") + "\r" + Record('2', "3,00") + "\r", [&] { return RunsReach(2); }));
    Settle();
    EXPECT_EQ(server->Runs, (Strings{"K ^PESAGEM(P0,P1)", "set 2000"}));
    EXPECT_EQ(Node(), "2000");
    EXPECT_TRUE(form->BitBtn1->isEnabled());
    EXPECT_FALSE(form->Gravar);
}

TEST_F(ScaleEndToEnd, F10ArmsStoringOnlyWhileTheButtonIsShownEvenDisabled)
{
    Create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->activateWindow();
    QApplication::setActiveWindow(form.get());

    // Hidden button: continuous mode, F10 does nothing.
    form->Gravar = false;
    QTest::keyClick(form.get(), Qt::Key_F10);
    EXPECT_FALSE(form->Gravar);

    form->BitBtn1->setVisible(true);
    form->visualiza();
    form->BitBtn1->setEnabled(false);
    QTest::keyClick(form.get(), Qt::Key_F10);
    EXPECT_TRUE(form->Gravar);
    server->Runs.clear();
    ASSERT_TRUE(Send(Record('2', "5,00") + "\r", [&] { return RunsReach(2); }));
    EXPECT_EQ(Node(), "5000");
    EXPECT_TRUE(form->BitBtn1->isEnabled());
}

// --- Start-up against a server that cannot run --------------------------------------------

TEST_F(ScaleEndToEnd, ServerThatCannotStartIsReportedAndEndsTheProgram)
{
    WriteIni(IniOnThePty());
    serverSettings.GtmDist = dir.Path("no-gtm");
    form = std::make_unique<TFormTrevask>(Parts());
    const std::vector<QString> texts = messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts.at(0).contains(QStringLiteral("\rCode = S P1 = $h\rP0 = \rP1 = \r")));
    EXPECT_EQ(texts.at(1), QString::fromUtf8("Impossível Conectar com o Caché! Verifique os processos disponíveis! "
                                             "\n\rNamespace: SISTEMAS"));
    EXPECT_TRUE(form->TerminateRequested());
    EXPECT_FALSE(form->ComPort1->Connected());
}

// --- Failed runs ---------------------------------------------------------------------------

TEST_F(ScaleEndToEnd, ServerKilledBeforeAStore_IsAFailedStore_AndTheNextStoreWorks)
{
    Create();
    ASSERT_TRUE(Send(Record('2', "12,50") + "\r", [&] { return RunsReach(2); }));
    ASSERT_EQ(Node(), "12500");
    ASSERT_TRUE(KillServer(*server));

    ASSERT_TRUE(Send(Record('2', "13,75"), [&] { return messages.Texts().size() >= 2; }));
    Settle();

    const std::vector<QString> texts = messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts.at(0).contains(QStringLiteral("M server process ended"))) << texts.at(0).toStdString();
    EXPECT_TRUE(texts.at(0).contains(QStringLiteral("\rCode = K ^PESAGEM(P0,P1)\r"))) << texts.at(0).toStdString();
    EXPECT_EQ(texts.at(1), QString::fromUtf8("Registro com Problema , aperte Saída Novamente !"));
    EXPECT_EQ(server->Runs, (Strings{"K ^PESAGEM(P0,P1)", "set 12500", "K ^PESAGEM(P0,P1)"}));
    EXPECT_EQ(form->EdPesoGravado->text(), QStringLiteral("12500"));
    EXPECT_EQ(form->EdValor1->Text(), "0,00");
    EXPECT_EQ(Node(), "12500");

    ASSERT_TRUE(Send(Record('2', "14,00") + "\r", [&] { return form->EdPesoGravado->text() == "14000"; }));
    EXPECT_EQ(Node(), "14000");
    EXPECT_EQ(messages.Texts().size(), 2u);
}

TEST_F(ScaleEndToEnd, MErrorWhileStoring_IsAFailedStore)
{
    // A terminal code longer than a subscript may be: the set raises an M error.
    Create({{"Terminal", "Terminal", std::string(1100, 'T')}});

    ASSERT_TRUE(Send(Record('2', "12,50"), [&] { return messages.Texts().size() >= 2; }));
    Settle();

    const std::vector<QString> texts = messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts.at(0).startsWith(QStringLiteral("%GTM-E-"))) << texts.at(0).toStdString();
    EXPECT_EQ(texts.at(1), QString::fromUtf8("Registro com Problema , aperte Saída Novamente !"));
    EXPECT_TRUE(form->EdPesoGravado->text().isEmpty()) << form->EdPesoGravado->text().toStdString();
    EXPECT_EQ(M().Execute("W $D(^PESAGEM)"), "0");
}

// --- The configuration window, on the same server -----------------------------------------

namespace {

// Runs Step on the configuration window as soon as it is shown modally. A window that
// Step leaves open is closed on the next tick, so a failing test cannot hang.
class WhenConfigurationShows {
public:
    explicit WhenConfigurationShows(std::function<void(TFormMorvidConfig&)> Step) : step_(std::move(Step))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* window = dynamic_cast<TFormMorvidConfig*>(QApplication::activeModalWidget());
            if (window == nullptr)
                return;
            if (window == handled_) {
                ADD_FAILURE() << "the configuration window stayed open";
                window->done(mrCancel);
                return;
            }
            handled_ = window;
            ++shown_;
            step_(*window);
        });
        timer_.start(5);
    }
    int Shown() const { return shown_; }

private:
    std::function<void(TFormMorvidConfig&)> step_;
    QTimer timer_;
    TFormMorvidConfig* handled_ = nullptr;
    int shown_ = 0;
};

} // namespace

class ConfigurationEndToEnd : public ScaleEndToEnd {
protected:
    // The pseudo-terminal stands in for a COM port, which the window's fixed list cannot
    // name: it is added to the list and picked.
    void PickThePseudoTerminal(TFormMorvidConfig& Window) const
    {
        Window.CBPortaBalanca->AddItemText(pty.SlavePath());
        Window.CBPortaBalanca->SetText(pty.SlavePath());
    }

    void CreateWithTheRealConfigurationWindow(const std::vector<IniKey>& Changes)
    {
        WriteIni(IniOnThePty(Changes));
        StartWithTheRealConfigurationWindow();
    }

    // Lists the terminals BAL01 and BAL02 of company 1 on the server and creates the window
    // on whatever "mirtal.ini" holds.
    void StartWithTheRealConfigurationWindow()
    {
        M().Execute("K ^CCTTGA955 S ^CCTTGA955(1,\"BAL01\")=\"Expedicao\",^CCTTGA955(1,\"BAL02\")=\"Recebimento\"");
        TFormTrevaskParts parts;
        parts.CreateVisM = [this](TComponent* Owner) {
            auto* control = new RecordingVisM(Owner);
            control->SetServerSettings(serverSettings);
            if (server == nullptr)
                server = control;
            return control;
        };
        form = std::make_unique<TFormTrevask>(parts);
    }
};

TEST_F(ConfigurationEndToEnd, MissingTerminalOpensTheConfigurationAtStartAndOkAppliesIt)
{
    WhenConfigurationShows choose([this](TFormMorvidConfig& window) {
        PickThePseudoTerminal(window);
        window.CBTerminal->SetItemIndex(window.CBTerminal->IndexOfCode("BAL02"));
        window.BitBtn1->click();
    });
    CreateWithTheRealConfigurationWindow({{"Terminal", "Terminal", std::nullopt}});
    EXPECT_EQ(choose.Shown(), 1);
    for (const QString& text : messages.Texts())
        ADD_FAILURE() << text.toStdString();
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_EQ(form->Terminal, "BAL02");
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_NE(ReadFileBytes("mirtal.ini").find("Terminal=BAL02"), std::string::npos);

    M().Execute("K ^PESAGEM");
    ASSERT_TRUE(Send(Record('2', "8,50") + "\r", [&] { return form->EdPesoGravado->text() == "8500"; }));
    EXPECT_EQ(Node("1", "BAL02"), "8500");
}

TEST_F(ConfigurationEndToEnd, LeavingTheConfigurationOpenedAtStartWithSairEndsTheProgram)
{
    WhenConfigurationShows leave([](TFormMorvidConfig& window) { window.BitBtn2->click(); });
    CreateWithTheRealConfigurationWindow({{"Terminal", "Terminal", std::nullopt}});
    EXPECT_EQ(leave.Shown(), 1);
    EXPECT_TRUE(form->TerminateRequested());
    EXPECT_TRUE(form->isHidden());
}

// The first start without a file: the warning on the scale's decimals, the window open with
// the port closed; the configuration window from the menu, filled in and confirmed, writes
// the file and applies it at once.
TEST_F(ConfigurationEndToEnd, FirstStartWithoutAFileWarnsAndTheMenuConfiguresEverything)
{
    ASSERT_FALSE(std::filesystem::exists("mirtal.ini"));
    StartWithTheRealConfigurationWindow();
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_TRUE(messages.Texts().at(0).contains(QStringLiteral("\"qtdeDecBalanca\"")));
    EXPECT_FALSE(form->ComPort1->Connected());
    EXPECT_FALSE(form->TerminateRequested());
    form->show();

    WhenConfigurationShows fill([this](TFormMorvidConfig& window) {
        window.CBTerminal->SetItemIndex(window.CBTerminal->IndexOfCode("BAL01"));
        PickThePseudoTerminal(window);
        window.MNrRegistro->SetText("10");
        window.MSepDecimal->SetText(",");
        window.MPosBruto->SetText("2");
        window.MNrBruto->SetText("7");
        window.EdQtdeDecBal->SetText("2");
        window.EdQtdeDecGra->SetText("3");
        window.BitBtn1->click();
    });
    form->mmiConfiguracao->trigger();
    EXPECT_EQ(fill.Shown(), 1);
    EXPECT_EQ(messages.Texts().size(), 1u);
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_NE(ReadFileBytes("mirtal.ini").find("QtdeDecGrava=3"), std::string::npos);

    M().Execute("K ^PESAGEM");
    ASSERT_TRUE(Send(Record('2', "8,50") + "\r", [&] { return form->EdPesoGravado->text() == "8500"; }));
    EXPECT_EQ(Node("1", "BAL01"), "8500");
}

TEST_F(ConfigurationEndToEnd, TerminalListEndsAtAFailedRun)
{
    // A terminal routine of the test's own: its second run moves on to BAL02, then fails.
    std::filesystem::create_directories(dir.Path("routines"));
    WriteFileBytes(dir.Path("routines/CCTTGA955.m"), "CCTTGA955 ; fails at its second run\n"
                                                     " Q\n"
                                                     "TERMCRU() I $G(P1)=\"\" S P1=\"BAL01\",P2=\"um\" Q 0\n"
                                                     " S P1=\"BAL02\",P2=\"dois\" Q 1/0\n");
    serverSettings.RoutineDirs = {dir.Path("routines")};
    Create({{"Terminal", "Terminal", "BAL01"}});

    TFormMorvidConfig window(nullptr, form->MenuInfo1, [this](TComponent* Owner) {
        auto* control = new TVisM(Owner);
        control->SetServerSettings(serverSettings);
        return control;
    });

    EXPECT_EQ(window.CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"BAL01"}));
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_TRUE(messages.Texts().at(0).startsWith(QStringLiteral("%GTM-E-DIVZERO")))
        << messages.Texts().at(0).toStdString();
    EXPECT_EQ(window.CBTerminal->ItemIndex(), 0) << "the window went on reading the file";
}

TEST_F(ConfigurationEndToEnd, ConfigurationFromTheMenuIsAppliedAgain)
{
    CreateWithTheRealConfigurationWindow({{"Terminal", "Terminal", "BAL01"}});
    form->show();
    WhenConfigurationShows change([this](TFormMorvidConfig& window) {
        PickThePseudoTerminal(window);
        window.MNrBruto->SetText("6");
        window.BitBtn1->click();
    });
    form->mmiConfiguracao->trigger();
    EXPECT_EQ(change.Shown(), 1);
    for (const QString& text : messages.Texts())
        ADD_FAILURE() << text.toStdString();
    EXPECT_EQ(form->NrCrPesBruto, 6);
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_FALSE(form->TerminateRequested());
}
