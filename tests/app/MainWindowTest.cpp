// The main window against a scripted server control and the recording comm layer: its
// components, applying the configuration file, the scale reader's details that need the
// comm layer's eye (read sizes, purges), the handlers and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <filesystem>

#include "app/FrmTrevask.h"
#include "app/MainWindowSupport.h"
#include "mbind/EdValor.h"
#include "mbind/MGlobal.h"
#include "mbind/MenuInfo.h"
#include "mbind/UDllMan.h"
#include "serial/CPort.h"
#include "support/EventLoop.h"
#include "support/FakeCommApi.h"
#include "support/FormatSettingsGuard.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

const QString kQuebra = QStringLiteral("\n\r");

QString MessageA(const char* Key)
{
    return QString::fromUtf8("Não foi configurado o parâmetro de Inicialização \"") + Key + "\"" + kQuebra +
           QString::fromUtf8("na seção \"Balanca\" que deve conter o número de decimais do ") + kQuebra +
           QString::fromUtf8("peso enviado pela balança") + kQuebra +
           QString::fromUtf8("Após configurar estes campos verifique se os pesos estão ") + kQuebra +
           QString::fromUtf8(" sendo enviados corretamente!");
}

class MainWindow : public MainWindowFixture {
protected:
    void Create()
    {
        TFormTrevaskParts parts;
        parts.CreateVisM = [this](TComponent* Owner) {
            server = new ScaleServerFake(Owner);
            server->Alive = serverAlive;
            return server;
        };
        parts.CommApi = &comm;
        parts.RunConfiguration = [this](TMenuInfo* MenuInfo) {
            ++configurationRuns;
            configurationHolder = MenuInfo;
            return configuration();
        };
        form = std::make_unique<TFormTrevask>(parts);
    }

    // The bytes arrive and the port's receive event reports Count of them.
    void Receive(const std::string& Bytes, int Count = -1)
    {
        comm.QueueInput(Bytes);
        form->ComPort1RxChar(form->ComPort1, Count < 0 ? static_cast<int>(Bytes.size()) : Count);
    }

    std::string Stored(const std::string& Company = "1", const std::string& Terminal = "T01") const
    {
        const auto found = server->Pesagem.find({Company, Terminal});
        return found == server->Pesagem.end() ? std::string("<none>") : found->second;
    }

    int CreateFileCalls() const { return static_cast<int>(comm.CallsNamed("CreateFileA").size()); }
    int Purges() const { return static_cast<int>(comm.CallsNamed("PurgeComm").size()); }

    FakeCommApi comm;
    bool serverAlive = true;
    ScaleServerFake* server = nullptr;
    int configurationRuns = 0;
    TMenuInfo* configurationHolder = nullptr;
};

} // namespace

// --- DecToHex ---------------------------------------------------------------------------

struct HexCase {
    int Number;
    const char* Text;
};

void PrintTo(const HexCase& c, std::ostream* out) { *out << c.Number << " is " << c.Text; }

std::string HexCaseName(const ::testing::TestParamInfo<HexCase>& Info)
{
    return "Number" + std::to_string(Info.param.Number);
}

class DecToHexTable : public ::testing::TestWithParam<HexCase> {};

TEST_P(DecToHexTable, GivesUpperCaseDigitsPaddedToAnEvenLength)
{
    EXPECT_EQ(TFormTrevask::DecToHex(GetParam().Number), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Bytes, DecToHexTable,
                         ::testing::Values(HexCase{0, "00"}, HexCase{1, "01"}, HexCase{2, "02"},
                                           HexCase{10, "0A"}, HexCase{15, "0F"}, HexCase{16, "10"},
                                           HexCase{42, "2A"}, HexCase{127, "7F"}, HexCase{128, "80"},
                                           HexCase{171, "AB"}, HexCase{255, "FF"}),
                         HexCaseName);
INSTANTIATE_TEST_SUITE_P(Wider, DecToHexTable,
                         ::testing::Values(HexCase{256, "0100"}, HexCase{4095, "0FFF"}, HexCase{4096, "1000"},
                                           HexCase{65535, "FFFF"}, HexCase{65536, "010000"}),
                         HexCaseName);

// --- The window and its components -----------------------------------------------------

TEST_F(MainWindow, CarriesItsCaptionMenuActionAndHiddenWeighingButton)
{
    WriteIni(CompleteIni());
    Create();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Trevask - Versão 2.0 r07"));
    ASSERT_EQ(form->ppmMenu->actions().size(), 2);
    EXPECT_EQ(form->ppmMenu->actions().at(0), form->mmiConfiguracao);
    EXPECT_EQ(form->mmiConfiguracao->text(), QString::fromUtf8("&Configuração"));
    EXPECT_EQ(form->mmiFechar->text(), QString::fromUtf8("&Fechar o Morvid"));
    EXPECT_EQ(form->Action1->text(), QStringLiteral("BuscarPeso"));
    EXPECT_EQ(form->Action1->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_TRUE(form->actions().contains(form->Action1));
    EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("Peso"));
    EXPECT_TRUE(form->BitBtn1->isHidden());
    EXPECT_TRUE(form->BitBtn1->isDefault());
    EXPECT_EQ(form->GroupBox4->title(), QString::fromUtf8("Peso Líquido"));
    EXPECT_FALSE(form->GroupBox4->isEnabled());
    EXPECT_EQ(form->EdValor1->parentWidget(), form->GroupBox4);
}

TEST_F(MainWindow, DisplaysAreReadOnlyDisabledAndLabelled)
{
    WriteIni(CompleteIni());
    Create();
    const std::vector<std::pair<QLineEdit*, std::pair<QLabel*, const char*>>> displays = {
        {form->EdChEstabiliz, {form->lbBalanca, "Ch. Estabilizador"}},
        {form->EdTamReg, {form->lbTamReg, "Tamanho do Registro"}},
        {form->EdRegLido, {form->lbRegLido, "Registro Lido"}},
        {form->EdPesoLido, {form->lbPesoLido, "Peso Lido"}},
        {form->EdPesoGravado, {form->LbPesoGravado, "Peso Gravado"}},
        {form->EdPorta, {form->lbPorta, "Porta"}},
        {form->EdBitsDados, {form->lbbitsdados, "Bits de Dados:"}},
        {form->EdBitsSegundo, {form->lbbitsSegundo, "Bits por Segundo"}},
        {form->EdBitsParada, {form->lbbitsparada, "Bits de Parada:"}},
        {form->EdConexao, {form->Label2, "Conexão"}},
        {form->EdBatIBC, {form->LblBat, "Bat de IBC"}},
    };
    for (const auto& [edit, label] : displays) {
        SCOPED_TRACE(label.second);
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_EQ(edit->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(label.first->text(), QString::fromUtf8(label.second));
        EXPECT_EQ(label.first->buddy(), edit);
    }
    EXPECT_TRUE(form->lbEmpresa->font().bold());
}

TEST_F(MainWindow, ComponentsStartWithTheirWindowSettings)
{
    serverAlive = false; // stops visualiza before it changes anything
    Create();
    TComPort& port = *form->ComPort1;
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br2400);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity()->Bits(), prNone);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.FlowControl()->ControlDTR(), dtrDisable);
    EXPECT_EQ(port.FlowControl()->ControlRTS(), rtsDisable);
    EXPECT_FALSE(port.FlowControl()->XonXoffIn());
    EXPECT_FALSE(port.FlowControl()->XonXoffOut());
    EXPECT_EQ(port.FlowControl()->XonChar(), 0);
    EXPECT_EQ(port.FlowControl()->XoffChar(), 0);
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_TRUE(port.OnRxChar && port.OnError);

    EXPECT_EQ(form->MenuInfo1->DefCODEMP(), 1);
    EXPECT_EQ(form->MenuInfo1->DefCODIMP(), 300);
    EXPECT_EQ(form->MenuInfo1->VisM(), form->VisM1);
    EXPECT_FALSE(form->MenuInfo1->OnMudaCodEmp);
    EXPECT_EQ(form->MenuInfo1->CampoFoco(), nullptr);

    TMGlobal& cfg = *form->TGGCFG10;
    EXPECT_EQ(cfg.Global(), "^TGGCFG");
    ASSERT_EQ(cfg.GlobalChaves()->Count(), 3);
    EXPECT_EQ(cfg.GlobalChaves()->Items(1)->Fixo(), "10");
    EXPECT_EQ(cfg.GlobalChaves()->Items(1)->Inicio(), "10");
    EXPECT_EQ(cfg.GlobalChaves()->Items(1)->Final(), "10");
    EXPECT_EQ(cfg.Separador(), "^");
    EXPECT_FALSE(cfg.ChecarObrigatorios());
    EXPECT_EQ(cfg.VisM(), form->VisM1);
    EXPECT_TRUE(form->MenuInfo1->Lista().empty());

    TEdValor& valor = *form->EdValor1;
    EXPECT_EQ(valor.Text(), "0,00");
    EXPECT_EQ(valor.Decimais(), 2);
    EXPECT_EQ(valor.DecimaisM(), 3);
    EXPECT_FALSE(valor.Edita());
    EXPECT_TRUE(valor.Limpar());
    EXPECT_EQ(valor.TipoCampo(), tcCampo);
    EXPECT_FALSE(valor.Obrigatorio());
    EXPECT_EQ(valor.MGlobal(), nullptr);
    EXPECT_TRUE(valor.ReadOnly());
    EXPECT_FALSE(valor.Ctl3D());
    EXPECT_EQ(valor.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(valor.font().bold());
    EXPECT_EQ(valor.palette().color(QPalette::Disabled, QPalette::Text), QColor(0, 0, 128));
}

TEST_F(MainWindow, CreationSetsTheNamespaceThenChecksTheServer)
{
    WriteIni(With(CompleteIni(), {{"Namespace", "Namespace", "PRODUCAO"}}));
    Create();
    const Strings log = server->Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Strings(log.begin(), log.begin() + 4),
              (Strings{"NameSpace=PRODUCAO", "P1=", "Code=S P1 = $h", "ExecFlag=1"}));
    EXPECT_EQ(server->NameSpace(), "PRODUCAO");
    EXPECT_EQ(form->EdConexao->text(), QStringLiteral("PRODUCAO"));
    EXPECT_FALSE(form->Creating());
    EXPECT_EQ(FormTrevask, form.get());
}

// --- visualiza --------------------------------------------------------------------------

TEST_F(MainWindow, DeadServerNamesTheNamespaceAndEndsTheProgram)
{
    WriteIni(With(CompleteIni(), {{"Namespace", "Namespace", "TESTE"}}));
    serverAlive = false;
    Create();
    ASSERT_EQ(messages.Messages().size(), 1u);
    const TShownMessage shown = messages.Messages().at(0);
    EXPECT_EQ(shown.Text, QString::fromUtf8("Impossível Conectar com o Caché! Verifique os processos disponíveis! ") +
                              kQuebra + QStringLiteral("Namespace: TESTE"));
    EXPECT_EQ(shown.Type, TMsgDlgType::mtError);
    EXPECT_EQ(shown.Buttons, mbOK);
    EXPECT_TRUE(form->TerminateRequested());
    EXPECT_EQ(CreateFileCalls(), 0);
    EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa"));
    EXPECT_TRUE(form->EdPorta->text().isEmpty());
    EXPECT_EQ(server->Runs(), Strings{"S P1 = $h"});
}

TEST_F(MainWindow, CompleteConfigurationIsAppliedAndThePortOpened)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "ChEstabiliz", "2"}, {"Empresa", "Empresa", "7"}}));
    Create();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(messages.Exceptions().empty());
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_EQ(comm.CallsNamed("CreateFileA").at(0).Text, "\\\\.\\COM3");
    EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa: 7"));
    EXPECT_EQ(server->P0().AsString(), "7");
    EXPECT_EQ(form->EdPorta->text(), QStringLiteral("COM3"));
    EXPECT_EQ(form->EdChEstabiliz->text(), QStringLiteral("2"));
    EXPECT_EQ(form->EdBitsSegundo->text(), QStringLiteral("9600"));
    EXPECT_EQ(form->EdBitsDados->text(), QStringLiteral("8"));
    EXPECT_EQ(form->EdBitsParada->text(), QStringLiteral("1"));
    EXPECT_EQ(form->EdConexao->text(), QStringLiteral("SISTEMAS"));
    EXPECT_EQ(form->EdBatIBC->text(), QStringLiteral(".\\"));
    EXPECT_EQ(form->ComPort1->BaudRate(), br9600);
    EXPECT_EQ(form->Terminal, "T01");
    EXPECT_EQ(form->SepDecimal, ",");
    EXPECT_EQ(form->ChEstabiliz, "2");
    EXPECT_EQ(form->TpChEstabiliz, "ASCII");
    EXPECT_EQ(form->NrRegistro, 10);
    EXPECT_EQ(form->PosPesoBruto, 2);
    EXPECT_EQ(form->NrCrPesBruto, 7);
    EXPECT_EQ(form->EdValor1->Decimais(), 2);
    EXPECT_EQ(form->EdValor1->DecimaisM(), 3);
    EXPECT_TRUE(form->Gravar);
    EXPECT_FALSE(form->SemPeso);
    EXPECT_EQ(configurationRuns, 0);
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_EQ(server->Runs(), Strings{"S P1 = $h"});
}

TEST_F(MainWindow, MissingDecimalsOfTheScaleWarnWithMessageAAndOnlyHideTheWindowBeingCreated)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "QtdeDecBalanca", std::nullopt}, {"Empresa", "Empresa", "4"}}));
    Create();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().at(0).Text, MessageA("qtdeDecBalanca"));
    EXPECT_EQ(messages.Messages().at(0).Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(messages.Messages().at(0).Buttons, mbOK);
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_FALSE(form->ComPort1->Connected());
    EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa: 4"));
    EXPECT_TRUE(form->EdPorta->text().isEmpty());
    EXPECT_TRUE(form->EdBatIBC->text().isEmpty());

    // The start goes on: the window is shown and stays open; the menu applies everything.
    form->show();
    EXPECT_TRUE(form->isVisible());
    configuration = [] {
        WriteIni(CompleteIni());
        return static_cast<int>(mrOk);
    };
    form->mmiConfiguracao->trigger();
    EXPECT_EQ(configurationRuns, 1);
    EXPECT_EQ(configurationHolder, form->MenuInfo1);
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_EQ(form->EdPorta->text(), QStringLiteral("COM3"));
    EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa: 1"));
    EXPECT_EQ(messages.Messages().size(), 1u);
}

struct DecimalsCase {
    const char* Name;
    std::optional<std::string> Balanca;
    std::optional<std::string> Grava;
    const char* Refused; // the key named in the message, or null when accepted
    int Decimais;
    int DecimaisM;
};

void PrintTo(const DecimalsCase& c, std::ostream* out)
{
    *out << "QtdeDecBalanca=" << (c.Balanca ? Printable(*c.Balanca) : "unset")
         << " QtdeDecGrava=" << (c.Grava ? Printable(*c.Grava) : "unset");
}

class DecimalsTable : public MainWindow, public ::testing::WithParamInterface<DecimalsCase> {};

TEST_P(DecimalsTable, ReadAsIntegersAndRefusedWhenMissingOrNegative)
{
    const DecimalsCase& c = GetParam();
    WriteIni(With(CompleteIni(), {{"Balanca", "QtdeDecBalanca", c.Balanca}, {"Balanca", "QtdeDecGrava", c.Grava}}));
    Create();
    if (c.Refused != nullptr) {
        ASSERT_EQ(messages.Texts().size(), 1u);
        EXPECT_EQ(messages.Texts().at(0), MessageA(c.Refused));
        EXPECT_FALSE(form->ComPort1->Connected());
        return;
    }
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(form->EdValor1->Decimais(), c.Decimais);
    EXPECT_EQ(form->EdValor1->DecimaisM(), c.DecimaisM);
    EXPECT_TRUE(form->ComPort1->Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DecimalsTable,
    ::testing::Values(DecimalsCase{"Plain", "2", "3", nullptr, 2, 3}, DecimalsCase{"Zero", "0", "0", nullptr, 0, 0},
                      DecimalsCase{"Hexadecimal", "0x2", "0X3", nullptr, 2, 3},
                      DecimalsCase{"KeptModulo256", "258", "3", nullptr, 2, 3},
                      DecimalsCase{"MissingBalanca", std::nullopt, "3", "qtdeDecBalanca", 0, 0},
                      DecimalsCase{"EmptyBalanca", "", "3", "qtdeDecBalanca", 0, 0},
                      DecimalsCase{"TextBalanca", "duas", "3", "qtdeDecBalanca", 0, 0},
                      DecimalsCase{"NegativeBalanca", "-1", "3", "qtdeDecBalanca", 0, 0},
                      DecimalsCase{"MissingGrava", "2", std::nullopt, "qtdeDecGrava", 0, 0},
                      DecimalsCase{"NegativeGrava", "2", "-3", "qtdeDecGrava", 0, 0}),
    NamedBy(&DecimalsCase::Name));

TEST_F(MainWindow, CompanyThatIsNoDecimalIntegerIsReportedAndStopsVisualiza)
{
    for (const char* company : {"", "abc", "7x", "0x7", "-", "99999999999"}) {
        SCOPED_TRACE(company);
        MessageRecorder recorder;
        WriteIni(With(CompleteIni(), {{"Empresa", "Empresa", company}}));
        Create();
        ASSERT_EQ(recorder.Exceptions().size(), 1u);
        EXPECT_EQ(recorder.Exceptions().at(0), "'" + std::string(company) + "' is not a valid integer value");
        EXPECT_FALSE(form->ComPort1->Connected());
        EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa"));
        EXPECT_TRUE(form->EdPorta->text().isEmpty());
        EXPECT_FALSE(form->TerminateRequested());
        form.reset();
    }
}

TEST_F(MainWindow, CompanyFromTheMenuFailingKeepsThePreviousDisplays)
{
    WriteIni(CompleteIni());
    Create();
    WriteIni(With(CompleteIni(), {{"Empresa", "Empresa", ""}, {"Balanca", "Porta", "COM4"}}));
    form->mmiConfiguracao->trigger();
    ASSERT_EQ(messages.Exceptions().size(), 1u);
    EXPECT_FALSE(form->ComPort1->Connected());
    EXPECT_EQ(form->EdPorta->text(), QStringLiteral("COM3"));
    EXPECT_EQ(form->lbEmpresa->text(), QStringLiteral("Empresa: 1"));
}

struct LineCase {
    const char* Name;
    const char* Key;
    const char* Text;
    TBaudRate Rate;
    TDataBits Bits;
    TStopBits Stop;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.Key << "=" << Printable(c.Text); }

class LineSettingsTable : public MainWindow, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettingsTable, AcceptedTextsSetThePortOthersKeepItAndAllAreShown)
{
    const LineCase& c = GetParam();
    WriteIni(With(CompleteIni(), {{"Balanca", "BaudRate", std::nullopt},
                                  {"Balanca", "ByteSize", std::nullopt},
                                  {"Balanca", "StopBits", std::nullopt},
                                  {"Balanca", c.Key, c.Text}}));
    Create();
    EXPECT_EQ(form->ComPort1->BaudRate(), c.Rate);
    EXPECT_EQ(form->ComPort1->DataBits(), c.Bits);
    EXPECT_EQ(form->ComPort1->StopBits(), c.Stop);
    QLineEdit* shown = std::string(c.Key) == "BaudRate"   ? form->EdBitsSegundo
                       : std::string(c.Key) == "ByteSize" ? form->EdBitsDados
                                                          : form->EdBitsParada;
    EXPECT_EQ(shown->text(), QString::fromUtf8(c.Text));
}

// Unset keys read their defaults: rate "9600", data bits "8", stop bits "1".
INSTANTIATE_TEST_SUITE_P(
    Texts, LineSettingsTable,
    ::testing::Values(LineCase{"Rate110", "BaudRate", "110", br110, dbEight, sbOneStopBit},
                      LineCase{"Rate1200", "BaudRate", "1200", br1200, dbEight, sbOneStopBit},
                      LineCase{"Rate14400", "BaudRate", "14400", br14400, dbEight, sbOneStopBit},
                      LineCase{"Rate56000", "BaudRate", "56000", br56000, dbEight, sbOneStopBit},
                      LineCase{"Rate115200", "BaudRate", "115200", br115200, dbEight, sbOneStopBit},
                      LineCase{"Rate128000", "BaudRate", "128000", br128000, dbEight, sbOneStopBit},
                      LineCase{"Rate256000", "BaudRate", "256000", br256000, dbEight, sbOneStopBit},
                      LineCase{"RateWithBlankKept", "BaudRate", "9600 bps", br2400, dbEight, sbOneStopBit},
                      LineCase{"RateUnknownKept", "BaudRate", "9601", br2400, dbEight, sbOneStopBit},
                      LineCase{"RateEmptyKept", "BaudRate", "", br2400, dbEight, sbOneStopBit},
                      LineCase{"Bits5", "ByteSize", "5", br9600, dbFive, sbOneStopBit},
                      LineCase{"Bits6", "ByteSize", "6", br9600, dbSix, sbOneStopBit},
                      LineCase{"Bits7", "ByteSize", "7", br9600, dbSeven, sbOneStopBit},
                      LineCase{"Bits4Kept", "ByteSize", "4", br9600, dbEight, sbOneStopBit},
                      LineCase{"Bits1Kept", "ByteSize", "1", br9600, dbEight, sbOneStopBit},
                      LineCase{"StopOneAndHalf", "StopBits", "1,5", br9600, dbEight, sbOne5StopBits},
                      LineCase{"StopTwo", "StopBits", "2", br9600, dbEight, sbTwoStopBits},
                      LineCase{"StopWithPointKept", "StopBits", "1.5", br9600, dbEight, sbOneStopBit},
                      LineCase{"StopThreeKept", "StopBits", "3", br9600, dbEight, sbOneStopBit}),
    NamedBy(&LineCase::Name));

TEST_F(MainWindow, RefusedLineTextsKeepWhatThePreviousApplicationSet)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "BaudRate", "1200"}, {"Balanca", "StopBits", "2"}}));
    Create();
    WriteIni(With(CompleteIni(), {{"Balanca", "BaudRate", "1.200"}, {"Balanca", "StopBits", "1.5"}}));
    form->visualiza();
    EXPECT_EQ(form->ComPort1->BaudRate(), br1200);
    EXPECT_EQ(form->ComPort1->StopBits(), sbTwoStopBits);
    EXPECT_EQ(form->EdBitsSegundo->text(), QStringLiteral("1.200"));
    EXPECT_EQ(form->EdBitsParada->text(), QStringLiteral("1.5"));
}

TEST_F(MainWindow, EmptyOrAbsentBatchFileStartsNothing)
{
    for (std::optional<std::string> bat : {std::optional<std::string>(""), std::optional<std::string>()}) {
        WriteIni(With(CompleteIni(), {{"BatIBC", "BatIBC", bat}}));
        Create();
        EXPECT_EQ(form->EdBatIBC->text(), QStringLiteral(".\\"));
        EXPECT_TRUE(messages.Texts().empty());
        EXPECT_TRUE(form->ComPort1->Connected());
        form.reset();
    }
}

TEST_F(MainWindow, MissingBatchFileIsNamedAndThePortStillOpens)
{
    WriteIni(With(CompleteIni(), {{"BatIBC", "BatIBC", "ibc\\nao_existe.bat"}}));
    Create();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().at(0).kind, TShownMessage::Kind::Plain);
    EXPECT_EQ(messages.Texts().at(0),
              QString::fromUtf8("Impossível Executar .\\ibc\\nao_existe.bat! Verifique se o caminho esta correto!"));
    EXPECT_EQ(form->EdBatIBC->text(), QStringLiteral(".\\ibc\\nao_existe.bat"));
    EXPECT_TRUE(form->ComPort1->Connected());
}

TEST_F(MainWindow, BatchFileRunsToItsEndWhileThePortIsClosed)
{
    std::filesystem::create_directory("ibc");
    // The script proves it ran in the working directory, and that it was waited for: it
    // writes its mark only after a pause.
    WriteFileBytes("ibc/prepara.bat", "sleep 0.2\necho feito > marca.txt\n");
    WriteIni(With(CompleteIni(), {{"BatIBC", "BatIBC", "ibc\\prepara.bat"}}));
    Create();
    EXPECT_EQ(ReadFileBytes("marca.txt"), "feito\n");
    EXPECT_EQ(form->EdBatIBC->text(), QStringLiteral(".\\ibc\\prepara.bat"));
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_TRUE(form->ComPort1->Connected());
}

// An executable batch file runs with its own interpreter, and the arguments after its path
// (a path with a blank, past a folder of the first word's name) reach it.
TEST_F(MainWindow, ExecutableBatchFileRunsWithItsInterpreterAndArguments)
{
    std::filesystem::create_directory("ibc");
    std::filesystem::create_directory("ibc novo");
    WriteFileBytes("ibc novo/prepara.sh",
                   "#!/bin/bash\nlista=(\"$@\")\necho \"${#lista[@]}:${lista[1]}\" > marca.txt\n");
    std::filesystem::permissions("ibc novo/prepara.sh", std::filesystem::perms::owner_all);
    WriteIni(With(CompleteIni(), {{"BatIBC", "BatIBC", "ibc novo\\prepara.sh balanca \"linha 2\""}}));
    Create();
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(ReadFileBytes("marca.txt"), "2:linha 2\n");
    EXPECT_EQ(form->EdBatIBC->text(), QStringLiteral(".\\ibc novo\\prepara.sh balanca \"linha 2\""));
    EXPECT_TRUE(form->ComPort1->Connected());
}

// A file that cannot be started (its interpreter is missing) is named, and the start goes on.
TEST_F(MainWindow, BatchFileThatCannotStartIsNamedAndThePortStillOpens)
{
    WriteFileBytes("prepara.sh", "#!/nao/existe\necho feito > marca.txt\n");
    std::filesystem::permissions("prepara.sh", std::filesystem::perms::owner_all);
    WriteIni(With(CompleteIni(), {{"BatIBC", "BatIBC", "prepara.sh"}}));
    Create();
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts().at(0),
              QString::fromUtf8("Impossível Executar .\\prepara.sh! Verifique se o caminho esta correto!"));
    EXPECT_FALSE(std::filesystem::exists("marca.txt"));
    EXPECT_TRUE(form->ComPort1->Connected());
}

TEST_F(MainWindow, MissingRequiredSettingOpensTheConfigurationWithThePortOpen)
{
    const std::vector<IniKey> gaps[] = {
        {{"Terminal", "Terminal", std::nullopt}}, {{"Balanca", "SepDecimal", ""}},
        {{"Balanca", "NrRegistro", "0"}},         {{"Balanca", "PosPesoBruto", "x"}},
        {{"Balanca", "NrCrPesBruto", std::nullopt}},
    };
    for (const auto& gap : gaps) {
        SCOPED_TRACE(gap.at(0).Key);
        WriteIni(With(CompleteIni(), gap));
        configurationRuns = 0;
        bool portOpenMeanwhile = false;
        configuration = [&] {
            portOpenMeanwhile = comm.DeviceOpen();
            return static_cast<int>(mrCancel);
        };
        Create();
        EXPECT_EQ(configurationRuns, 1);
        EXPECT_TRUE(portOpenMeanwhile);
        // Leaving it without Ok ends the program; the window being created is only hidden.
        EXPECT_TRUE(form->TerminateRequested());
        EXPECT_TRUE(form->isHidden());
        form.reset();
    }
}

TEST_F(MainWindow, OkInTheConfigurationAppliesItAgainNested)
{
    WriteIni(With(CompleteIni(), {{"Terminal", "Terminal", std::nullopt}}));
    int round = 0;
    configuration = [&] {
        // The first Ok still leaves a gap, the second completes the file.
        ++round;
        WriteIni(round == 1 ? With(CompleteIni(), {{"Balanca", "SepDecimal", ""}}) : CompleteIni());
        return static_cast<int>(mrOk);
    };
    Create();
    EXPECT_EQ(configurationRuns, 2);
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_TRUE(form->ComPort1->Connected());
    EXPECT_EQ(form->Terminal, "T01");
    EXPECT_EQ(server->Runs(), (Strings{"S P1 = $h", "S P1 = $h", "S P1 = $h"}));
    EXPECT_EQ(CreateFileCalls(), 3);
}

TEST_F(MainWindow, ConfigurationFromTheMenuIsAppliedWhateverItsResult)
{
    WriteIni(CompleteIni());
    Create();
    form->show();
    configuration = [] {
        WriteIni(With(CompleteIni(), {{"Namespace", "Namespace", "OUTRO"}, {"Balanca", "Porta", "COM2"}}));
        return static_cast<int>(mrCancel);
    };
    form->mmiConfiguracao->trigger();
    EXPECT_EQ(configurationRuns, 1);
    EXPECT_EQ(CreateFileCalls(), 2);
    EXPECT_EQ(comm.CallsNamed("CreateFileA").at(1).Text, "\\\\.\\COM2");
    // The new namespace shows at once; the control keeps the one it started with.
    EXPECT_EQ(form->EdConexao->text(), QStringLiteral("OUTRO"));
    EXPECT_EQ(form->VisM1->NameSpace(), "SISTEMAS");
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindow, RefusalAfterCreationClosesTheWindowAndEndsTheProgram)
{
    WriteIni(CompleteIni());
    Create();
    form->show();
    WriteIni(With(CompleteIni(), {{"Balanca", "QtdeDecGrava", "-1"}}));
    form->visualiza();
    EXPECT_EQ(messages.Texts().at(0), MessageA("qtdeDecGrava"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TerminateRequested());
}

TEST_F(MainWindow, VisualizaResetsTheReceiveState)
{
    WriteIni(CompleteIni());
    Create();
    form->SemPeso = true;
    form->Registro = "2  12";
    form->Gravar = false;
    form->visualiza();
    EXPECT_TRUE(form->Registro.empty());
    EXPECT_FALSE(form->SemPeso);
    EXPECT_TRUE(form->Gravar);
    form->BitBtn1->setVisible(true);
    form->visualiza();
    EXPECT_FALSE(form->Gravar);
}

// --- Handlers ---------------------------------------------------------------------------

TEST_F(MainWindow, ServerErrorBoxListsErrorCodeAndTenRegistersOnCarriageReturns)
{
    WriteIni(CompleteIni());
    Create();
    for (int i = 0; i < 10; ++i)
        server->SetP(i, i % 2 ? TVariant("v" + std::to_string(i)) : TVariant(i * 10));
    server->SetCode("S X=1/0");
    server->Answer({.error = "%GTM-E-DIVZERO, Attempt to divide by zero"});
    server->SetExecFlag(1);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().at(0).Type, TMsgDlgType::mtError);
    EXPECT_EQ(messages.Messages().at(0).Buttons, mbOK);
    EXPECT_EQ(messages.Texts().at(0), QStringLiteral("%GTM-E-DIVZERO, Attempt to divide by zero\rCode = S X=1/0\r"
                                                     "P0 = 0\rP1 = v1\rP2 = 20\rP3 = v3\rP4 = 40\rP5 = v5\r"
                                                     "P6 = 60\rP7 = v7\rP8 = 80\rP9 = v9"));
}

TEST_F(MainWindow, LineErrorIsShownAndPurgesBothQueues)
{
    WriteIni(CompleteIni());
    Create();
    comm.QueueInput("lixo");
    comm.ClearCalls();
    form->ComPort1Error(form->ComPort1, TComErrors{});
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages().at(0).kind, TShownMessage::Kind::Plain);
    EXPECT_EQ(messages.Texts().at(0), QStringLiteral("Erro na leitura da porta Com"));
    ASSERT_EQ(Purges(), 1);
    EXPECT_EQ(comm.CallsNamed("PurgeComm").at(0).Arg1, WinComm::PURGE_TXCLEAR | WinComm::PURGE_RXCLEAR);
    EXPECT_TRUE(comm.QueuedInput().empty());
}

TEST_F(MainWindow, WeighingButtonArmsStoringAndDisablesItself)
{
    WriteIni(CompleteIni());
    Create();
    form->BitBtn1->setVisible(true);
    form->visualiza();
    ASSERT_FALSE(form->Gravar);
    form->BitBtn1->click();
    EXPECT_TRUE(form->Gravar);
    EXPECT_FALSE(form->BitBtn1->isEnabled());
}

TEST_F(MainWindow, F10PressesTheButtonOnlyWhileItIsShownEvenDisabled)
{
    WriteIni(CompleteIni());
    Create();
    form->Gravar = false;
    form->Action1->trigger();
    EXPECT_FALSE(form->Gravar);
    EXPECT_TRUE(form->BitBtn1->isEnabled());

    form->BitBtn1->setVisible(true);
    form->BitBtn1->setEnabled(false);
    form->Action1->trigger();
    EXPECT_TRUE(form->Gravar);
}

TEST_F(MainWindow, EnterPressesTheVisibleEnabledButton)
{
    WriteIni(CompleteIni());
    Create();
    form->BitBtn1->setVisible(true);
    form->visualiza();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(form->Gravar);
    EXPECT_FALSE(form->BitBtn1->isEnabled());
    form->Gravar = false;
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_FALSE(form->Gravar);
}

TEST_F(MainWindow, RightClickAnywhereOpensThePopupMenu)
{
    WriteIni(CompleteIni());
    Create();
    form->show();
    for (QWidget* target : std::initializer_list<QWidget*>{form->EdPesoLido, form->EdValor1, form->lbEmpresa, form.get()}) {
        SCOPED_TRACE(target->objectName().toStdString());
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(form->ppmMenu->isVisible());
        form->ppmMenu->hide();
    }
}

TEST_F(MainWindow, CloseFromTheMenuEndsTheProgram)
{
    WriteIni(CompleteIni());
    Create();
    form->show();
    form->mmiFechar->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TerminateRequested());
}

TEST_F(MainWindow, ExceptionFromAMenuHandlerIsReportedAndTheProgramGoesOn)
{
    WriteIni(CompleteIni());
    Create();
    comm.FailNext("CreateFileA", WinComm::ERROR_ACCESS_DENIED);
    form->mmiConfiguracao->trigger();
    ASSERT_EQ(messages.Exceptions().size(), 1u);
    EXPECT_NE(messages.Exceptions().at(0).find("(win error code: 5)"), std::string::npos);
    EXPECT_FALSE(form->ComPort1->Connected());
    EXPECT_EQ(configurationRuns, 1);
    EXPECT_FALSE(form->TerminateRequested());
}

// --- The reader, seen through the comm layer ----------------------------------------------

TEST_F(MainWindow, HexadecimalModeReadsAtMost1024BytesPerReadAndHandlesEveryByte)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "TpChEstabiliz", "HEXADECIMAL"}, {"Balanca", "ChEstabiliz", "02"}}));
    Create();
    // 250 frames of ten record bytes and a terminator: 2750 bytes in one event.
    std::string stream;
    for (int i = 0; i < 250; ++i)
        stream += std::string("\x02") + "  12,50" + "kg" + "\r";
    comm.ClearCalls();
    Receive(stream);
    Strings sizes;
    for (const auto& call : comm.CallsNamed("ReadFile"))
        sizes.push_back(std::to_string(call.Arg1));
    EXPECT_EQ(sizes, (Strings{"1024", "1024", "702"}));
    EXPECT_EQ(server->Runs().size(), 1u + 2 * 250);
    EXPECT_EQ(Stored(), "12500");
    EXPECT_TRUE(comm.QueuedInput().empty());
    // The last terminator emptied the record.
    EXPECT_TRUE(form->Registro.empty());
}

TEST_F(MainWindow, HexadecimalModeStopsReadingWhenTheDriverHasNoMore)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "TpChEstabiliz", "HEXADECIMAL"}}));
    Create();
    comm.ClearCalls();
    Receive("2  12,50kg", 3000);
    ASSERT_EQ(comm.CallsNamed("ReadFile").size(), 1u);
    EXPECT_EQ(comm.CallsNamed("ReadFile").at(0).Arg1, 1024u);
    EXPECT_EQ(Stored(), "12500");
}

TEST_F(MainWindow, CountLargerThanTheBytesReadHandlesOnlyTheBytesRead)
{
    WriteIni(CompleteIni());
    Create();
    Receive("2  12,50", 500);
    EXPECT_EQ(form->Registro, "2  12,50");
    EXPECT_TRUE(form->EdRegLido->text().isEmpty());
    Receive("kg", 64);
    EXPECT_EQ(form->EdRegLido->text(), QStringLiteral("2  12,50kg"));
    EXPECT_EQ(Stored(), "12500");
}

TEST_F(MainWindow, UnknownReadingModeReadsNothing)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "TpChEstabiliz", "ascii"}}));
    Create();
    comm.ClearCalls();
    Receive("2  12,50kg");
    EXPECT_TRUE(comm.CallsNamed("ReadFile").empty());
    EXPECT_EQ(comm.QueuedInput(), "2  12,50kg");
    EXPECT_TRUE(form->Registro.empty());
    // The weight watch still counts the event.
    EXPECT_TRUE(form->SemPeso);
}

TEST_F(MainWindow, WeightWithoutSeparatorPurgesAndInAsciiModeDropsTheRestOfTheEvent)
{
    WriteIni(CompleteIni());
    Create();
    comm.ClearCalls();
    Receive("2   1250kg\r2  12,50kg\r");
    EXPECT_EQ(Purges(), 1);
    EXPECT_EQ(form->EdPesoLido->text(), QStringLiteral("1250"));
    // The digits are stored as a whole number; the second record of the event is dropped.
    EXPECT_EQ(Stored(), "1250000");
    EXPECT_TRUE(form->Registro.empty());
    EXPECT_EQ(server->Runs().size(), 3u);
}

TEST_F(MainWindow, WeightWithoutSeparatorInHexadecimalModeGoesOnWithTheBufferedBytes)
{
    WriteIni(With(CompleteIni(), {{"Balanca", "TpChEstabiliz", "HEXADECIMAL"}}));
    Create();
    comm.ClearCalls();
    // The purge empties the driver's queue, not the bytes already read: the record right
    // after the emptied one is handled (no terminator is skipped after an emptied record).
    Receive("2   1250kg2  12,50kg");
    EXPECT_EQ(Purges(), 1);
    EXPECT_EQ(Stored(), "12500");
    EXPECT_EQ(form->EdPesoLido->text(), QStringLiteral("12,50"));
}

TEST_F(MainWindow, FailedConversionWhileStoringIsReportedPurgedAndEmptied)
{
    WriteIni(CompleteIni());
    Create();
    form->EdValor1->SetValor(99 * 10000);
    comm.ClearCalls();
    Receive("2   a,b kg\r2  12,50kg\r");
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Texts().at(0), QString::fromUtf8("Registro com Problema , aperte Saída Novamente !"));
    EXPECT_EQ(messages.Messages().at(0).Type, TMsgDlgType::mtError);
    EXPECT_EQ(messages.Messages().at(0).Buttons, mbOK);
    EXPECT_EQ(Purges(), 1);
    EXPECT_EQ(form->EdValor1->Text(), "0,00");
    EXPECT_TRUE(form->Registro.empty());
    // The kill ran before the conversion failed; the rest of the event was dropped.
    EXPECT_EQ(server->Runs(), (Strings{"S P1 = $h", "K ^PESAGEM(P0,P1)"}));
    // Continuous mode stays armed.
    EXPECT_TRUE(form->Gravar);
}

TEST_F(MainWindow, StoringReadsTheWeightsCommaWhateverTheLocaleSeparator)
{
    FormatSettingsGuard point('.', "mm/dd/yyyy", '/');
    WriteIni(CompleteIni());
    Create();
    Receive("2  12,50kg");
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(Stored(), "12500");
    // A point is no decimal mark of the weight text, under either locale.
    Receive("x2  12.50kg");
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts().at(0), QString::fromUtf8("Registro com Problema , aperte Saída Novamente !"));
}

TEST_F(MainWindow, FailedStoreInButtonModeDisarmsAndEnablesTheButton)
{
    WriteIni(CompleteIni());
    Create();
    form->BitBtn1->setVisible(true);
    form->visualiza();
    form->BitBtn1->click();
    Receive("2   abcdkg");
    EXPECT_EQ(messages.Texts().size(), 1u);
    EXPECT_FALSE(form->Gravar);
    EXPECT_TRUE(form->BitBtn1->isEnabled());
}

TEST_F(MainWindow, StoreSetsRegistersInOrderAndShowsTheValueReadBack)
{
    WriteIni(With(CompleteIni(), {{"Empresa", "Empresa", "12"}, {"Terminal", "Terminal", "BAL\"1"}}));
    Create();
    server->ClearLog();
    Receive("2  12,5 kg");
    EXPECT_EQ(server->Log(), (Strings{"Code=K ^PESAGEM(P0,P1)", "ExecFlag=1", "P0=12", "P1=BAL\"1", "P2=12500",
                                      "Code=set ^PESAGEM(P0,P1)=P2 ", "ExecFlag=1"}));
    EXPECT_TRUE(server->P0().IsInteger());
    EXPECT_EQ(Stored("12", "BAL\"1"), "12500");
    EXPECT_EQ(form->EdPesoGravado->text(), QStringLiteral("12500"));
    EXPECT_EQ(form->EdValor1->Text(), "12,50");
}

struct StoreFailureCase {
    const char* name;
    // Runs of the store that work before the failing one.
    int runsBefore;
    // The node's value after the failed store.
    const char* stored;
};

void PrintTo(const StoreFailureCase& c, std::ostream* out)
{
    *out << "run " << c.runsBefore + 1 << " fails, the node holds " << Printable(c.stored);
}

class MainWindowStoreFailure : public MainWindow, public ::testing::WithParamInterface<StoreFailureCase> {};

TEST_P(MainWindowStoreFailure, ServerFailureIsAFailedStoreWithItsBoxAndSteps)
{
    WriteIni(CompleteIni());
    Create();
    Receive("2  12,50kg\r");
    ASSERT_EQ(form->EdPesoGravado->text(), QStringLiteral("12500"));
    ASSERT_TRUE(messages.Messages().empty());
    comm.ClearCalls();
    server->ClearLog();
    for (int i = 0; i < GetParam().runsBefore; ++i)
        server->Answer({});
    server->Answer({.error = "%GTM-E-GVSUBOFLOW, Maximum combined length of subscripts exceeded"});

    Receive("2  13,00kg\r2  14,00kg\r");

    ASSERT_EQ(messages.Texts().size(), 2u);
    EXPECT_TRUE(messages.Texts().at(0).startsWith(QStringLiteral("%GTM-E-GVSUBOFLOW, Maximum")));
    EXPECT_EQ(messages.Texts().at(1), QString::fromUtf8("Registro com Problema , aperte Saída Novamente !"));
    EXPECT_EQ(form->EdPesoGravado->text(), QStringLiteral("12500"));
    EXPECT_EQ(Stored(), GetParam().stored);
    EXPECT_EQ(server->Runs().size(), static_cast<size_t>(GetParam().runsBefore + 1)) << "the rest of the event ran";
    EXPECT_EQ(Purges(), 1);
    EXPECT_EQ(form->EdValor1->Text(), "0,00");
    EXPECT_TRUE(form->Registro.empty());
    EXPECT_TRUE(form->Gravar) << "continuous mode stays armed";
    EXPECT_TRUE(messages.Exceptions().empty());
}

INSTANTIATE_TEST_SUITE_P(Runs, MainWindowStoreFailure,
                         ::testing::Values(StoreFailureCase{"Kill", 0, "12500"}, StoreFailureCase{"Set", 1, "<none>"}),
                         NamedBy(&StoreFailureCase::name));

TEST_F(MainWindow, ServerFailureWhileStoringInButtonModeDisarmsAndEnablesTheButton)
{
    WriteIni(CompleteIni());
    Create();
    form->BitBtn1->setVisible(true);
    form->visualiza();
    form->BitBtn1->click();
    server->Answer({.error = "%GTM-E-UNDEF"});
    Receive("2  12,50kg\r");
    EXPECT_EQ(messages.Texts().size(), 2u);
    EXPECT_EQ(Stored(), "<none>");
    EXPECT_FALSE(form->Gravar);
    EXPECT_TRUE(form->BitBtn1->isEnabled());
}

TEST_F(MainWindow, PurgeFailingInTheReaderLeavesTheHandler)
{
    WriteIni(CompleteIni());
    Create();
    comm.FailNext("PurgeComm", WinComm::ERROR_GEN_FAILURE);
    EXPECT_THROW(Receive("2   1250kg"), EComPort);
}
