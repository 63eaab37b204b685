// The date and month/year edits against real GT.M: day numbers agree with M's $H, and the
// edits on a TMGlobal of a real server control store what the user typed.
#include <gtest/gtest.h>

#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <sstream>
#include <string>

#include "mbind/EDData.h"
#include "mbind/EdMesAno.h"
#include "mbind/GtmServer.h"
#include "mbind/MGlobal.h"
#include "support/ActiveWindow.h"
#include "support/FormatSettingsGuard.h"
#include "support/MDirect.h"
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
    TVisM vism(nullptr);
    std::string serverError;
    vism.SetServerSettings(Settings());
    vism.SetNameSpace("SISTEMAS");
    vism.OnError = [&](TObject*) { serverError = vism.ErrorName(); };
    TMGlobal global(nullptr);
    global.SetVisM(&vism);
    global.SetGlobal("^AGE");
    global.GlobalChaves()->Add();

    QWidget window;
    auto* elsewhere = new QLineEdit(&window); // first: the focus starts here
    auto* date = new TEDData(nullptr, &window);
    auto* month = new TEdMesAno(nullptr, &window);
    date->SetMGlobal(&global);
    date->SetPiece(1);
    month->SetMGlobal(&global);
    month->SetPiece(2);
    ShowActive(window, {elsewhere, date, month});

    global.SetChaves("7");
    global.Refresh();
    ASSERT_EQ(serverError, "");
    EXPECT_EQ(date->Text(), today) << "$H on the server is today";
    EXPECT_EQ(month->Text(), "12/2020");

    date->setFocus(Qt::TabFocusReason);
    date->SelectAll();
    QTest::keyClicks(date, "15072026");
    EXPECT_EQ(global.Estado(), esEdicao) << "the first key locks and reads the node";
    month->setFocus(Qt::TabFocusReason);
    month->SelectAll();
    QTest::keyClicks(month, "3/2021");
    elsewhere->setFocus(Qt::TabFocusReason);
    global.Post();

    ASSERT_EQ(serverError, "");
    for (const TShownMessage& shown : messages_.Messages())
        ADD_FAILURE() << shown.Text.toStdString();
    EXPECT_EQ(M(R"(S r=^AGE(7) W $ZD($P(r,"^"),"DD/MM/YEAR"),"^",$P(r,"^",2,3))"), "15/07/2026^202103^z");

    global.Refresh();
    EXPECT_EQ(date->Text(), "15/07/2026");
    EXPECT_EQ(month->Text(), "03/2021");
}

} // namespace
