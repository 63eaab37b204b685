// TEdMesAno: the month/year forms, their clean-up and year widening, the keys, the limits
// and the exit.
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedExitScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/EdMesAno.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/Recorders.h"

namespace {

std::string TwoDigits(int Value)
{
    return std::string{static_cast<char>('0' + Value / 10 % 10), static_cast<char>('0' + Value % 10)};
}

// This year's last two digits, widened by the two-digit rule (2026 gives 1926).
std::string ThisYearWidened()
{
    const std::string yy = TwoDigits(QDate::currentDate().year() % 100);
    return (yy[0] == '0' ? "20" : "19") + yy;
}

// --- forms ----------------------------------------------------------------------------------

TEST(EdMesAnoForms, StartsWithItsMaskAndWidth)
{
    TEdMesAno edit(nullptr);
    EXPECT_EQ(edit.EditMask(), "!99/9999;1;_");
    EXPECT_EQ(edit.width(), 49);
    EXPECT_TRUE(edit.Limpar());
    EXPECT_FALSE(edit.Nulo());
    EXPECT_EQ(edit.TipoAno(), ta4digitos);
    EXPECT_EQ(edit.Tipo(), ttAnoMes);
    EXPECT_EQ(edit.AnoMesMin(), "");
    EXPECT_EQ(edit.AnoMesMax(), "");
}

TEST(EdMesAnoForms, Normalise_PadsAOneDigitMonthThenAOneDigitYear)
{
    const struct {
        const char* text;
        const char* normalised;
    } rows[] = {
        {"", ""},          {"  /    ", ""},    {"/", ""},           {"3/2021", "03/2021"},
        {"12/5", "12/05"}, {"3/5", "03/05"},   {" 3/  21", "03/21"}, {"12/2021", "12/2021"},
        {"12/", "12/"},    {"1/", "01/"},      {"12/  05", "12/05"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TEdMesAno::Normalise(row.text), row.normalised) << "'" << row.text << "'";
}

TEST(EdMesAnoForms, MesAnoWrite_ShowsMonthSlashYear_WideningTwoDigitYears)
{
    TEdMesAno edit(nullptr);
    const struct {
        const char* value;
        std::string text;
    } rows[] = {
        {"122020", "12/2020"},
        {"1205", "12/2005"},
        {"1215", "12/1915"},
        {"12 20 21", "12/2021"},
        {"05", "05/" + ThisYearWidened()},
        {"", "  /    "},
    };
    for (const auto& row : rows) {
        edit.SetMesAno(row.value);
        EXPECT_EQ(edit.Text(), row.text) << row.value;
    }
}

TEST(EdMesAnoForms, AnoMesWrite_TakesTheYearByTipoAnoAndTheLastTwoAsMonth)
{
    TEdMesAno edit(nullptr);
    const struct {
        TTipoAno tipoAno;
        const char* value;
        const char* text;
    } rows[] = {
        {ta4digitos, "202103", "03/2021"},
        {ta4digitos, " 2021 03 ", "03/2021"},
        {ta2Digitos, "2103", "03/1921"},
        {ta2Digitos, "0503", "03/2005"},
        {ta4digitos, "0512", "12/0512"}, // the year is the first four characters
        {ta4digitos, "   ", "  /    "},
    };
    for (const auto& row : rows) {
        edit.SetTipoAno(row.tipoAno);
        edit.SetAnoMes(row.value);
        EXPECT_EQ(edit.Text(), row.text) << row.value;
    }
}

TEST(EdMesAnoForms, Reads_GiveBothFormsByTipoAno_AndShowTheTidiedText)
{
    TEdMesAno edit(nullptr);
    const struct {
        TTipoAno tipoAno;
        const char* text;
        const char* mesAno;
        const char* anoMes;
    } rows[] = {
        {ta4digitos, "03/2021", "032021", "202103"},
        {ta2Digitos, "03/2021", "0321", "2103"},
        {ta4digitos, "12/5", "1205", "0512"},
        {ta4digitos, "", "", ""},
    };
    for (const auto& row : rows) {
        edit.SetTipoAno(row.tipoAno);
        edit.SetText(row.text);
        EXPECT_EQ(edit.MesAno(), row.mesAno) << row.text;
        EXPECT_EQ(edit.AnoMes(), row.anoMes) << row.text;
    }
    edit.SetText("3/2021");
    ASSERT_EQ(edit.Text(), " 3/2021");
    edit.AnoMes();
    EXPECT_EQ(edit.Text(), "03/2021");
}

// --- keys ---------------------------------------------------------------------------------

struct MonthScreen : BoundEditScreen<TEdMesAno> {
    MessageRecorder beeps;
    CountingGlobal global;

    MonthScreen() { edit->SetMGlobal(&global); }

    void Type(const char* Text)
    {
        edit->SelectAll();
        QTest::keyClicks(edit, Text);
    }
};

TEST(EdMesAnoKeys, H_FillsInTheCurrentMonth)
{
    MonthScreen screen;
    const std::string thisMonth = QDate::currentDate().toString("MM/yyyy").toStdString();
    for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
        screen.edit->SetText("");
        QTest::keyClick(screen.edit, Qt::Key_H, modifier);
        EXPECT_EQ(screen.edit->Text(), thisMonth);
    }
    EXPECT_EQ(screen.global.edits, 0);
}

TEST(EdMesAnoKeys, Slash_PadsAOneDigitMonthAndTypingGoesOnIntoTheYear)
{
    MonthScreen screen;
    screen.Type("3/2021");
    EXPECT_EQ(screen.edit->Text(), "03/2021");
    screen.Type("12/5");
    EXPECT_EQ(screen.edit->Text(), "12/   5");
    screen.Type("12/2021");
    EXPECT_EQ(screen.edit->Text(), "12/2021");
    EXPECT_EQ(screen.beeps.Beeps(), 0) << "a slash where the mask put one is no error";
}

TEST(EdMesAnoKeys, OnlyCopyPasteAndCutStartTheGlobalsEdit_TheMaskConsumesTheRest)
{
    MonthScreen screen;
    QApplication::clipboard()->setText("042021");
    std::string pressed;
    screen.edit->OnKeyPress = [&](TObject*, char& Key) { pressed += Key; };
    screen.Type("3/2021h");
    QTest::keyClick(screen.edit, Qt::Key_Backspace);
    EXPECT_EQ(screen.global.edits, 0);
    for (Qt::Key key : {Qt::Key_C, Qt::Key_V, Qt::Key_X})
        QTest::keyClick(screen.edit, key, Qt::ControlModifier);
    EXPECT_EQ(screen.global.edits, 3);
    EXPECT_EQ(pressed, std::string("3/2021") + '\0' + "\b\3\26\30");
}

TEST(EdMesAnoKeys, ReadOnly_HPutsNoMonthIn)
{
    MonthScreen screen;
    screen.edit->SetText("03/2021");
    screen.edit->SetReadOnly(true);
    QTest::keyClicks(screen.edit, "h/");
    EXPECT_EQ(screen.edit->Text(), "03/2021");
}

// --- exit ---------------------------------------------------------------------------------

struct ExitScreen : CheckedExitScreen<TEdMesAno> {
    ExitScreen() : CheckedExitScreen("Mes recusado") {}
};

struct ExitCase {
    TTipo tipo;
    TTipoAno tipoAno;
    bool nulo;
    const char* typed;
    const char* min;
    const char* max;
    const char* message; // empty: accepted
    const char* written;
    const char* shownAfter;
};

std::string MesAnoCaseName(const ::testing::TestParamInfo<ExitCase>& Info)
{
    const ExitCase& c = Info.param;
    const std::string kind = std::string(c.tipo == ttAnoMes ? "AnoMes" : "MesAno") +
                             (c.tipoAno == ta4digitos ? "_4digitos" : "_2Digitos");
    return ExitCaseName(kind, c.nulo, c.typed, c.min, c.max);
}

void PrintTo(const ExitCase& c, std::ostream* out) { PrintExitOutcome(c.message, c.written, out); }

const char* const kInvalid = "Mes/Ano Inválido";
const char* const kBelow = "Mes/Ano Menor Que Mes/Ano Mínimo";
const char* const kAbove = "Mes/Ano Maior Que Mes/Ano Maxíma";

class EdMesAnoExit : public ::testing::TestWithParam<ExitCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, EdMesAnoExit,
    ::testing::Values(ExitCase{ttAnoMes, ta4digitos, false, "", "", "", kInvalid, "old", "  /    "},
                      ExitCase{ttAnoMes, ta4digitos, true, "", "", "", "", "", "  /    "},
                      ExitCase{ttAnoMes, ta4digitos, true, "", "202103", "", "", "", "  /    "},
                      ExitCase{ttAnoMes, ta4digitos, false, "132021", "", "", kInvalid, "old", "13/2021"},
                      ExitCase{ttAnoMes, ta4digitos, false, "002021", "", "", kInvalid, "old", "00/2021"},
                      ExitCase{ttAnoMes, ta4digitos, false, "032021", "", "", "", "202103", "03/2021"},
                      ExitCase{ttMesAno, ta4digitos, false, "122020", "", "", "", "122020", "12/2020"},
                      // Stored with two digits, the year comes back from the global widened.
                      ExitCase{ttAnoMes, ta2Digitos, false, "122020", "", "", "", "2012", "12/1920"},
                      ExitCase{ttMesAno, ta2Digitos, false, "12/5", "", "", "", "1205", "12/2005"},
                      ExitCase{ttAnoMes, ta4digitos, false, "12/5", "", "", "", "200512", "12/2005"},
                      ExitCase{ttAnoMes, ta4digitos, false, "022021", "202103", "202112", kBelow, "old", "02/2021"},
                      ExitCase{ttAnoMes, ta4digitos, false, "032021", "202103", "202112", "", "202103", "03/2021"},
                      ExitCase{ttAnoMes, ta4digitos, false, "122021", "202103", "202112", "", "202112", "12/2021"},
                      ExitCase{ttAnoMes, ta4digitos, false, "012022", "202103", "202112", kAbove, "old", "01/2022"},
                      // Limits are AnoMes texts, compared as texts.
                      ExitCase{ttAnoMes, ta2Digitos, false, "012005", "", "9912", "", "0501", "01/2005"},
                      ExitCase{ttAnoMes, ta2Digitos, false, "012005", "2000", "", kBelow, "old", "01/2005"}),
    MesAnoCaseName);

TEST_P(EdMesAnoExit, RefusesWithTheMessageAndKeepsTheFocus_OrWritesTheFormOfTipo)
{
    const ExitCase& c = GetParam();
    MessageRecorder recorder;
    ExitScreen screen;
    screen.edit->SetTipo(c.tipo);
    screen.edit->SetTipoAno(c.tipoAno);
    screen.edit->SetNulo(c.nulo);
    screen.edit->SetAnoMesMin(c.min);
    screen.edit->SetAnoMesMax(c.max);
    if (*c.typed != '\0')
        screen.Type(c.typed);

    screen.Leave();

    EXPECT_EQ(screen.Written(), c.written);
    EXPECT_EQ(screen.edit->Text(), c.shownAfter);
    ExpectRefusedOrLeft(recorder, screen, c.message);
}

TEST(EdMesAnoLimits, Handlers_AreFiredInsteadOfTheMessages)
{
    const struct {
        const char* typed;
        const char* fired;
    } rows[] = {{"022021", "OnMinimo"}, {"012022", "OnMaximo"}};
    for (const auto& row : rows) {
        MessageRecorder recorder;
        ExitScreen screen;
        screen.edit->SetAnoMesMin("202103");
        screen.edit->SetAnoMesMax("202112");
        ExpectLimitHandlerFired(recorder, screen, row.typed, row.fired);
    }
}

TEST(EdMesAnoExitCheck, TypedMonth_IsCheckedByTheGlobalInTheFormOfTipo)
{
    for (TTipo tipo : {ttAnoMes, ttMesAno}) {
        ExitScreen screen;
        const char* value = tipo == ttAnoMes ? "202103" : "032021";
        screen.server.vism.Expect(std::string(R"($$CHECK^%CSWWGLOB("VAL","a^old","",")") + value + "\")",
                                  {.result = TVariant("0")});
        screen.edit->SetTipo(tipo);
        screen.edit->SetPiece(1);
        screen.Type("032021");
        screen.Leave();
        EXPECT_EQ(screen.server.vism.Runs().size(), 1u);
        EXPECT_EQ(screen.server.global.GetPiece(1), value);
    }
}

TEST(EdMesAnoExitCheck, MonthRefusedByTheGlobal_KeepsTheFocusWithTheTextSelected)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","a^old","","202103"))", {.result = TVariant("1")});
    screen.edit->SetPiece(1);
    screen.Type("032021");
    screen.Leave();
    EXPECT_EQ(QApplication::focusWidget(), screen.edit);
    EXPECT_EQ(screen.edit->SelLength(), 7);
    EXPECT_EQ(screen.server.global.GetPiece(1), "a");
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{"Mes recusado"}));
    EXPECT_TRUE(screen.events.empty());
}

TEST(EdMesAnoExitCheck, WhileDesigned_OnlyTheToolkitsExitRuns)
{
    ExitScreen screen;
    screen.edit->SetDesigning(true);
    screen.Type("132021");
    screen.Leave();
    EXPECT_EQ(screen.edit->Text(), "13/2021");
    EXPECT_EQ(screen.Written(), "old");
    EXPECT_EQ(screen.events, (std::vector<std::string>{"OnExit"}));
}

// --- binding ------------------------------------------------------------------------------

TEST(EdMesAnoBinding, StoredFormOfTipoIsShownAndPushedToTheKeysOfOtherGlobals)
{
    const struct {
        TTipo tipo;
        const char* stored;
        const char* shown;
    } rows[] = {{ttMesAno, "122020", "12/2020"}, {ttAnoMes, "202012", "12/2020"}};
    for (const auto& row : rows) {
        TMGlobalBase global(nullptr);
        TMGlobalBase other(nullptr);
        TMGlobalChave* key = other.GlobalChaves()->Add();
        TEdMesAno edit(nullptr);
        edit.SetTipo(row.tipo);
        edit.SetMGlobal(&global);
        edit.SetPiece(2);
        key->SetControl(&edit);

        global.SetData("x^" + std::string(row.stored));
        global.NotificarLinks();

        EXPECT_EQ(edit.Text(), row.shown);
        EXPECT_EQ(global.Dados(), "x^" + std::string(row.stored)) << "showing a value writes nothing";
        EXPECT_EQ(key->Fixo(), row.stored);
    }
}

} // namespace
