// TEdValor: the screen and M forms of a fixed-point number, the key filter, the limits and
// the exit. Conversion tables run under both process decimal separators; they are written
// with "." for the process's separator, which is replaced by the one in force.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include <vector>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedExitScreen.h"
#include "mbind/EdValor.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"

namespace {

class EdValorConversion : public ::testing::TestWithParam<char> {
protected:
    EdValorConversion() : guard_(GetParam(), "dd/mm/yyyy", '/') {}
    // A number text of the process, written with ".".
    std::string N(const std::string& Text) const { return InNotation(Text, GetParam()); }

    TEdValor edit{nullptr};

private:
    FormatSettingsGuard guard_;
};

INSTANTIATE_TEST_SUITE_P(BothSeparators, EdValorConversion, ::testing::Values(',', '.'),
                         [](const auto& Info) { return Info.param == '.' ? "Point" : "Comma"; });

TEST_P(EdValorConversion, FormatDisplay_PadsGroupsAndUsesTheScreenMarks)
{
    const struct {
        uint8_t n;
        bool edita;
        const char* number;
        const char* screen;
    } rows[] = {
        {2, true, "1234567.891", "1.234.567,891"},
        {2, true, "-123456.5", "-123.456,50"},
        {2, true, "0", "0,00"},
        {2, false, "1234.5", "1234,50"},
        {0, true, "12.5", "12"},
        {0, true, "1234", "1.234"},
        {2, true, "123", "123,00"},
        {2, true, "1234", "1.234,00"},
        {2, true, "-123", "-123,00"},
        {2, true, "-1234", "-1.234,00"},
        {2, false, "-123456", "-123456,00"},
        {3, true, "12.5", "12,500"},
        {2, true, ".12", ",12"},
        {2, true, "", ",00"},
        {4, true, "1000000.0001", "1.000.000,0001"},
    };
    for (const auto& row : rows) {
        edit.SetEdita(row.edita);
        EXPECT_EQ(edit.FormatDisplay(N(row.number), row.n), row.screen) << row.number;
    }
}

TEST_P(EdValorConversion, ParseDisplay_TakesTheFirstCommaAndCutsToDecimais)
{
    const struct {
        uint8_t decimais;
        const char* screen;
        const char* number;
    } rows[] = {
        {2, "1.234,567", "1234.56"},
        {2, "12", "12.00"},
        {2, "", ".00"},
        {2, "1-2", "1-2.00"},
        {2, "12,5", "12.50"},
        {2, "-0,5", "-0.50"},
        {2, "1,2,3", "1.23"},
        {2, "1.5", "15.00"},
        {2, " R$ 7,1x9 ", "7.19"},
        {0, "12,9", "12."},
        {3, "1.234.567,8", "1234567.800"},
    };
    for (const auto& row : rows) {
        edit.SetDecimais(row.decimais);
        EXPECT_EQ(edit.ParseDisplay(row.screen), N(row.number)) << row.screen;
    }
}

TEST_P(EdValorConversion, Conversions_WorkOnAtMost255Characters)
{
    edit.SetDecimais(2);
    EXPECT_EQ(edit.ParseDisplay(std::string(300, '1')), std::string(255, '1'));
    EXPECT_EQ(edit.FormatDisplay(std::string(300, '1'), 2).size(), 255u);
}

TEST_P(EdValorConversion, ValorWrite_ShowsTheGeneralFormatPaddedNeverCut)
{
    const struct {
        uint8_t decimais;
        bool edita;
        int64_t valor;
        const char* screen;
    } rows[] = {
        {2, true, 123450, "12,345"},
        {2, true, 0, "0,00"},
        {2, true, 12345678900, "1.234.567,89"},
        {2, true, -5000, "-0,50"},
        {2, true, -12345000, "-1.234,50"},
        {0, true, 125000, "12"},
        {0, true, 12345670000, "1.234.567"},
        {3, false, 12345678, "1234,5678"},
    };
    for (const auto& row : rows) {
        edit.SetDecimais(row.decimais);
        edit.SetEdita(row.edita);
        edit.SetValor(row.valor);
        EXPECT_EQ(edit.Text(), row.screen) << row.valor;
    }
}

TEST_P(EdValorConversion, ValorRead_ReReadsTheScreenCutToDecimais)
{
    edit.SetDecimais(2);
    edit.SetDecimaisM(3);
    edit.SetValor(123450);
    EXPECT_EQ(edit.Valor(), 123400);
    EXPECT_EQ(edit.ValorM(), "12340");

    const struct {
        const char* screen;
        int64_t valor;
    } rows[] = {
        {"1.5", 150000},       // "." is only a group mark
        {"1.234,56", 12345600},
        {"-7,899", -78900},
        {"", 0},
        {"abc", 0},
        {"0,005", 0},
    };
    for (const auto& row : rows) {
        edit.SetValor(999);
        edit.SetText(row.screen);
        EXPECT_EQ(edit.Valor(), row.valor) << row.screen;
    }
}

TEST_P(EdValorConversion, ValorRead_BeyondFourDecimals_RoundsTiesToEven)
{
    edit.SetDecimais(6);
    const struct {
        const char* screen;
        int64_t valor;
    } rows[] = {
        {"0,00005", 0}, {"0,00015", 2}, {"0,00025", 2}, {"0,000251", 3}, {"-0,00015", -2}, {"1,234549", 12345},
    };
    for (const auto& row : rows) {
        edit.SetText(row.screen);
        EXPECT_EQ(edit.Valor(), row.valor) << row.screen;
    }
}

TEST_P(EdValorConversion, ValorRead_UnreadableOrOutOfRangeTextKeepsThePreviousValue)
{
    edit.SetDecimais(2);
    for (const char* screen : {"1-2", "--5", "99999999999999999999", "1-"}) {
        edit.SetValor(42);
        edit.SetText(screen);
        EXPECT_EQ(edit.Valor(), 42) << screen;
    }
}

TEST_P(EdValorConversion, ValorMWrite_PadsSplitsAndShowsWithDecimais)
{
    const struct {
        uint8_t decimaisM;
        uint8_t decimais;
        const char* m;
        int64_t valor;
        const char* screen;
    } rows[] = {
        {3, 2, "0000", 0, "0,00"},
        {3, 2, "1234", 12340, "1,23"},
        {3, 2, "5", 50, "0,00"},      // padded to 0005
        {3, 2, "123", 1230, ",12"},   // not padded: no digit before the comma
        {3, 2, "", 0, "0,00"},
        {0, 2, "125", 1250000, "125,00"},
        {0, 0, "125", 1250000, "125"},
        {2, 2, "123456", 12345600, "1.234,56"},
        {2, 4, "123456", 12345600, "1.234,5600"},
        {3, 2, "-1234", -12340, "-1,23"},
        {2, 2, "-12345678", -1234567800, "-123.456,78"},
        {3, 2, "-5", -50, "-0,00"},   // padded after the sign: -0005
        {2, 2, "-5", -500, "-0,05"},
        {2, 2, "-12", -1200, "-0,12"}, // as long as the decimals: still padded after the sign
        {3, 2, "12a4", 0, "1,2a"},
        {5, 2, "15", 2, "0,00"},      // 0,00015 held with ties to even
        {5, 2, "25", 2, "0,00"},
    };
    for (const auto& row : rows) {
        edit.SetDecimaisM(row.decimaisM);
        edit.SetDecimais(row.decimais);
        edit.SetValor(777);
        edit.SetValorM(row.m);
        EXPECT_EQ(edit.Text(), row.screen) << row.m;
        // The value held is the one written: an unreadable screen text reads it back.
        edit.SetText("1-2");
        EXPECT_EQ(edit.Valor(), row.valor) << row.m;
    }
}

TEST_P(EdValorConversion, ValorM_TheScreenIsWhatCounts)
{
    edit.SetDecimaisM(3);
    edit.SetDecimais(2);
    edit.SetValorM("1234");
    EXPECT_EQ(edit.Valor(), 12300);
    EXPECT_EQ(edit.ValorM(), "1230");
}

TEST_P(EdValorConversion, ValorMRead_GivesTheDigitsWithImpliedDecimals)
{
    const struct {
        uint8_t decimais;
        uint8_t decimaisM;
        int64_t valor;
        const char* m;
    } rows[] = {
        {2, 3, 0, "0000"},
        {2, 3, 125000, "12500"},
        {2, 3, -5000, "-0500"},
        {2, 0, 0, "0"},
        {2, 3, -12345678000, "-1234567800"},
        {2, 2, -10000, "-100"},
        {4, 2, -1, "-00001"}, // -0,0001: the fraction is never shortened
        {2, 0, 1234567800, "123456"},
    };
    for (const auto& row : rows) {
        edit.SetDecimais(row.decimais);
        edit.SetDecimaisM(row.decimaisM);
        edit.SetValor(row.valor);
        EXPECT_EQ(edit.ValorM(), row.m) << row.valor;
    }

    edit.SetDecimais(3);
    edit.SetDecimaisM(2);
    edit.SetText("12,345");
    EXPECT_EQ(edit.ValorM(), "12345");
}

// --- the control on a screen ------------------------------------------------------------

TEST(EdValorControl, StartsRightAlignedWithGroupingAndNoValue)
{
    TEdValor edit(nullptr);
    EXPECT_EQ(edit.Valor(), 0);
    EXPECT_TRUE(edit.Edita());
    EXPECT_TRUE(edit.Limpar());
    EXPECT_EQ(edit.TipoCampo(), tcPiece);
    EXPECT_EQ(edit.Alignment(), taLeftJustify);
    EXPECT_TRUE(edit.alignment() & Qt::AlignRight);
    edit.SetAlignment(taRightJustify);
    EXPECT_TRUE(edit.alignment() & Qt::AlignLeft);
    edit.SetAlignment(taCenter);
    EXPECT_TRUE(edit.alignment() & Qt::AlignHCenter);
}

TEST(EdValorControl, FilterKey_LetsOnlyNumberCharactersThrough_AfterOnKeyPress)
{
    BoundEditScreen<TEdValor> screen;
    std::string seen;
    screen.edit->OnKeyPress = [&](TObject*, char& Key) {
        seen += Key;
        if (Key == 'x')
            Key = '5';
    };
    QTest::keyClicks(screen.edit, "1a2,b3.-x ");
    EXPECT_EQ(screen.edit->Text(), "12,3.-5");
    EXPECT_EQ(seen, "1a2,b3.-x ");
    QTest::keyClick(screen.edit, Qt::Key_Backspace);
    EXPECT_EQ(screen.edit->Text(), "12,3.-");
}

FakeAnswer Result(const char* Value)
{
    FakeAnswer answer;
    answer.result = TVariant(Value);
    return answer;
}

struct ExitScreen : BoundEditScreen<TEdValor> {
    CheckedGlobal server{"Valor recusado"};
    std::vector<std::string> events;

    ExitScreen()
    {
        edit->SetDecimais(2);
        edit->SetDecimaisM(3);
        edit->SetMGlobal(&server.global);
        edit->SetPiece(1);
        edit->OnExit = [this](TObject*) { events.push_back("OnExit"); };
    }

    void Type(const char* Text)
    {
        edit->SelectAll();
        QTest::keyClicks(edit, Text);
    }
};

TEST(EdValorExit, ReformattedText_IsNoLongerModified_SoOnlyTheWriteHappens)
{
    ExitScreen screen;
    screen.Type("12,5");
    ASSERT_TRUE(screen.edit->Modified());

    screen.Leave();

    EXPECT_EQ(screen.edit->Text(), "12,50");
    EXPECT_TRUE(screen.server.vism.Runs().empty());
    EXPECT_EQ(screen.server.global.GetPiece(1), "12500");
    EXPECT_EQ(screen.events, (std::vector<std::string>{"OnExit"}));
}

TEST(EdValorExit, TextAlreadyFormatted_StaysModified_SoTheGlobalChecksIt)
{
    ExitScreen screen;
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","","","12500"))", Result("0"));
    screen.Type("12,50");

    screen.Leave();

    EXPECT_EQ(screen.server.vism.Runs().size(), 1u);
    EXPECT_EQ(screen.server.global.GetPiece(1), "12500");
    EXPECT_EQ(QApplication::focusWidget(), screen.next);
}

TEST(EdValorExit, ValueRefusedByTheGlobal_KeepsTheFocusAndWritesNothing)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","","","12500"))", Result("1"));
    screen.Type("12,50");

    screen.Leave();

    EXPECT_EQ(QApplication::focusWidget(), screen.edit);
    EXPECT_EQ(screen.server.global.GetPiece(1), "");
    EXPECT_EQ(screen.edit->SelLength(), 0);
    ASSERT_EQ(recorder.Texts().size(), 1u);
    EXPECT_EQ(recorder.Texts()[0], QStringLiteral("Valor recusado"));
}

TEST(EdValorExit, ValueRefusedByTheGlobal_HasFiredOnExitButNotifiesNoKey)
{
    MessageRecorder recorder;
    ExitScreen screen;
    TMGlobalBase other(nullptr);
    TMGlobalChave* key = other.GlobalChaves()->Add();
    key->SetControl(screen.edit);
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","","","12500"))", Result("1"));
    screen.Type("12,50");

    screen.Leave();

    EXPECT_EQ(screen.events, (std::vector<std::string>{"OnExit"}));
    EXPECT_EQ(key->GetAtual(), "");
    EXPECT_EQ(key->Fixo(), "");
}

TEST(EdValorExit, CheckWhoseRunFails_AcceptsNothing_WritesNothingAndShowsNothingMore)
{
    MessageRecorder recorder;
    ExitScreen screen;
    TMGlobalBase other(nullptr);
    TMGlobalChave* key = other.GlobalChaves()->Add();
    key->SetControl(screen.edit);
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","","","12500"))", Result("0"));
    screen.Type("12,50");
    screen.Leave();
    ASSERT_EQ(screen.server.global.GetPiece(1), "12500");
    screen.edit->setFocus(Qt::TabFocusReason);
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","12500","","13000"))", {.error = "%GTM-E-DIVZERO"});
    screen.Type("13,00");

    screen.Leave();

    EXPECT_EQ(screen.server.vism.Runs().size(), 2u);
    EXPECT_EQ(screen.server.global.GetPiece(1), "12500");
    EXPECT_EQ(key->GetAtual(), "12500");
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_TRUE(recorder.Exceptions().empty());
}

TEST(EdValorExit, AcceptedValue_IsPushedIntoTheKeysOfItsOwnGlobalWithoutFixingThem)
{
    ExitScreen screen;
    TMGlobalChave* key = screen.server.global.GlobalChaves()->Add();
    key->SetControl(screen.edit);
    screen.Type("7");

    screen.Leave();

    EXPECT_EQ(key->GetAtual(), "7000");
    EXPECT_EQ(key->Fixo(), "");
    EXPECT_EQ(screen.server.global.GetPiece(1), "7000");
}

TEST(EdValorExit, UnreadableText_ShowsThePreviousValueAgain)
{
    ExitScreen screen;
    screen.edit->SetValor(70000);
    screen.Type("1-2");
    screen.Leave();
    EXPECT_EQ(screen.edit->Text(), "7,00");
    EXPECT_EQ(screen.server.global.GetPiece(1), "7000");
}

TEST(EdValorExit, ShortNegativeStoredValue_KeepsItsValueWhenTabbedThrough)
{
    ExitScreen screen;
    screen.edit->SetValorM("-5");
    EXPECT_EQ(screen.edit->Text(), "-0,00");
    screen.edit->SetDecimais(3);
    screen.edit->SetValorM("-5");
    EXPECT_EQ(screen.edit->Text(), "-0,005");
    screen.edit->setFocus();

    screen.Leave();

    EXPECT_EQ(screen.edit->Valor(), -50);
    EXPECT_EQ(screen.server.global.GetPiece(1), "-0005") << "-0,005, not 0";
}

TEST(EdValorExit, KeyPiece_WritesTheKeyAsValorM)
{
    ExitScreen screen;
    screen.server.global.GlobalChaves()->Add();
    screen.edit->SetTipoCampo(tcChave);
    screen.edit->SetPiece(0);
    screen.Type("3");
    screen.Leave();
    EXPECT_EQ(screen.server.global.GetChave(0), "3000");
}

TEST(EdValorExit, WhileDesigned_OnlyTheToolkitsExitRuns)
{
    ExitScreen screen;
    screen.edit->SetDesigning(true);
    screen.Type("12,5");
    screen.Leave();
    EXPECT_EQ(screen.edit->Text(), "12,5");
    EXPECT_EQ(screen.server.global.GetPiece(1), "");
    EXPECT_EQ(screen.events, (std::vector<std::string>{"OnExit"}));
}

TEST(EdValorBinding, RefreshShowsTheStoredValueAsValorM_AndKeysOfOtherGlobalsGetIt)
{
    TMGlobalBase global(nullptr);
    TMGlobalBase other(nullptr);
    TMGlobalChave* key = other.GlobalChaves()->Add();
    TEdValor edit(nullptr);
    edit.SetDecimais(2);
    edit.SetDecimaisM(3);
    edit.SetMGlobal(&global);
    edit.SetPiece(2);
    key->SetControl(&edit);
    ASSERT_EQ(key->Control(), &edit);

    global.SetData("x^-12500");
    global.NotificarLinks();

    EXPECT_EQ(edit.Text(), "-12,50");
    EXPECT_EQ(global.Dados(), "x^-12500") << "showing a value writes nothing";
    EXPECT_EQ(key->Fixo(), "-12500");
    EXPECT_EQ(other.GetChave(0), "-12500");
}

// --- limits -------------------------------------------------------------------------------

struct LimitCase {
    const char* typed;
    bool below;
    const char* message;
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.typed << (c.below ? " is below" : " is above"); }

class EdValorLimits : public ::testing::TestWithParam<LimitCase> {};

INSTANTIATE_TEST_SUITE_P(BelowAndAbove, EdValorLimits,
                         ::testing::Values(LimitCase{"9,99", true, "Valor é Menor Que o Valor Mínimo"},
                                           LimitCase{"20,01", false, "Valor é Maior Que o Valor Maxímo"}),
                         [](const auto& Info) { return Info.param.below ? "Minimo" : "Maximo"; });

TEST_P(EdValorLimits, WithoutHandler_ShowsTheMessageAfterOnExitAndKeepsTheFocus)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.edit->SetValorMin(100000);
    screen.edit->SetValorMax(200000);
    screen.edit->OnExit = [&](TObject*) { EXPECT_TRUE(recorder.Messages().empty()) << "OnExit comes first"; };
    screen.Type(GetParam().typed);

    screen.Leave();

    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].Text, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(recorder.Messages()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(recorder.Messages()[0].Buttons, unsigned{mbOK});
    EXPECT_EQ(QApplication::focusWidget(), screen.edit);
    EXPECT_EQ(screen.server.global.GetPiece(1), "");
}

TEST_P(EdValorLimits, WithHandler_FiresItInsteadOfTheMessage)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.edit->SetValorMin(100000);
    screen.edit->SetValorMax(200000);
    std::vector<std::string> fired;
    screen.edit->OnMinimo = [&](TObject* Sender) {
        EXPECT_EQ(Sender, screen.edit);
        fired.push_back("OnMinimo");
    };
    screen.edit->OnMaximo = [&](TObject*) { fired.push_back("OnMaximo"); };
    screen.Type(GetParam().typed);

    screen.Leave();

    EXPECT_EQ(fired, (std::vector<std::string>{GetParam().below ? "OnMinimo" : "OnMaximo"}));
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(QApplication::focusWidget(), screen.edit);
    EXPECT_EQ(screen.server.global.GetPiece(1), "");
}

TEST(EdValorLimitEdges, ValuesEqualToTheLimitsPass)
{
    for (const char* typed : {"10", "20"}) {
        MessageRecorder recorder;
        ExitScreen screen;
        screen.edit->SetValorMin(100000);
        screen.edit->SetValorMax(200000);
        screen.Type(typed);
        screen.Leave();
        EXPECT_TRUE(recorder.Messages().empty()) << typed;
        EXPECT_EQ(QApplication::focusWidget(), screen.next) << typed;
    }
}

TEST(EdValorLimitEdges, ZeroLimitsMeanNoLimit)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.Type("-999.999,99");
    screen.Leave();
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(screen.server.global.GetPiece(1), "-999999990");
}

} // namespace
