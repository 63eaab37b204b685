// The date, month/year and value edits against real GT.M: day numbers agree with M's $H, and
// the edits on a TMGlobal of a real server control store what the user typed, under real
// POSIX locales too.
#include <gtest/gtest.h>

#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "mbind/EDData.h"
#include "mbind/EdMesAno.h"
#include "mbind/EdValor.h"
#include "mbind/GtmServer.h"
#include "mbind/MGlobal.h"
#include "support/ActiveWindow.h"
#include "support/FormatSettingsGuard.h"
#include "support/MDirect.h"
#include "support/PosixLocale.h"
#include "support/Recorders.h"
#include "vism/VisM.h"

namespace {

class DateEditsGtm : public TestDatabaseGtm {
protected:
    std::string M(const std::string& Code) const { return db_->Output(Code); }

    // A server control whose namespace is the test's database.
    TMServerSettings Settings() const
    {
        return SettingsOnDatabase(*db_, Root(), Root() / "m-objects");
    }

    FormatSettingsGuard format_{',', "dd/mm/yyyy", '/'};
    MessageRecorder messages_;
};

// ^AGE on a real server control of the test's database, and a shown window: a plain edit
// (where the focus starts), a date edit on piece 1 and a month/year edit on piece 2 of the
// record, and two value edits with 2 decimals on the screen and in M, which a test binds.
struct AgeScreen {
    explicit AgeScreen(const TMServerSettings& Settings)
    {
        UseTestNamespace(vism, Settings, errors);
        global.SetVisM(&vism);
        global.SetGlobal("^AGE");
        global.GlobalChaves()->Add();
        date->SetMGlobal(&global);
        date->SetPiece(1);
        month->SetMGlobal(&global);
        month->SetPiece(2);
        for (TEdValor* value : values) {
            value->SetDecimais(2);
            value->SetDecimaisM(2);
        }
        ShowActive(window, {elsewhere, date, month, values[0], values[1]});
    }

    // Types Text into Control key by key over its whole text.
    template <class Control>
    static void Type(Control* Edit, const char* Text)
    {
        Edit->setFocus(Qt::TabFocusReason);
        Edit->SelectAll();
        QTest::keyClicks(Edit, Text);
    }

    TVisM vism{nullptr};
    std::vector<std::string> errors;
    TMGlobal global{nullptr};
    QWidget window;
    QLineEdit* elsewhere = new QLineEdit(&window);
    TEDData* date = new TEDData(nullptr, &window);
    TEdMesAno* month = new TEdMesAno(nullptr, &window);
    TEdValor* values[2] = {new TEdValor(nullptr, &window), new TEdValor(nullptr, &window)};
};

// Where the day-number arithmetic names the calendar date: 1 March 1844 to 28 February
// 1900 and 1 March 1944 to 28 February 2100 (between them it counts 1900 as a leap year).
TEST_F(DateEditsGtm, DayNumbersAreMsHorologDays_WhereTheArithmeticNamesTheCalendarDate)
{
    const std::string dates =
        M(R"(F h=1156:97:21608,21608,37680:97:94657,94657,58074 W h," ",$ZD(h,"DD/MM/YEAR"),!)");
    TEDData edit(nullptr);
    std::istringstream lines(dates);
    std::string h, date;
    int compared = 0;
    while (lines >> h >> date) {
        edit.SetDataM(h);
        ASSERT_EQ(edit.Text(), date) << "$H " << h;
        ASSERT_EQ(edit.DataM(), h) << date;
        ++compared;
    }
    EXPECT_GT(compared, 800);
}

TEST_F(DateEditsGtm, TypedDateAndMonth_AreStoredAsTheServerReadsThem)
{
    M(R"(S ^AGE(7)=+$H_"^202012^z")");
    const std::string today = QDate::currentDate().toString("dd/MM/yyyy").toStdString();
    AgeScreen screen(Settings());

    screen.global.SetChaves("7");
    screen.global.Refresh();
    ASSERT_TRUE(screen.errors.empty()) << screen.errors.front();
    EXPECT_EQ(screen.date->Text(), today) << "$H on the server is today";
    EXPECT_EQ(screen.month->Text(), "12/2020");

    AgeScreen::Type(screen.date, "15072026");
    EXPECT_EQ(screen.global.Estado(), esEdicao) << "the first key locks and reads the node";
    AgeScreen::Type(screen.month, "3/2021");
    screen.elsewhere->setFocus(Qt::TabFocusReason);
    screen.global.Post();

    ASSERT_TRUE(screen.errors.empty()) << screen.errors.front();
    for (const TShownMessage& shown : messages_.Messages())
        ADD_FAILURE() << shown.Text.toStdString();
    EXPECT_EQ(M(R"(S r=^AGE(7) W $ZD($P(r,"^"),"DD/MM/YEAR"),"^",$P(r,"^",2,3))"), "15/07/2026^202103^z");

    screen.global.Refresh();
    EXPECT_EQ(screen.date->Text(), "15/07/2026");
    EXPECT_EQ(screen.month->Text(), "03/2021");
}

struct EditsLocaleCase {
    const char* locale;
    const char* date;      // day 58083, 10 January 2000
    const char* typedDate; // 15 July of this year, typed key by key
};

void PrintTo(const EditsLocaleCase& c, std::ostream* out) { *out << c.locale; }

class BoundEditsGtmUnderLocale : public DateEditsGtm, public ::testing::WithParamInterface<EditsLocaleCase> {};

INSTANTIATE_TEST_SUITE_P(Locales, BoundEditsGtmUnderLocale,
                         ::testing::Values(EditsLocaleCase{"C.UTF-8", "10/01/2000", "15/7"},
                                           EditsLocaleCase{"pt_BR.UTF-8", "10/01/2000", "15/7"},
                                           EditsLocaleCase{"en_US.UTF-8", "01/10/2000", "7/15"}),
                         [](const ::testing::TestParamInfo<EditsLocaleCase>& info) {
                             return LocaleParamName(info.param.locale);
                         });

TEST_P(BoundEditsGtmUnderLocale, StoredValuesShow_TabbingThroughKeepsThem_AndTypedValuesAreStored)
{
    const EditsLocaleCase& c = GetParam();
    const PosixLocaleScope locale(c.locale);
    M(R"(S ^AGE(7)="58083^202012^1234567^-12345^z")");
    AgeScreen screen(Settings());
    for (uint8_t piece : {3, 4}) {
        screen.values[piece - 3]->SetMGlobal(&screen.global);
        screen.values[piece - 3]->SetPiece(piece);
    }

    screen.global.SetChaves("7");
    screen.global.Refresh();
    EXPECT_EQ(screen.date->Text(), c.date);
    EXPECT_EQ(screen.month->Text(), "12/2020");
    EXPECT_EQ(screen.values[0]->Text(), "12.345,67");
    EXPECT_EQ(screen.values[1]->Text(), "-123,45");

    for (QWidget* control : std::initializer_list<QWidget*>{screen.date, screen.month, screen.values[0],
                                                            screen.values[1], screen.elsewhere})
        control->setFocus(Qt::TabFocusReason);
    screen.global.Post();
    EXPECT_EQ(M("W ^AGE(7)"), "58083^202012^1234567^-12345^z") << "tabbing through changes nothing";
    EXPECT_EQ(screen.date->Text(), c.date);

    AgeScreen::Type(screen.date, c.typedDate);
    AgeScreen::Type(screen.month, "3/2021");
    AgeScreen::Type(screen.values[0], "-1.234,5");
    screen.elsewhere->setFocus(Qt::TabFocusReason);
    screen.global.Post();

    for (const TShownMessage& shown : messages_.Messages())
        ADD_FAILURE() << shown.Text.toStdString();
    EXPECT_TRUE(screen.errors.empty()) << screen.errors.front();
    const std::string thisYear = std::to_string(QDate::currentDate().year());
    EXPECT_EQ(M(R"(S r=^AGE(7) W $ZD($P(r,"^"),"DD/MM/YEAR"),"^",$P(r,"^",2,5))"),
              "15/07/" + thisYear + "^202103^-123450^-12345^z");
}

} // namespace
