// TEDData: day numbers to dates and back, the empty forms of Tipo, the date mask, the keys,
// the limits and the exit.
#include <QApplication>
#include <QDate>
#include <QTest>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedExitScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/EDData.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"
#include "toolkit/Win1252.h"

namespace {

const char* const kFourDigitMask = "!99/99/9999;1;_";
const char* const kYearFirstMask = "!9999/99/99;1;_";

std::string WithoutBlanks(std::string Text)
{
    std::erase(Text, ' ');
    return Text;
}

std::string TwoDigits(int Value)
{
    return std::string{static_cast<char>('0' + Value / 10 % 10), static_cast<char>('0' + Value % 10)};
}

// The M day number of a date where the count names the calendar date (1844 to 1900, 1944
// to 2100): days since 31 December 1840.
int64_t DayNumber(const QDate& Date)
{
    return Date.toJulianDay() - QDate(1840, 12, 31).toJulianDay();
}

// --- day numbers and dates ----------------------------------------------------------------

class EDDataConversion : public ::testing::Test {
protected:
    FormatSettingsGuard guard{',', "dd/mm/yyyy", '/'};
    TEDData edit{nullptr};
};

TEST_F(EDDataConversion, DataMWrite_ShowsTheDate_AndReadingGivesTheDayNumberBack)
{
    const struct {
        const char* dataM;
        const char* text;
        const char* readBack;
    } rows[] = {
        {"58074", "01/01/2000", "58074"},
        {"58073", "31/12/1999", "58073"},
        {"58133", "29/02/2000", "58133"},
        {"67912", "08/12/2026", "67912"},
        {"37680", "01/03/1944", "37680"},
        {"21608", "28/02/1900", "21608"},
        {"21610", "01/03/1900", "21610"},
        {"61", "01/03/1841", "61"},
        {"abc", "01/03/1841", "61"},      // no whole number: day 0 of the count
        {"21609", "29/ 2/1900", "0"},     // 29/2/1900 is no date: the bare text
        {"60", " 0/ 3/1841", "0"},        // below 61 the day comes out 0
    };
    for (const auto& row : rows) {
        edit.SetDataM(row.dataM);
        EXPECT_EQ(edit.Text(), row.text) << row.dataM;
        EXPECT_EQ(edit.DataM(), row.readBack) << row.dataM;
    }
}

TEST_F(EDDataConversion, DataMRead_ConvertsTheScreensDateAndShowsItAgain)
{
    const struct {
        const char* text;
        const char* dataM;
        const char* shownAfter;
    } rows[] = {
        {"1/7/2026", "67752", "01/07/2026"},
        {"29/02/1944", "37680", "01/03/1944"}, // the same day number as 1 March 1944
        {"01/03/1944", "37680", "01/03/1944"},
        {"29/02/1900", "0", "29/02/1900"},     // no date: nothing else happens
        {"31/04/2026", "0", "31/04/2026"},
        {"00/01/2000", "0", "00/01/2000"},
        {"15/13/2000", "0", "15/13/2000"},
    };
    for (const auto& row : rows) {
        edit.SetText(row.text);
        EXPECT_EQ(edit.DataM(), row.dataM) << row.text;
        EXPECT_EQ(edit.Text(), row.shownAfter) << row.text;
    }
}

TEST_F(EDDataConversion, MissingYearIsThisYear_AndMonthZeroOrMissingIsThisMonth)
{
    const QDate today = QDate::currentDate();
    const std::string year = std::to_string(today.year());
    const std::string month = TwoDigits(today.month());
    const struct {
        const char* text;
        std::string shownAfter;
    } rows[] = {
        {"15/07/", "15/07/" + year},
        {"15/7", "15/07/" + year},
        {"15/00/2020", "15/" + month + "/2020"},
        {"15//2020", "15/" + month + "/2020"},
        {"15", "15/" + month + "/" + year},
    };
    for (const auto& row : rows) {
        edit.SetEditMask(""); // the text as it stands
        edit.SetText(row.text);
        EXPECT_NE(edit.DataM(), "0") << row.text;
        EXPECT_EQ(edit.Text(), row.shownAfter) << row.text;
    }
}

TEST_F(EDDataConversion, PartsThatAreNoNumbers_ReadAsNoDate)
{
    for (const char* text : {"15/x7/2020", "x5/07/2020", "15/07/20x0", "15/07/2020/1", "/07/2020", "15/-7/2020"}) {
        edit.SetEditMask("");
        edit.SetText(text);
        EXPECT_EQ(edit.DataM(), "0") << text;
        EXPECT_EQ(edit.Text(), text) << text;
    }
}

// --- the order and the year of the short date format --------------------------------------------

struct FormatCase {
    const char* format;
    char separator;
    const char* mask;
    const char* shown; // day 58083, 10 January 2000
    // Typed key by key: 15 July without a year, 15 July 2026, 31 December 1999, 1 July 2026.
    std::vector<const char*> typed;
};

// The format as it shows dates: "dd/mm/yyyy" with the separator '.' is "dd.mm.yyyy".
std::string WithSeparator(const FormatCase& c)
{
    std::string shown = c.format;
    std::replace(shown.begin(), shown.end(), '/', c.separator);
    return shown;
}

void PrintTo(const FormatCase& c, std::ostream* out) { *out << WithSeparator(c) << ", shown " << c.shown; }

class EDDataUnderFormat : public ::testing::TestWithParam<FormatCase> {};

const std::vector<const char*> kDayFirstTyping{"15/7", "15/07/2026", "31/12/1999", "1/7/2026"};
const std::vector<const char*> kMonthFirstTyping{"7/15", "07/15/2026", "12/31/1999", "7/1/2026"};

INSTANTIATE_TEST_SUITE_P(
    ShortDateFormats, EDDataUnderFormat,
    ::testing::Values(
        FormatCase{"dd/mm/yyyy", '/', kFourDigitMask, "10/01/2000", kDayFirstTyping},
        FormatCase{"mm/dd/yyyy", '/', kFourDigitMask, "01/10/2000", kMonthFirstTyping},
        FormatCase{"m/d/yy", '/', kFourDigitMask, "01/10/2000", kMonthFirstTyping},
        FormatCase{"dd/mm/yy", '/', kFourDigitMask, "10/01/2000", kDayFirstTyping},
        FormatCase{"dd/mm/yyyy", '.', kFourDigitMask, "10/01/2000", kDayFirstTyping},
        FormatCase{"yyyy/mm/dd", '-', kYearFirstMask, "2000/01/10", {"/7/15", "2026/07/15", "1999/12/31", "2026/7/1"}}),
    [](const auto& Info) { return TestNameOf(WithSeparator(Info.param)); });

TEST_P(EDDataUnderFormat, ShowsTheDateInTheFormatsOrderWithFourDigitYears_AndReadsItBackSo)
{
    const FormatCase& c = GetParam();
    FormatSettingsGuard guard(',', c.format, c.separator);
    TEDData edit(nullptr);
    EXPECT_EQ(edit.EditMask(), c.mask);
    edit.SetDataM("58083");
    EXPECT_EQ(edit.Text(), c.shown);
    EXPECT_EQ(edit.DataM(), "58083");
    EXPECT_EQ(edit.Text(), c.shown);
    EXPECT_EQ(ShortDateFormat(), c.format) << "the format is put back";
    EXPECT_EQ(DateSeparator(), c.separator);
}

TEST_P(EDDataUnderFormat, EveryDayNumberThatNamesADate_ReadsBackAsItself)
{
    FormatSettingsGuard guard(',', GetParam().format, GetParam().separator);
    TEDData edit(nullptr);
    int failures = 0;
    for (int h = 61; h <= 94657 && failures < 5; ++h) {
        if (h == 21609) // 29/2/1900: no date
            continue;
        const std::string dataM = std::to_string(h);
        edit.SetDataM(dataM);
        const std::string shown = edit.Text();
        if (edit.DataM() != dataM || edit.Text() != shown) {
            ADD_FAILURE() << dataM << " shown as " << shown << " reads back as " << edit.DataM();
            ++failures;
        }
    }
}

TEST_P(EDDataUnderFormat, DatesTypedKeyByKeyWithTheirSlashes_AreTheDatesTyped)
{
    const FormatCase& c = GetParam();
    FormatSettingsGuard guard(',', c.format, c.separator);
    BoundEditScreen<TEDData> screen;
    const QDate expected[] = {QDate(QDate::currentDate().year(), 7, 15), QDate(2026, 7, 15), QDate(1999, 12, 31),
                              QDate(2026, 7, 1)};
    for (size_t i = 0; i < c.typed.size(); ++i) {
        screen.edit->SetDataM("");
        screen.edit->setFocus();
        screen.edit->setCursorPosition(0);
        QTest::keyClicks(screen.edit, c.typed[i]);
        EXPECT_EQ(screen.edit->DataM(), std::to_string(DayNumber(expected[i]))) << c.typed[i];
    }
}

TEST_P(EDDataUnderFormat, H_GivesToday)
{
    FormatSettingsGuard guard(',', GetParam().format, GetParam().separator);
    BoundEditScreen<TEDData> screen;
    screen.edit->SetDataM("58083");
    screen.edit->setFocus();
    QTest::keyClick(screen.edit, Qt::Key_H);
    EXPECT_EQ(screen.edit->DataM(), std::to_string(DayNumber(QDate::currentDate())));
}

TEST(EDDataYears, TypedTwoDigitYearsAreWidenedByTheRule)
{
    FormatSettingsGuard guard(',', "dd/mm/yy", '/');
    TEDData edit(nullptr);
    const struct {
        const char* text;
        const char* dataM;
        const char* shown;
    } rows[] = {
        {"01/01/05", "59901", "01/01/2005"},
        {"01/01/15", "27029", "01/01/1915"},
        {"01/01/99", "57709", "01/01/1999"},
    };
    for (const auto& row : rows) {
        edit.SetText(row.text);
        EXPECT_EQ(edit.DataM(), row.dataM) << row.text;
        EXPECT_EQ(edit.Text(), row.shown) << row.text;
    }
}

TEST(EDDataCentury, DayFirstUnderAMonthFirstFormat_AndTheFormatIsPutBack)
{
    FormatSettingsGuard guard('.', "mm/dd/yyyy", '-');
    TEDData edit(nullptr);
    edit.SetCentury(true);
    EXPECT_EQ(edit.EditMask(), kFourDigitMask);
    edit.SetDataM("67912");
    EXPECT_EQ(edit.Text(), "08/12/2026");
    EXPECT_EQ(edit.DataM(), "67912");
    edit.SetText("13/12/2026");
    EXPECT_EQ(edit.DataM(), "67917");
    EXPECT_EQ(edit.Text(), "13/12/2026");
    EXPECT_EQ(ShortDateFormat(), "mm/dd/yyyy");
    EXPECT_EQ(DateSeparator(), '-');
}

TEST(EDDataMask, YearFirstOnlyUnderAYearFirstFormatWithoutCentury)
{
    const struct {
        const char* format;
        bool century;
        const char* mask;
    } rows[] = {
        {"dd/mm/yy", false, kFourDigitMask},
        {"m/d/yyyy", false, kFourDigitMask},
        {"yyyy/mm/dd", false, kYearFirstMask},
        {"yyyy/mm/dd", true, kFourDigitMask},
    };
    for (const auto& row : rows) {
        FormatSettingsGuard guard(',', row.format, '/');
        TEDData edit(nullptr);
        edit.SetCentury(row.century);
        EXPECT_EQ(edit.EditMask(), row.mask) << row.format;
    }
}

TEST(EDDataMask, StartsNarrowOnTheBlockDefaults)
{
    TEDData edit(nullptr);
    EXPECT_EQ(edit.width(), 65);
    EXPECT_TRUE(edit.Limpar());
    EXPECT_EQ(edit.Tipo(), tdNormal);
    EXPECT_FALSE(edit.Nulo());
    EXPECT_FALSE(edit.Century());
    EXPECT_EQ(edit.DataMin(), "");
    EXPECT_EQ(edit.DataMax(), "");
}

// --- empty dates by Tipo ----------------------------------------------------------------------

TEST_F(EDDataConversion, EmptyForms_ShownAndReadByTipo)
{
    const struct {
        TEDTipoData tipo;
        bool nulo;
        std::string shown; // blanks removed
        bool masked;
        const char* dataM;
    } rows[] = {
        {tdNormal, false, "//", true, "0"},
        {tdNormal, true, "//", true, ""},
        {tdInicio, false, Cp1252("Início"), false, ""},
        {tdFinal, false, "Final", false, "999999"},
    };
    for (const auto& row : rows) {
        for (const char* empty : {"", "0", "999999"}) {
            edit.SetEditMask(kFourDigitMask);
            edit.SetText("01/01/2000");
            edit.SetTipo(row.tipo);
            edit.SetNulo(row.nulo);
            edit.SetDataM(empty);
            EXPECT_EQ(WithoutBlanks(edit.Text()), row.shown) << int{row.tipo} << " " << empty;
            EXPECT_EQ(edit.IsMasked(), row.masked) << int{row.tipo} << " " << empty;
            EXPECT_EQ(edit.DataM(), row.dataM) << int{row.tipo} << " " << empty;
            EXPECT_EQ(WithoutBlanks(edit.Text()), row.shown) << "read shows the empty form again";
        }
    }
}

TEST_F(EDDataConversion, AfterInicioADateIsShownWithoutAMask)
{
    edit.SetTipo(tdInicio);
    edit.SetDataM("");
    edit.SetDataM("58074");
    EXPECT_FALSE(edit.IsMasked());
    EXPECT_EQ(edit.Text(), "01/01/2000");
    EXPECT_EQ(edit.DataM(), "58074");
}

TEST_F(EDDataConversion, WhileDesigned_AnEmptyDateLeavesTheTextAlone)
{
    edit.SetTipo(tdFinal);
    edit.SetDesigning(true);
    edit.SetDataM("58074");
    edit.SetDataM("");
    EXPECT_EQ(edit.Text(), "01/01/2000");
}

// --- keys and focus ----------------------------------------------------------------------------

// The day-first format with four-digit years, in force before the control is made (its
// mask follows the format).
struct DayFirstFormat {
    FormatSettingsGuard guard{',', "dd/mm/yyyy", '/'};
};

struct DateScreen : DayFirstFormat, BoundEditScreen<TEDData> {
    MessageRecorder beeps;
    CountingGlobal global;
    std::string pressed;

    DateScreen()
    {
        edit->SetMGlobal(&global);
        edit->OnKeyPress = [this](TObject*, char& Key) { pressed += Key == 0 ? '0' : Key; };
    }
};

TEST(EDDataKeys, H_FillsInTodayWithoutStartingAnEdit_OtherKeysStartIt)
{
    DateScreen screen;
    const std::string today = QDate::currentDate().toString("dd/MM/yyyy").toStdString();
    for (Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
        screen.edit->SetText("");
        QTest::keyClick(screen.edit, Qt::Key_H, modifier);
        EXPECT_EQ(screen.edit->Text(), today);
    }
    EXPECT_EQ(screen.global.edits, 0);
    EXPECT_EQ(screen.pressed, "00") << "OnKeyPress sees character 0";

    screen.edit->SetText("");
    screen.edit->setCursorPosition(0);
    QTest::keyClicks(screen.edit, "1x");
    QTest::keyClick(screen.edit, Qt::Key_Backspace);
    EXPECT_EQ(screen.global.edits, 3);
    EXPECT_EQ(screen.pressed, "001x\b");
}

TEST(EDDataKeys, AKeyOnInicioOrFinal_EmptiesTheTextAndSetsTheMaskFirst)
{
    for (TEDTipoData tipo : {tdInicio, tdFinal}) {
        DateScreen screen;
        screen.edit->SetTipo(tipo);
        screen.edit->SetDataM("");
        ASSERT_FALSE(screen.edit->IsMasked());
        QTest::keyClicks(screen.edit, "15");
        EXPECT_EQ(screen.edit->EditMask(), kFourDigitMask);
        EXPECT_EQ(WithoutBlanks(screen.edit->Text()), "15//");
    }
}

TEST(EDDataKeys, ReadOnly_NothingAtAllHappens)
{
    DateScreen screen;
    screen.edit->SetDataM("58074");
    screen.edit->SetReadOnly(true);
    QTest::keyClicks(screen.edit, "h5");
    EXPECT_EQ(screen.edit->Text(), "01/01/2000");
    EXPECT_EQ(screen.global.edits, 0);
    EXPECT_EQ(screen.pressed, "");
}

TEST(EDDataKeys, Enter_ShowsTheDateInItsNormalFormBeforeOnEnter)
{
    DateScreen screen;
    screen.edit->SetNulo(true);
    screen.Leave();
    ASSERT_EQ(QApplication::focusWidget(), screen.next);
    screen.edit->SetText("1/7/2026");
    ASSERT_EQ(screen.edit->Text(), " 1/ 7/2026");
    std::string seen;
    screen.edit->OnEnter = [&](TObject*) { seen = screen.edit->Text(); };
    screen.edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(seen, "01/07/2026");
}

// --- exit ---------------------------------------------------------------------------------

struct ExitScreen : DayFirstFormat, CheckedExitScreen<TEDData> {
    ExitScreen() : CheckedExitScreen("Data recusada") {}
};

struct LimitCase {
    TEDTipoData tipo;
    bool nulo;
    const char* typed; // digits typed into the mask; empty: the empty form of Tipo
    const char* dataMin;
    const char* dataMax;
    const char* message; // empty: accepted
    const char* written;
};

std::string LimitCaseName(const ::testing::TestParamInfo<LimitCase>& Info)
{
    static const char* const tipos[] = {"Normal", "Inicio", "Final"};
    const LimitCase& c = Info.param;
    return ExitCaseName(tipos[c.tipo], c.nulo, c.typed, c.dataMin, c.dataMax);
}

void PrintTo(const LimitCase& c, std::ostream* out) { PrintExitOutcome(c.message, c.written, out); }

class EDDataExit : public ::testing::TestWithParam<LimitCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, EDDataExit,
    ::testing::Values(
        LimitCase{tdNormal, false, "", "", "", "Data Inválida", "old"},
        LimitCase{tdNormal, true, "", "", "", "", ""},
        LimitCase{tdNormal, false, "31022026", "", "", "Data Inválida", "old"},
        LimitCase{tdNormal, false, "15072026", "", "", "", "67766"},
        LimitCase{tdFinal, false, "", "", "", "", "999999"},
        LimitCase{tdFinal, false, "", "", "67912", "Data Maior Que a Data Maxíma", "old"},
        LimitCase{tdInicio, false, "", "", "", "", ""},
        LimitCase{tdInicio, false, "", "58074", "", "Data Menor Que a Data Mínima", "old"},
        LimitCase{tdNormal, false, "08122026", "58074", "67912", "", "67912"},
        LimitCase{tdNormal, false, "01012000", "58074", "67912", "", "58074"},
        LimitCase{tdNormal, false, "31121999", "58074", "67912", "Data Menor Que a Data Mínima", "old"},
        LimitCase{tdNormal, false, "09122026", "58074", "67912", "Data Maior Que a Data Maxíma", "old"},
        // Compared as texts: "58074" sorts after "100000".
        LimitCase{tdNormal, false, "01012000", "", "100000", "Data Maior Que a Data Maxíma", "old"}),
    LimitCaseName);

TEST_P(EDDataExit, RefusesWithTheMessageAndKeepsTheFocus_OrWritesTheDayNumber)
{
    const LimitCase& c = GetParam();
    MessageRecorder recorder;
    ExitScreen screen;
    screen.edit->SetTipo(c.tipo);
    screen.edit->SetNulo(c.nulo);
    screen.edit->SetDataMin(c.dataMin);
    screen.edit->SetDataMax(c.dataMax);
    screen.edit->SetDataM("");
    if (*c.typed != '\0')
        screen.Type(c.typed);

    screen.Leave();

    EXPECT_EQ(screen.Written(), c.written);
    ExpectRefusedOrLeft(recorder, screen, c.message);
}

TEST(EDDataLimits, Handlers_AreFiredInsteadOfTheMessages)
{
    const struct {
        const char* typed;
        const char* fired;
    } rows[] = {{"31121999", "OnMinimo"}, {"09122026", "OnMaximo"}};
    for (const auto& row : rows) {
        MessageRecorder recorder;
        ExitScreen screen;
        screen.edit->SetDataMin("58074");
        screen.edit->SetDataMax("67912");
        ExpectLimitHandlerFired(recorder, screen, row.typed, row.fired);
    }
}

TEST(EDDataExitCheck, TypedDate_IsCheckedByTheGlobalAsItsDayNumber)
{
    ExitScreen screen;
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","a^old","","67766"))", {.result = TVariant("0")});
    screen.edit->SetPiece(1);
    screen.Type("15072026");
    screen.Leave();
    EXPECT_EQ(screen.server.vism.Runs().size(), 1u);
    EXPECT_EQ(screen.server.global.GetPiece(1), "67766");
}

TEST(EDDataExitCheck, DateRefusedByTheGlobal_KeepsTheFocusWithTheTextSelected)
{
    MessageRecorder recorder;
    ExitScreen screen;
    screen.server.vism.Expect(R"($$CHECK^%CSWWGLOB("VAL","a^old","","67766"))", {.result = TVariant("1")});
    screen.edit->SetPiece(1);
    screen.Type("15072026");
    screen.Leave();
    EXPECT_EQ(QApplication::focusWidget(), screen.edit);
    EXPECT_EQ(screen.edit->SelLength(), 10);
    EXPECT_EQ(screen.server.global.GetPiece(1), "a");
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{"Data recusada"}));
    EXPECT_TRUE(screen.events.empty());
}

TEST(EDDataExitCheck, TextReshownInItsNormalForm_IsNoLongerModified_SoOnlyTheWriteHappens)
{
    ExitScreen screen;
    screen.edit->SetPiece(1);
    screen.Type("1/7/2026");
    ASSERT_EQ(screen.edit->Text(), " 1/ 7/2026");
    ASSERT_TRUE(screen.edit->Modified());
    screen.Leave();
    EXPECT_TRUE(screen.server.vism.Runs().empty());
    EXPECT_EQ(screen.edit->Text(), "01/07/2026");
    EXPECT_EQ(screen.server.global.GetPiece(1), "67752");
}

TEST(EDDataExitCheck, WhileDesigned_OnlyTheToolkitsExitRuns)
{
    ExitScreen screen;
    screen.edit->SetDesigning(true);
    screen.Type("31022026");
    screen.Leave();
    EXPECT_EQ(screen.edit->Text(), "31/02/2026");
    EXPECT_EQ(screen.Written(), "old");
    EXPECT_EQ(screen.events, (std::vector<std::string>{"OnExit"}));
}

// --- binding ------------------------------------------------------------------------------

TEST(EDDataBinding, RefreshShowsTheStoredDayNumber_KeysGetIt_AndTheExitPushesItToItsOwnKeys)
{
    FormatSettingsGuard guard(',', "dd/mm/yyyy", '/');
    TMGlobalBase global(nullptr);
    TMGlobalBase other(nullptr);
    TMGlobalChave* otherKey = other.GlobalChaves()->Add();
    TMGlobalChave* ownKey = global.GlobalChaves()->Add();
    BoundEditScreen<TEDData> screen;
    screen.edit->SetMGlobal(&global);
    screen.edit->SetPiece(2);
    otherKey->SetControl(screen.edit);
    ownKey->SetControl(screen.edit);

    global.SetData("x^58074");
    global.NotificarLinks();

    EXPECT_EQ(screen.edit->Text(), "01/01/2000");
    EXPECT_EQ(global.Dados(), "x^58074") << "showing a value writes nothing";
    EXPECT_EQ(otherKey->Fixo(), "58074");
    EXPECT_EQ(ownKey->GetAtual(), "");

    screen.edit->setFocus(Qt::TabFocusReason);
    screen.Leave();
    EXPECT_EQ(ownKey->GetAtual(), "58074");
    EXPECT_EQ(ownKey->Fixo(), "");
}

} // namespace
