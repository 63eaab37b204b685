// The configuration window: its fields and lists, reading "mirtal.ini" with its own
// defaults, the terminal list from the server, the Ok checks and the save, keys and focus,
// modal results. Each test runs in a fresh temporary working directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

#include "app/FrmMorvidConfig.h"
#include "mbind/MComboBox.h"
#include "mbind/MenuInfo.h"
#include "support/EnvironmentGuard.h"
#include "support/FakeVisM.h"
#include "support/MDirect.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"
#include "support/Scripts.h"
#include "support/TempWorkingDir.h"
#include "toolkit/ComboBox.h"
#include "toolkit/MaskEdit.h"

namespace {

const char* const kTermcru = "$$TERMCRU^CCTTGA955";

struct Terminal {
    std::string code;
    std::string description;
};

const std::vector<Terminal> kTwoTerminals = {{"BAL01", "Balan\xE7" "a 1"}, {"BAL02", "Expedicao"}};

// A file every check passes with, terminal BAL02 among kTwoTerminals.
const char* const kValidFile = "[Balanca]\r\n"
                               "Porta=COM3\r\n"
                               "BaudRate=19200\r\n"
                               "ByteSize=7\r\n"
                               "StopBits=2\r\n"
                               "NrRegistro=17\r\n"
                               "SepDecimal=.\r\n"
                               "PosPesoBruto=4\r\n"
                               "NrCrPesBruto=7\r\n"
                               "QtdeDecBalanca=2\r\n"
                               "QtdeDecGrava=3\r\n"
                               "ChEstabiliz=02\r\n"
                               "TpChEstabiliz=HEXADECIMAL\r\n"
                               "[Terminal]\r\n"
                               "Terminal=BAL02\r\n"
                               "[Namespace]\r\n"
                               "NameSpace=PRODUCAO\r\n"
                               "[Empresa]\r\n"
                               "Empresa=5\r\n"
                               "[BatIBC]\r\n"
                               "BatIBC=ibc.bat\r\n";

class ConfigWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.IsValid());
        menu.SetDefCODEMP(1);
    }

    void WriteIni(const std::string& Text) { WriteFileBytes(dir.Path("mirtal.ini"), Text); }
    std::string ReadIni() const { return ReadFileBytes(dir.Path("mirtal.ini")); }
    bool IniExists() const { return std::filesystem::exists(dir.Path("mirtal.ini")); }

    // Creates the window on a fake control that lists Terminals (text answers, as the
    // server gives them) and then ends the list.
    void Open(const std::vector<Terminal>& Terminals = kTwoTerminals)
    {
        OpenScripted([Terminals](FakeVisM& Fake) {
            for (const Terminal& terminal : Terminals)
                Fake.Expect(kTermcru, {.result = TVariant("0"),
                                       .registers = {{1, TVariant(terminal.code)}, {2, TVariant(terminal.description)}}});
            Fake.Expect(kTermcru, {.result = TVariant("1")});
        });
    }

    void OpenScripted(const std::function<void(FakeVisM&)>& Script)
    {
        form = std::make_unique<TFormMorvidConfig>(nullptr, &menu, [this, Script](TComponent* Owner) {
            vism = new FakeVisM(Owner);
            Script(*vism);
            return vism;
        });
    }

    void Show()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 2000));
    }

    // Every field that a check looks at, filled so that the check passes.
    void FillValid()
    {
        form->CBTerminal->SetItemIndex(0);
        form->CBPortaBalanca->SetItemIndex(0);
        form->CBBaudRate->SetItemIndex(0);
        form->CBByteSize->SetItemIndex(0);
        form->CBStopBits->SetItemIndex(0);
        form->MNrRegistro->SetText("12");
        form->MSepDecimal->SetText(",");
        form->MPosBruto->SetText("1");
        form->MNrBruto->SetText("6");
        form->EdQtdeDecBal->SetText("2");
        form->EdQtdeDecGra->SetText("2");
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }

    // Runs the window modally until Action (run once the loop is going) ends it; a loop
    // still running after three seconds is ended with -1.
    int ExecWith(const std::function<void()>& Action)
    {
        QTimer::singleShot(0, form.get(), Action);
        QTimer::singleShot(3000, form.get(), [this] { form->done(-1); });
        return form->exec();
    }

    TempWorkingDir dir;
    MessageRecorder recorder;
    TMenuInfo menu{nullptr};
    FakeVisM* vism = nullptr;
    std::unique_ptr<TFormMorvidConfig> form;
};

// --- the window ------------------------------------------------------------------------------

TEST_F(ConfigWindowTest, IsTheCentredParameterWindowWithOnlyACloseBox)
{
    Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Parâmetros de Configuração"));
    EXPECT_EQ(form->size(), QSize(413, 490));
    const QPoint offCentre = form->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(form->BitBtn2->text(), QStringLiteral("&Sair"));
}

TEST_F(ConfigWindowTest, GroupsCarryTheirCaptionsInBoldTimesNewRomanAndFieldsPlainTimesNewRoman)
{
    Open();
    const std::vector<std::pair<QGroupBox*, QString>> groups = {
        {form->gbEmpresa, QStringLiteral("&Empresa")},
        {form->gbTerminal, QStringLiteral("&Terminal")},
        {form->gbBalanca, QStringLiteral("&Balança")},
        {form->gbNamespace, QStringLiteral("&Namespace")},
        {form->gbBat, QStringLiteral("Arquivo de Bat dos IBC's")},
    };
    for (const auto& [group, caption] : groups) {
        EXPECT_EQ(group->title(), caption);
        EXPECT_TRUE(group->font().bold()) << caption.toStdString();
        EXPECT_EQ(group->font().family(), QStringLiteral("Times New Roman"));
    }
    EXPECT_FALSE(form->MNrRegistro->font().bold());
    EXPECT_EQ(form->MNrRegistro->font().family(), QStringLiteral("Times New Roman"));
}

TEST_F(ConfigWindowTest, EveryFieldHasItsLabelInItsGroup)
{
    Open();
    const std::vector<std::tuple<QWidget*, QGroupBox*, QString>> fields = {
        {form->EdEmpresa, form->gbEmpresa, QStringLiteral("Código da Empresa")},
        {form->CBTerminal, form->gbTerminal, QStringLiteral("Código do Terminal")},
        {form->CBPortaBalanca, form->gbBalanca, QStringLiteral("Porta de Leitura ")},
        {form->CBByteSize, form->gbBalanca, QStringLiteral("ByteSize")},
        {form->CBBaudRate, form->gbBalanca, QStringLiteral("BaudRate")},
        {form->CBStopBits, form->gbBalanca, QStringLiteral("StopBits")},
        {form->MNrRegistro, form->gbBalanca, QStringLiteral("Tamanho do Registro")},
        {form->MSepDecimal, form->gbBalanca, QStringLiteral("Separador Decimal")},
        {form->MPosBruto, form->gbBalanca, QStringLiteral("Pos. Inicial Peso Bruto")},
        {form->MNrBruto, form->gbBalanca, QStringLiteral("Tamanho Peso Bruto")},
        {form->EdQtdeDecBal, form->gbBalanca, QStringLiteral("Quantidade de Decimais da Balança")},
        {form->EdQtdeDecGra, form->gbBalanca, QStringLiteral("Quantidade de Decimais para Gravar")},
        {form->MEEstabiliz, form->gbBalanca, QStringLiteral("Caracter de Estabilização da balança")},
        {form->cbTipoCaracterEstab, form->gbBalanca, QStringLiteral("Tipo Caracter Estabilização")},
        {form->EdNamespace, form->gbNamespace, QStringLiteral("Namespace")},
        {form->EdBat, form->gbBat, QStringLiteral("Arquivo")},
    };
    for (const auto& [field, group, caption] : fields) {
        EXPECT_EQ(field->parentWidget(), group) << caption.toStdString();
        QLabel* label = nullptr;
        for (QLabel* candidate : group->findChildren<QLabel*>())
            if (candidate->buddy() == field)
                label = candidate;
        ASSERT_NE(label, nullptr) << caption.toStdString();
        EXPECT_EQ(label->text(), caption);
    }
}

TEST_F(ConfigWindowTest, FixedListsHoldTheirItemsInOrderAndAcceptNoTyping)
{
    Open();
    const std::vector<std::pair<TCustomComboBox*, std::vector<std::string>>> lists = {
        {form->CBPortaBalanca, {"COM1", "COM2", "COM3", "COM4"}},
        {form->CBByteSize, {"1", "2", "3", "4", "5", "6", "7", "8"}},
        {form->CBBaudRate,
         {"110", "115200", "1200", "128000", "14400", "19200", "2400", "256000", "300", "38400", "4800", "56000",
          "57600", "600", "9600"}},
        {form->CBStopBits, {"1", "1,5", "2"}},
        {form->cbTipoCaracterEstab, {"ASCII", "HEXADECIMAL"}},
    };
    for (const auto& [list, items] : lists) {
        EXPECT_EQ(list->Items(), items);
        EXPECT_EQ(list->Style(), csDropDownList);
        EXPECT_FALSE(list->isEditable());
    }
    EXPECT_EQ(form->CBTerminal->Style(), csDropDownList);
}

TEST_F(ConfigWindowTest, TerminalListIsAnUnboundCodeListShowingItsValues)
{
    Open();
    TMComboBox* terminal = form->CBTerminal;
    EXPECT_EQ(terminal->TipoValor(), tvCodigo);
    EXPECT_EQ(terminal->TipoCampo(), tcPiece);
    EXPECT_EQ(terminal->Estilo(), teValor);
    EXPECT_EQ(terminal->Separador(), "-");
    EXPECT_EQ(terminal->Piece(), 0);
    EXPECT_EQ(terminal->MGlobal(), nullptr);
}

TEST_F(ConfigWindowTest, TabGoesThroughTerminalBalancaButtonsNamespaceBatAndEmpresa)
{
    Open();
    Show();
    form->CBTerminal->setFocus();
    const std::vector<QWidget*> expected = {
        form->CBTerminal,     form->CBPortaBalanca, form->CBByteSize,   form->CBBaudRate,
        form->CBStopBits,     form->MNrRegistro,    form->MSepDecimal,  form->MPosBruto,
        form->MNrBruto,       form->EdQtdeDecBal,   form->EdQtdeDecGra, form->MEEstabiliz,
        form->cbTipoCaracterEstab, form->BitBtn1,   form->BitBtn2,      form->EdNamespace,
        form->EdBat,          form->EdEmpresa,      form->CBTerminal,
    };
    std::vector<QWidget*> visited = {Focused()};
    for (size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(Focused(), Qt::Key_Tab);
        visited.push_back(Focused());
    }
    EXPECT_EQ(visited, expected);
}

// --- reading the file ---------------------------------------------------------------------------

TEST_F(ConfigWindowTest, WithoutAFileTheWindowShowsItsOwnDefaults)
{
    Open();
    EXPECT_EQ(form->CBPortaBalanca->Text(), "COM2");
    EXPECT_EQ(form->CBBaudRate->Text(), "9600");
    EXPECT_EQ(form->CBByteSize->Text(), "8");
    EXPECT_EQ(form->CBStopBits->Text(), "1");
    EXPECT_EQ(form->cbTipoCaracterEstab->Text(), "ASCII");
    EXPECT_EQ(form->EdNamespace->Text(), "SISTEMAS");
    EXPECT_EQ(form->EdEmpresa->Text(), "1");
    for (TCustomMaskEdit* numeric :
         {form->MNrRegistro, form->MPosBruto, form->MNrBruto, form->EdQtdeDecBal, form->EdQtdeDecGra})
        EXPECT_EQ(numeric->Text(), "0") << numeric->Name();
    EXPECT_EQ(form->MSepDecimal->Text(), "");
    EXPECT_EQ(form->MEEstabiliz->Text(), "");
    EXPECT_EQ(form->EdBat->Text(), "");
    EXPECT_EQ(form->CBTerminal->ItemCount(), 2);
    EXPECT_EQ(form->CBTerminal->ItemIndex(), -1);
    EXPECT_EQ(vism->NameSpace(), "SISTEMAS");

    form->BitBtn1->click();
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Terminal não Cadastrado!")}));
    EXPECT_FALSE(IniExists());
}

TEST_F(ConfigWindowTest, FileWithoutKeysGivesTheSameDefaults)
{
    WriteIni("[Balanca]\r\n[Outra]\r\nPorta=COM4\r\n");
    Open();
    EXPECT_EQ(form->CBPortaBalanca->Text(), "COM2");
    EXPECT_EQ(form->MNrRegistro->Text(), "0");
    EXPECT_EQ(form->EdEmpresa->Text(), "1");
}

TEST_F(ConfigWindowTest, StoredValuesFillEveryField)
{
    WriteIni(kValidFile);
    Open();
    EXPECT_EQ(form->CBTerminal->SelectedCode(), "BAL02");
    EXPECT_EQ(form->CBTerminal->Text(), "BAL02 - Expedicao");
    EXPECT_EQ(form->CBPortaBalanca->Text(), "COM3");
    EXPECT_EQ(form->CBBaudRate->Text(), "19200");
    EXPECT_EQ(form->CBByteSize->Text(), "7");
    EXPECT_EQ(form->CBStopBits->Text(), "2");
    EXPECT_EQ(form->MNrRegistro->Text(), "17");
    EXPECT_EQ(form->MSepDecimal->Text(), ".");
    EXPECT_EQ(form->MPosBruto->Text(), "4");
    EXPECT_EQ(form->MNrBruto->Text(), "7");
    EXPECT_EQ(form->EdQtdeDecBal->Text(), "2");
    EXPECT_EQ(form->EdQtdeDecGra->Text(), "3");
    EXPECT_EQ(form->MEEstabiliz->Text(), "02");
    EXPECT_EQ(form->cbTipoCaracterEstab->Text(), "HEXADECIMAL");
    EXPECT_EQ(form->EdNamespace->Text(), "PRODUCAO");
    EXPECT_EQ(form->EdEmpresa->Text(), "5");
    EXPECT_EQ(form->EdBat->Text(), "ibc.bat");
    EXPECT_EQ(vism->NameSpace(), "PRODUCAO");
    EXPECT_FALSE(form->MNrRegistro->Modified());
}

struct CaseValue {
    std::string key;
    std::string stored;
    std::string shown;
};

void PrintTo(const CaseValue& c, std::ostream* out) { *out << c.key << "=" << c.stored << " is " << c.shown; }

class ConfigWindowLetterCase : public ConfigWindowTest, public ::testing::WithParamInterface<CaseValue> {};

TEST_P(ConfigWindowLetterCase, StoredValueInOtherLetterCaseIsSelectedAndWrittenInTheListsCase)
{
    std::string file = kValidFile;
    const std::string line = GetParam().key + "=";
    const size_t at = file.find(line);
    ASSERT_NE(at, std::string::npos);
    file.replace(at, file.find("\r\n", at) - at, line + GetParam().stored);
    WriteIni(file);
    Open();
    form->BitBtn1->click();
    EXPECT_TRUE(recorder.Texts().empty());
    EXPECT_NE(ReadIni().find("\n" + line + GetParam().shown + "\r\n"), std::string::npos) << ReadIni();
    EXPECT_EQ(form->result(), mrOk);
}

INSTANTIATE_TEST_SUITE_P(Lists, ConfigWindowLetterCase,
                         ::testing::Values(CaseValue{"Porta", "com4", "COM4"},
                                           CaseValue{"TpChEstabiliz", "hexadecimal", "HEXADECIMAL"},
                                           CaseValue{"TpChEstabiliz", "Ascii", "ASCII"},
                                           CaseValue{"Terminal", "bal01", "BAL01"}),
                         [](const auto& Info) { return Info.param.key + "_" + Info.param.stored; });

struct AbsentValue {
    std::string key;
    std::string stored;
    QString message; // empty: Ok saves, writing the field empty
};

void PrintTo(const AbsentValue& c, std::ostream* out)
{
    *out << c.key << "=" << c.stored << (c.message.isEmpty() ? " is saved empty" : " is refused");
}

class ConfigWindowNotInList : public ConfigWindowTest, public ::testing::WithParamInterface<AbsentValue> {};

TEST_P(ConfigWindowNotInList, ValueNotInTheListSelectsNothingAndOkReportsThatField)
{
    std::string file = kValidFile;
    const std::string line = GetParam().key + "=";
    const size_t at = file.find(line);
    file.replace(at, file.find("\r\n", at) - at, line + GetParam().stored);
    WriteIni(file);
    Open();
    form->BitBtn1->click();
    if (GetParam().message.isEmpty()) {
        EXPECT_TRUE(recorder.Texts().empty());
        EXPECT_NE(ReadIni().find("\n" + line + "\r\n"), std::string::npos) << ReadIni();
    } else {
        EXPECT_EQ(recorder.Texts(), (std::vector<QString>{GetParam().message}));
        EXPECT_EQ(ReadIni(), file);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ConfigWindowNotInList,
    ::testing::Values(AbsentValue{"Porta", "COM9", QStringLiteral("Porta de leitura da Balança não Cadastrada !")},
                      AbsentValue{"BaudRate", "96000", QStringLiteral("BaudRate de leitura da Balança não Cadastrada !")},
                      AbsentValue{"ByteSize", "9", QStringLiteral("ByteSize de leitura da Balança não Cadastrada !")},
                      AbsentValue{"StopBits", "1.5", QStringLiteral("StopBits de leitura da Balança não Cadastrada !")},
                      AbsentValue{"Terminal", "BAL09", QStringLiteral("Terminal não Cadastrado!")},
                      AbsentValue{"TpChEstabiliz", "EBCDIC", QString()}),
    [](const auto& Info) { return Info.param.key; });

TEST_F(ConfigWindowTest, MissingPortaPreselectsCom2AndOkWritesIt)
{
    std::string file = kValidFile;
    file.erase(file.find("Porta=COM3\r\n"), std::string("Porta=COM3\r\n").size());
    WriteIni(file);
    Open();
    EXPECT_EQ(form->CBPortaBalanca->Text(), "COM2");
    form->BitBtn1->click();
    EXPECT_NE(ReadIni().find("\nPorta=COM2\r\n"), std::string::npos);
}

// --- the terminal list ---------------------------------------------------------------------------------

TEST_F(ConfigWindowTest, TerminalsAreListedOneRunEachWithTheRegistersCarriedOver)
{
    menu.SetDefCODEMP(7);
    WriteIni("[Empresa]\r\nEmpresa=5\r\n[Namespace]\r\nNameSpace=PRODUCAO\r\n");
    std::vector<std::string> registersSeen;
    OpenScripted([&](FakeVisM& Fake) {
        auto seen = [&Fake, &registersSeen] {
            registersSeen.push_back(Fake.P0().AsString() + "|" + Fake.P1().AsString() + "|" + Fake.P2().AsString());
        };
        Fake.Expect(kTermcru, {.result = TVariant("0"),
                               .registers = {{1, TVariant("BAL01")}, {2, TVariant("Balan\xE7" "a 1")}},
                               .during = seen});
        Fake.Expect(kTermcru, {.result = TVariant("0"),
                               .registers = {{1, TVariant("BAL02")}, {2, TVariant("Expedicao")}},
                               .during = seen});
        Fake.Expect(kTermcru, {.result = TVariant("1"), .during = seen});
    });
    EXPECT_EQ(vism->Log(), (std::vector<std::string>{"NameSpace=PRODUCAO", "P0=7", "P1=", "P2=",
                                                     "Code=$$TERMCRU^CCTTGA955", "ExecFlag=1", "ExecFlag=1",
                                                     "ExecFlag=1"}));
    EXPECT_EQ(vism->P0(), TVariant(7));
    EXPECT_EQ(registersSeen,
              (std::vector<std::string>{"7||", "7|BAL01|Balan\xE7" "a 1", "7|BAL02|Expedicao"}));
    EXPECT_EQ(form->CBTerminal->Items(),
              (std::vector<std::string>{"BAL01 - Balan\xE7" "a 1", "BAL02 - Expedicao"}));
    EXPECT_EQ(form->CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"BAL01", "BAL02"}));
    EXPECT_EQ(form->CBTerminal->currentText(), QString());
    form->CBTerminal->SetItemIndex(0);
    EXPECT_EQ(form->CBTerminal->currentText(), QStringLiteral("BAL01 - Balança 1"));
}

TEST_F(ConfigWindowTest, AnIntegerZeroAnswerAlsoGoesOn)
{
    OpenScripted([](FakeVisM& Fake) {
        Fake.Expect(kTermcru, {.result = TVariant(0), .registers = {{1, TVariant("T1")}, {2, TVariant("a")}}});
        Fake.Expect(kTermcru, {.result = TVariant(1)});
    });
    EXPECT_EQ(form->CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"T1"}));
}

TEST_F(ConfigWindowTest, NoTerminalDeliveredLeavesOkStoppingAtTheTerminal)
{
    WriteIni(kValidFile);
    Open({});
    EXPECT_EQ(vism->Runs().size(), 1u);
    EXPECT_EQ(form->CBTerminal->ItemCount(), 0);
    Show();
    form->BitBtn1->click();
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Terminal não Cadastrado!")}));
    EXPECT_EQ(Focused(), form->CBTerminal);
    EXPECT_EQ(ReadIni(), kValidFile);
}

struct EndingAnswer {
    const char* name;
    TVariant result;
};

void PrintTo(const EndingAnswer& c, std::ostream* out) { *out << PrintableVariant(c.result); }

class ConfigWindowListEnd : public ConfigWindowTest, public ::testing::WithParamInterface<EndingAnswer> {};

TEST_P(ConfigWindowListEnd, AnswerOtherThanTheNumberZeroEndsTheList)
{
    OpenScripted([](FakeVisM& Fake) {
        Fake.Expect(kTermcru, {.result = TVariant("0"), .registers = {{1, TVariant("T1")}, {2, TVariant("a")}}});
        Fake.Expect(kTermcru, {.result = GetParam().result, .registers = {{1, TVariant("T2")}}});
    });
    EXPECT_EQ(vism->Runs().size(), 2u);
    EXPECT_EQ(form->CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"T1"}));
}

INSTANTIATE_TEST_SUITE_P(Answers, ConfigWindowListEnd,
                         ::testing::Values(EndingAnswer{"one", TVariant("1")}, EndingAnswer{"minus", TVariant(-1)},
                                           EndingAnswer{"empty", TVariant()}, EndingAnswer{"text", TVariant("fim")},
                                           EndingAnswer{"emptyText", TVariant("")}),
                         NamedBy(&EndingAnswer::name));

TEST_F(ConfigWindowTest, ServerErrorIsShownByItsNameAloneAndEndsTheList)
{
    OpenScripted([](FakeVisM& Fake) {
        Fake.Expect(kTermcru, {.result = TVariant("0"), .registers = {{1, TVariant("T1")}, {2, TVariant("a")}}});
        Fake.Expect(kTermcru, {.error = "%GTM-E-ZLINKFILE, Error while zlinking \"CCTTGA955\""});
        for (int i = 0; i < 5; ++i)
            Fake.Expect(kTermcru, {.error = "%GTM-E-ZLINKFILE, again"});
    });
    EXPECT_EQ(vism->Runs().size(), 2u);
    EXPECT_EQ(form->CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"T1"}));
    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].Text, QStringLiteral("%GTM-E-ZLINKFILE, Error while zlinking \"CCTTGA955\""));
    EXPECT_EQ(recorder.Messages()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(recorder.Messages()[0].Buttons, static_cast<TMsgDlgButtons>(mbOK));
}

TEST_F(ConfigWindowTest, ServerErrorMidListEndsTheListWhateverTheRegistersHold)
{
    OpenScripted([](FakeVisM& Fake) {
        Fake.Expect(kTermcru, {.result = TVariant("0"), .registers = {{1, TVariant("T1")}, {2, TVariant("a")}}});
        Fake.Expect(kTermcru,
                    {.registers = {{1, TVariant("T2")}, {2, TVariant("b")}}, .error = "%GTM-E-UNDEF, Undefined"});
        Fake.Expect(kTermcru, {.result = TVariant("1")});
    });
    EXPECT_EQ(vism->Runs().size(), 2u);
    EXPECT_EQ(form->CBTerminal->Codigos()->AsVector(), (std::vector<std::string>{"T1"}));
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("%GTM-E-UNDEF, Undefined")}));
    EXPECT_EQ(form->EdEmpresa->Text(), "1") << "the window goes on filling its fields";
}

TEST_F(ConfigWindowTest, FailureWhileCreatingIsReportedAndTheWindowStillOpens)
{
    WriteIni(kValidFile);
    OpenScripted([](FakeVisM& Fake) { Fake.Expect(kTermcru, {.during = [] { throw Exception("sem servidor"); }}); });
    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{"sem servidor"}));
    Show();
    EXPECT_EQ(Focused(), form->BitBtn2);
    EXPECT_EQ(form->EdEmpresa->Text(), ""); // the file was not read
    EXPECT_EQ(ExecWith([this] { form->BitBtn2->click(); }), mrCancel);
}

TEST_F(ConfigWindowTest, AStoredTerminalTheServerNoLongerListsIsNotSelected)
{
    WriteIni("[Terminal]\r\nTerminal=BAL07\r\n");
    Open();
    EXPECT_EQ(form->CBTerminal->ItemIndex(), -1);
    EXPECT_EQ(form->CBTerminal->Text(), "");
}

// --- Ok ------------------------------------------------------------------------------------------

struct OkCheck {
    const char* field;
    QString message;
};

const std::vector<OkCheck> kOkChecks = {
    {"CBTerminal", QStringLiteral("Terminal não Cadastrado!")},
    {"CBPortaBalanca", QStringLiteral("Porta de leitura da Balança não Cadastrada !")},
    {"CBBaudRate", QStringLiteral("BaudRate de leitura da Balança não Cadastrada !")},
    {"CBByteSize", QStringLiteral("ByteSize de leitura da Balança não Cadastrada !")},
    {"CBStopBits", QStringLiteral("StopBits de leitura da Balança não Cadastrada !")},
    {"MNrRegistro", QStringLiteral("Nr. de caracteres do Registro não Cadastrado !")},
    {"MSepDecimal", QStringLiteral("Separador da Decimal não Cadastrada !")},
    {"MPosBruto", QStringLiteral("Posição Inicial do Peso Bruto não Cadastrado !")},
    {"MNrBruto", QStringLiteral("Número de caracteres Peso Bruto não Cadastrado !")},
    {"EdQtdeDecBal", QStringLiteral("Número de Decimais do Peso da Balança não Cadastrado !")},
    {"EdQtdeDecGra", QStringLiteral("Número de Decimais do Peso para Gravação não Cadastrado !")},
};

// Makes the named field fail its check: a list without selection, "0" in the numeric
// edits, an empty separator.
void Spoil(TFormMorvidConfig& Form, const std::string& Field)
{
    QWidget* widget = Form.findChild<QWidget*>(QString::fromStdString(Field));
    ASSERT_NE(widget, nullptr) << Field;
    if (auto* list = dynamic_cast<TCustomComboBox*>(widget))
        list->SetItemIndex(-1);
    else if (Field == "MSepDecimal")
        Form.MSepDecimal->SetText("");
    else
        dynamic_cast<TCustomMaskEdit*>(widget)->SetText("0");
}

class ConfigWindowOkChecks : public ConfigWindowTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ConfigWindowOkChecks, FirstFailingCheckShowsItsErrorFocusesItsFieldAndWritesNothing)
{
    // This check and every later one fail: only this one may be reported.
    const size_t index = GetParam();
    WriteIni(kValidFile);
    Open();
    Show();
    for (size_t i = index; i < kOkChecks.size(); ++i)
        Spoil(*form, kOkChecks[i].field);
    form->BitBtn1->click();
    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].Text, kOkChecks[index].message);
    EXPECT_EQ(recorder.Messages()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(recorder.Messages()[0].Buttons, static_cast<TMsgDlgButtons>(mbOK));
    EXPECT_EQ(Focused()->objectName().toStdString(), kOkChecks[index].field);
    EXPECT_EQ(ReadIni(), kValidFile);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->result(), 0);
}

INSTANTIATE_TEST_SUITE_P(InOrder, ConfigWindowOkChecks, ::testing::Range<size_t>(0, 11),
                         [](const auto& Info) { return std::string(kOkChecks[Info.param].field); });

struct DecimalsText {
    std::string text;
    bool refused;
};

void PrintTo(const DecimalsText& c, std::ostream* out)
{
    *out << Printable(c.text) << (c.refused ? " is refused" : " is saved");
}

class ConfigWindowDecimals : public ConfigWindowTest, public ::testing::WithParamInterface<DecimalsText> {};

TEST_P(ConfigWindowDecimals, OnlyASingleZeroIsRefusedInTheDecimalsFields)
{
    for (TCustomMaskEdit* TFormMorvidConfig::*field : {&TFormMorvidConfig::EdQtdeDecBal, &TFormMorvidConfig::EdQtdeDecGra}) {
        std::filesystem::remove(dir.Path("mirtal.ini"));
        Open();
        FillValid();
        (form.get()->*field)->SetText(GetParam().text);
        form->BitBtn1->click();
        EXPECT_EQ(IniExists(), !GetParam().refused) << (form.get()->*field)->Name();
    }
    EXPECT_EQ(recorder.Texts().size(), GetParam().refused ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Texts, ConfigWindowDecimals,
                         ::testing::Values(DecimalsText{"0", true}, DecimalsText{"00", false},
                                           DecimalsText{"", false}, DecimalsText{" 0", false}),
                         [](const auto& Info) { return TestNameOf(Info.param.text); });

TEST_F(ConfigWindowTest, OkWritesEveryKeyInOrderAndEndsWithOk)
{
    menu.SetDefCODEMP(3);
    Open();
    FillValid();
    form->CBTerminal->SetItemIndex(1);
    form->CBPortaBalanca->SetText("COM4");
    form->CBBaudRate->SetText("115200");
    form->CBByteSize->SetText("8");
    form->CBStopBits->SetText("1,5");
    form->MEEstabiliz->SetText("\x02");
    form->cbTipoCaracterEstab->SetText("HEXADECIMAL");
    form->EdNamespace->SetText("PRODUCAO");
    form->EdEmpresa->SetText("12");
    form->EdBat->SetText("tools\\ibc.bat");
    form->BitBtn1->click();
    EXPECT_TRUE(recorder.Texts().empty());
    EXPECT_EQ(form->result(), mrOk);
    // A new file gets plain line feeds.
    EXPECT_EQ(ReadIni(), "[Balanca]\n"
                         "ChEstabiliz=\x02\n"
                         "Porta=COM4\n"
                         "BaudRate=115200\n"
                         "ByteSize=8\n"
                         "StopBits=1,5\n"
                         "NrRegistro=12\n"
                         "SepDecimal=,\n"
                         "PosPesoBruto=1\n"
                         "NrCrPesBruto=6\n"
                         "QtdeDecBalanca=2\n"
                         "QtdeDecGrava=2\n"
                         "TpChEstabiliz=HEXADECIMAL\n"
                         "[Terminal]\n"
                         "Terminal=BAL02\n"
                         "[Namespace]\n"
                         "Namespace=PRODUCAO\n"
                         "[Empresa]\n"
                         "Empresa=12\n"
                         "[BatIBC]\n"
                         "BatIBC=tools\\ibc.bat\n");
}

TEST_F(ConfigWindowTest, SavedFileIsReadBackIntoANewWindowAndKeepsOtherEntries)
{
    WriteIni("; workstation 3\r\n[Balanca]\r\nPorta=com1\r\nOutra=x\r\n[NAMESPACE]\r\nNAMESPACE=velho\r\n");
    Open();
    FillValid();
    form->EdNamespace->SetText("NOVO");
    form->BitBtn1->click();
    ASSERT_EQ(form->result(), mrOk);
    const std::string saved = ReadIni();
    EXPECT_EQ(saved.rfind("; workstation 3\r\n[Balanca]\r\nPorta=COM1\r\nOutra=x\r\n", 0), 0u) << saved;
    EXPECT_NE(saved.find("[NAMESPACE]\r\nNAMESPACE=NOVO\r\n"), std::string::npos) << saved;

    Open();
    EXPECT_EQ(vism->NameSpace(), "NOVO");
    EXPECT_EQ(form->EdNamespace->Text(), "NOVO");
    EXPECT_EQ(form->CBTerminal->SelectedCode(), "BAL01");
    EXPECT_EQ(form->MNrRegistro->Text(), "12");
    EXPECT_EQ(form->CBStopBits->Text(), "1");
}

TEST_F(ConfigWindowTest, FailedWriteIsReportedAndTheWindowStaysOpen)
{
    WriteIni(kValidFile);
    ASSERT_EQ(::chmod(dir.Path("mirtal.ini").c_str(), 0444), 0);
    Open();
    Show();
    form->BitBtn1->click();
    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{"Unable to write to .\\mirtal.ini"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->result(), 0);
    EXPECT_EQ(ReadIni(), kValidFile);
}

// The working directory takes no new file (read-only), but "mirtal.ini" may be written: it is
// saved in place, every key, and the window ends with Ok.
TEST_F(ConfigWindowTest, OkSavesAWritableFileInAFolderThatTakesNoNewFile)
{
    WriteIni(kValidFile);
    struct stat before {};
    ASSERT_EQ(::stat(dir.Path("mirtal.ini").c_str(), &before), 0);
    ASSERT_EQ(::chmod(dir.Path("").c_str(), 0555), 0);
    Open();
    form->MNrRegistro->SetText("21");
    form->EdNamespace->SetText("NOVO");
    form->BitBtn1->click();
    ASSERT_EQ(::chmod(dir.Path("").c_str(), 0755), 0);
    EXPECT_TRUE(recorder.Exceptions().empty());
    EXPECT_EQ(form->result(), mrOk);
    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("NrRegistro=21\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Namespace]\r\nNameSpace=NOVO\r\n"), std::string::npos) << saved;
    struct stat after {};
    ASSERT_EQ(::stat(dir.Path("mirtal.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// --- keys and focus ---------------------------------------------------------------------------------

TEST_F(ConfigWindowTest, OpeningPutsTheFocusOnSair)
{
    Open();
    Show();
    EXPECT_EQ(Focused(), form->BitBtn2);
}

TEST_F(ConfigWindowTest, EnterInEachBalancaFieldMovesToTheNextAndFromTheLastToOk)
{
    Open();
    Show();
    const std::vector<QWidget*> chain = {
        form->CBPortaBalanca, form->CBByteSize,   form->CBBaudRate, form->CBStopBits,
        form->MNrRegistro,    form->MSepDecimal,  form->MPosBruto,  form->MNrBruto,
        form->EdQtdeDecBal,   form->EdQtdeDecGra, form->MEEstabiliz, form->cbTipoCaracterEstab,
        form->BitBtn1,
    };
    const std::string portaBefore = form->CBPortaBalanca->Text();
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        chain[i]->setFocus();
        QTest::keyClick(chain[i], i % 2 == 0 ? Qt::Key_Return : Qt::Key_Enter);
        EXPECT_EQ(Focused(), chain[i + 1]) << i;
    }
    EXPECT_EQ(form->CBPortaBalanca->Text(), portaBefore);
    EXPECT_TRUE(recorder.Texts().empty()); // Ok was not pressed
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ConfigWindowTest, EnterInTheTerminalListMovesToOkWithoutPressingIt)
{
    Open();
    Show();
    form->CBTerminal->setFocus();
    QTest::keyClick(form->CBTerminal, Qt::Key_Return);
    EXPECT_EQ(Focused(), form->BitBtn1);
    EXPECT_TRUE(recorder.Texts().empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ConfigWindowTest, EscapeMovesBackInTheTabOrderAndDoesNotCloseTheWindow)
{
    Open();
    Show();
    form->MNrRegistro->setFocus();
    QTest::keyClick(form->MNrRegistro, Qt::Key_Escape);
    EXPECT_EQ(Focused(), form->CBStopBits);
    QTest::keyClick(form->CBStopBits, Qt::Key_Escape);
    EXPECT_EQ(Focused(), form->CBBaudRate);
    form->CBTerminal->setFocus();
    QTest::keyClick(form->CBTerminal, Qt::Key_Escape);
    EXPECT_EQ(Focused(), form->EdEmpresa);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->result(), 0);
}

TEST_F(ConfigWindowTest, EnterAndEscapeInOtherFieldsNeitherSaveNorClose)
{
    WriteIni(kValidFile);
    Open();
    Show();
    for (QWidget* field : std::vector<QWidget*>{form->EdEmpresa, form->EdNamespace, form->EdBat}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Escape);
        EXPECT_EQ(Focused(), field);
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ReadIni(), kValidFile);
}

// --- modal results -------------------------------------------------------------------------------------

TEST_F(ConfigWindowTest, SairEndsTheModalLoopWithCancel)
{
    WriteIni(kValidFile);
    Open();
    EXPECT_EQ(ExecWith([this] { form->BitBtn2->click(); }), mrCancel);
    EXPECT_EQ(ReadIni(), kValidFile);
}

TEST_F(ConfigWindowTest, OkAfterASaveEndsTheModalLoopWithOk)
{
    WriteIni(kValidFile);
    Open();
    EXPECT_EQ(ExecWith([this] { QTest::keyClick(form->BitBtn1, Qt::Key_Space); }), mrOk);
}

TEST_F(ConfigWindowTest, CloseBoxEndsTheModalLoopWithCancel)
{
    Open();
    EXPECT_EQ(ExecWith([this] { form->close(); }), mrCancel);
}

TEST_F(ConfigWindowTest, EnterOnTheFocusedSairEndsTheModalLoop)
{
    Open();
    EXPECT_EQ(ExecWith([this] {
                  EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), 2000));
                  ASSERT_EQ(form->focusWidget(), form->BitBtn2);
                  QTest::keyClick(form->BitBtn2, Qt::Key_Return);
              }),
              mrCancel);
}

// --- the real server ---------------------------------------------------------------------------------------

TEST_F(ConfigWindowTest, RealServerListsTheCompanysTerminalsInCollationOrder)
{
    if (mdirect::GtmDist().empty())
        GTEST_SKIP() << "GT.M is not installed";
    mdirect::MDatabase db;
    db.Output("S ^CCTTGA955(1,\"BAL02\")=\"Expedi\"_$C(231)_\"ao\",^CCTTGA955(1,\"BAL01\")=\"Entrada\"\n"
              "S ^CCTTGA955(1,10)=\"Dez\",^CCTTGA955(2,\"OUTRA\")=\"de outra empresa\"");
    const std::filesystem::path data = dir.Path("server");
    std::filesystem::create_directories(data / "routines");
    WriteFileBytes((data / "vism.conf").string(), "SISTEMAS=" + db.GlobalDirectory() + "\n");
    TMServerSettings settings = TMServerSettings::FromEnvironment();
    settings.DataDir = data / "m";
    settings.SettingsFile = data / "vism.conf";
    settings.ObjectDir = data / "m-objects";
    settings.RoutineDirs = {data / "routines"};

    WriteIni("[Terminal]\r\nTerminal=bal02\r\n");
    form = std::make_unique<TFormMorvidConfig>(nullptr, &menu, [&settings](TComponent* Owner) {
        auto* control = new TVisM(Owner);
        control->SetServerSettings(settings);
        return control;
    });
    EXPECT_TRUE(recorder.Texts().empty()) << recorder.Texts()[0].toStdString();
    EXPECT_EQ(form->CBTerminal->Items(),
              (std::vector<std::string>{"10 - Dez", "BAL01 - Entrada", "BAL02 - Expedi\xE7" "ao"}));
    EXPECT_EQ(form->CBTerminal->SelectedCode(), "BAL02");
    EXPECT_EQ(form->VisM1->ResultValue(), TVariant("1"));

    FillValid();
    form->CBTerminal->SetItemIndex(2);
    form->BitBtn1->click();
    EXPECT_NE(ReadIni().find("[Terminal]\r\nTerminal=BAL02\r\n"), std::string::npos);
}

// The README's first start: the terminal entered with scripts/m-direct before the program
// ever ran, in the namespace's own database, is offered as the window shows it.
TEST_F(ConfigWindowTest, TerminalEnteredWithMDirectAsTheReadmeSays_IsListedWithItsAccentedDescription)
{
    if (mdirect::GtmDist().empty())
        GTEST_SKIP() << "GT.M is not installed";
    TEnvironmentGuard data("TREVASK_DATA_DIR", dir.Path("data"));
    const scripts::ScriptResult entered =
        scripts::RunMDirect("SISTEMAS", "S ^CCTTGA955(1,\"BAL01\")=\"Expedi\"_$C(231,227)_\"o\"\n");
    ASSERT_EQ(entered.exitCode, 0) << entered.errors;

    form = std::make_unique<TFormMorvidConfig>(nullptr, &menu);
    EXPECT_TRUE(recorder.Texts().empty()) << recorder.Texts()[0].toStdString();
    ASSERT_EQ(form->CBTerminal->count(), 1);
    EXPECT_EQ(form->CBTerminal->itemText(0), QStringLiteral("BAL01 - Expedição"));
}

} // namespace
