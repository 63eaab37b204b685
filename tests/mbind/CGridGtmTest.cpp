// The bound grid against real GT.M: its rows come from $$LE^%CSWWCGRID on the grid's own
// server control; nodes are seeded by an M process of the test's own on the same database.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mbind/CGrid.h"
#include "mbind/CGridSupport.h"
#include "mbind/GtmServer.h"
#include "mbind/MText.h"
#include "mbind/MenuInfo.h"
#include "support/EventLoop.h"
#include "support/FormatSettingsGuard.h"
#include "support/KillServer.h"
#include "support/MDirect.h"
#include "support/PosixLocale.h"
#include "support/Recorders.h"
#include "vism/VisM.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class CGridGtm : public TestDatabaseGtm {
protected:
    void SetUp() override
    {
        TestDatabaseGtm::SetUp();
        if (Stopped())
            return;
        m_ = std::make_unique<mdirect::MSession>(*db_);
        const fs::path root = Root();
        vism_ = std::make_unique<TVisM>(nullptr);
        UseTestNamespace(*vism_, SettingsOnDatabase(*db_, root, root / "objects"), errors_);
        grid_ = std::make_unique<TCGrid>(nullptr);
        grid_->SetVisM(vism_.get());
        grid_->SetGlobal("^PED");
    }

    void TearDown() override
    {
        EXPECT_TRUE(errors_.empty()) << "server error: " << (errors_.empty() ? "" : errors_.front());
        grid_.reset();
        vism_.reset();
        m_.reset();
        db_.reset();
    }

    void M(const std::string& Code) { m_->Execute(Code); }

    // What the grid shows in data row Row, column by column, after conversion.
    Strings Shown(int Row)
    {
        Strings shown;
        for (int col = 0; col < grid_->Colunas()->Count(); ++col) {
            TColuna* coluna = grid_->Colunas()->Items(col);
            std::string text = grid_->CellText(coluna, col, Row);
            grid_->ConvertValue(coluna, col, Row, grid_->Canvas(), text);
            shown.push_back(text);
        }
        return shown;
    }

    TCGrid& Grid() { return *grid_; }
    TVisM& Server() { return *vism_; }
    // The server errors so far; a test that expects some takes them.
    Strings TakeErrors() { return std::exchange(errors_, {}); }

    MessageRecorder messages_;

private:
    std::unique_ptr<mdirect::MSession> m_;
    std::unique_ptr<TVisM> vism_;
    std::unique_ptr<TCGrid> grid_;
    Strings errors_;
};

// Orders of companies 1 and 2: ^PED(company, number) = customer ^ value in cents ^ day,
// the customer's name in ^CLI(company, number).
void AddOrderColumns(TCGrid& Grid)
{
    AddColumn(Grid, tpChave, 1);
    AddColumn(Grid, tpPiece, 2, tvValor)->SetDecimaisM(2);
    Grid.Colunas()->Items(1)->SetDecimais(2);
    AddColumn(Grid, tpPiece, 3, tvData);
    AddColumn(Grid, tpPiece, 1)->SetSubGlobal("^CLI");
}

TEST_F(CGridGtm, LoadAll_ListsTheCompanysNodesWithTheirPiecesAndSubGlobalNames)
{
    FormatSettingsGuard format(',', "dd/mm/yyyy", '/');
    M(R"(S ^PED(1,10)="A^1250^66000",^PED(1,7)="B^99^66001",^PED(2,3)="C^5^66002",^PED(1,12,"item")="x")");
    M(R"(S ^CLI(1,7)="Maria",^CLI(1,10)="José ""Zé""")");
    AddOrderColumns(Grid());
    TCGridGlobalChave* company = Grid().GlobalChaves()->Add();
    company->SetFixo("1");
    Grid().GlobalChaves()->Add();

    Grid().LoadAll();

    EXPECT_EQ(Keys(Grid()), (Strings{"1|7", "1|10"}));
    EXPECT_EQ(Shown(1), (Strings{"7", "0,99", "14/09/2021", "Maria"}));
    EXPECT_EQ(Shown(2), (Strings{"10", "12,50", "13/09/2021", "José \"Zé\""}));
    EXPECT_EQ(Grid().EstadoCarga(), 0);
    EXPECT_EQ(Grid().RowCount(), 3);

    Grid().SetPodeOrdenar(true);
    Grid().SortByColumn(3);
    EXPECT_EQ(Keys(Grid()), (Strings{"1|10", "1|7"})) << "by the customers' names";
}

struct GridLocaleCase {
    const char* locale;
    const char* date; // day 58083, 10 January 2000, in the locale's short date format
};

void PrintTo(const GridLocaleCase& c, std::ostream* out) { *out << c.locale; }

class CGridGtmUnderLocale : public CGridGtm, public ::testing::WithParamInterface<GridLocaleCase> {};

INSTANTIATE_TEST_SUITE_P(Locales, CGridGtmUnderLocale,
                         ::testing::Values(GridLocaleCase{"C.UTF-8", "10/01/2000"},
                                           GridLocaleCase{"pt_BR.UTF-8", "10/01/2000"},
                                           GridLocaleCase{"en_US.UTF-8", "01/10/2000"}),
                         [](const ::testing::TestParamInfo<GridLocaleCase>& info) {
                             return LocaleParamName(info.param.locale);
                         });

TEST_P(CGridGtmUnderLocale, AmountsShowWithCommaAndPoints_DatesInTheLocalesOrder_AndLargeAmountsSort)
{
    const PosixLocaleScope locale(GetParam().locale);
    M(R"(S ^PED(1,1)="A^1234567^58083^202105",^PED(1,2)="B^-5^58083^2105",^PED(1,3)="C^-12^58083^202105")");
    M(R"(S ^PED(1,4)="D^2147483648^58083^202105",^PED(1,5)="E^300000000000^58083^202105")");
    AddColumn(Grid(), tpChave, 1);
    AddColumn(Grid(), tpPiece, 2, tvValor)->SetDecimaisM(2);
    Grid().Colunas()->Items(1)->SetDecimais(2);
    AddColumn(Grid(), tpPiece, 3, tvData);
    AddColumn(Grid(), tpPiece, 4, tvMesAno);
    Grid().GlobalChaves()->Add()->SetFixo("1");
    Grid().GlobalChaves()->Add();

    Grid().LoadAll();

    const std::string date = GetParam().date;
    EXPECT_EQ(Shown(1), (Strings{"1", "12.345,67", date, "05/2021"}));
    EXPECT_EQ(Shown(2), (Strings{"2", "-0,05", date, "05/21"}));
    EXPECT_EQ(Shown(3), (Strings{"3", "-0,12", date, "05/2021"}));
    EXPECT_EQ(Shown(4), (Strings{"4", "21.474.836,48", date, "05/2021"}));
    EXPECT_EQ(Shown(5), (Strings{"5", "3.000.000.000,00", date, "05/2021"}));

    Grid().SetPodeOrdenar(true);
    Grid().SortByColumn(1);
    EXPECT_EQ(Keys(Grid()), (Strings{"1|3", "1|2", "1|1", "1|4", "1|5"}));
}

TEST_F(CGridGtm, CompanyChange_ReloadsTheNewCompanysRows)
{
    M(R"(S ^PED(1,1)="a",^PED(2,5)="b",^PED(2,6)="c")");
    TMenuInfo holder(nullptr);
    AddColumn(Grid(), tpChave, 1);
    Grid().GlobalChaves()->Add()->SetMenu_Info(&holder);
    Grid().GlobalChaves()->Add();

    holder.SetCodEmp(2);
    EXPECT_EQ(Keys(Grid()), (Strings{"2|5", "2|6"}));
    holder.SetCodEmp(1);
    EXPECT_EQ(Keys(Grid()), (Strings{"1|1"}));
}

// Orders 1 to 3 of company 1, listed from order 1: the first row lies exactly at the
// first values.
void ListFromTheFirstOrder(TCGrid& Grid)
{
    AddColumn(Grid, tpChave, 1);
    Grid.GlobalChaves()->Add()->SetFixo("1");
    Grid.GlobalChaves()->Add()->SetInicio("1");
}

TEST_F(CGridGtm, NewLoad_ListsTheRowAtTheFirstValues_AfterALoadThatStoppedOnIt)
{
    M(R"(S ^PED(1,1)="a",^PED(1,2)="b",^PED(1,3)="c")");
    ListFromTheFirstOrder(Grid());
    const Strings all = {"1|1", "1|2", "1|3"};

    // A paint that needed one row.
    Grid().SetAutoCarrega(true);
    Grid().LoadUpTo(0);
    ASSERT_EQ(Keys(Grid()), (Strings{"1|1"}));
    Grid().LoadAll();
    EXPECT_EQ(Keys(Grid()), all);

    // A handler that failed on the first row.
    Grid().OnLoad = [](const std::string&, const std::string&) { throw Exception("handler failed"); };
    EXPECT_THROW(Grid().LoadAll(), Exception);
    ASSERT_EQ(Keys(Grid()), (Strings{"1|1"}));
    Grid().OnLoad = nullptr;
    Grid().LoadAll();
    EXPECT_EQ(Keys(Grid()), all);
}

// A handler that runs its own code on the grid's control leaves its registers as that
// code did: the load lists every row once all the same.
TEST_F(CGridGtm, HandlerRunningCodeOnTheGridsControl_ChangesNoRowOfTheLoad)
{
    M(R"(S ^PED(1,1)="a",^PED(1,2)="b",^PED(1,3)="c")");
    ListFromTheFirstOrder(Grid());
    int loads = 0;
    Grid().OnLoad = [&](const std::string&, const std::string&) {
        if (++loads > 10)
            throw Exception("the load repeats its rows");
        TVisM* visM = Grid().VisM();
        visM->SetCode("S (P7,P8,P9)=\"\"");
        visM->SetExecFlag(1);
    };

    Grid().LoadAll();

    EXPECT_EQ(Keys(Grid()), (Strings{"1|1", "1|2", "1|3"}));
    EXPECT_EQ(loads, 3);
}

TEST_F(CGridGtm, AutoCarrega_AShownGridLoadsTheRowsItPaints_AndMoreAsItScrolls)
{
    M(R"(F I=1:1:300 S ^PED(1,I)="n"_I)");
    AddColumn(Grid(), tpChave, 1);
    AddColumn(Grid(), tpPiece, 1);
    Grid().GlobalChaves()->Add()->SetFixo("1");
    Grid().GlobalChaves()->Add();
    Grid().SetAutoCarrega(true);
    Grid().resize(300, 200);
    Grid().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Grid()));

    ASSERT_TRUE(ProcessEventsUntil([&] { return Grid().Linhas().size() > 3; }));
    ProcessEventsFor(std::chrono::milliseconds(50));
    const size_t firstScreen = Grid().Linhas().size();
    EXPECT_LE(firstScreen, static_cast<size_t>(Grid().VisibleRowCount() + 3)) << "only what the screen shows";
    EXPECT_EQ(Grid().EstadoCarga(), 1);
    EXPECT_EQ(Grid().Linhas().front().Conteudo, "n1");

    ASSERT_TRUE(ProcessEventsUntil([&] {
        Grid().SetTopRow(Grid().RowCount());
        return Grid().Linhas().size() > 100;
    }));
    EXPECT_LT(Grid().Linhas().size(), 300u);
    EXPECT_EQ(Grid().Linhas()[99].Chave, "1|100");
}

// --- failed runs -------------------------------------------------------------------------------

class CGridGtmFailure : public CGridGtm, public ::testing::WithParamInterface<RunFailure> {};

TEST_P(CGridGtmFailure, LoadThatFailsMidWay_EndsWhereItIsUnfinishedAndUnsortable)
{
    M(R"(F I=1:1:6 S ^PED(1,I)="n"_(7-I))");
    AddColumn(Grid(), tpChave, 1);
    AddColumn(Grid(), tpPiece, 1);
    Grid().GlobalChaves()->Add()->SetFixo("1");
    Grid().GlobalChaves()->Add();
    Grid().SetPodeOrdenar(true);
    int finished = 0;
    Grid().OnFinishLoad = [&](TObject*) { ++finished; };
    if (GetParam() == RunFailure::ServerKilled) {
        KillServerAfterRuns(Server(), 3);
    } else {
        M(R"m(S ^CSWWFILT("F")="$S(K=""1|4"":1/0,1:1)")m");
        Grid().SetCondicaoFiltro("F");
    }

    EXPECT_THROW(Grid().LoadAll(), EMRunFailed);

    EXPECT_EQ(Keys(Grid()), (Strings{"1|1", "1|2", "1|3"}));
    EXPECT_EQ(Grid().EstadoCarga(), 1);
    EXPECT_EQ(finished, 0);
    Grid().SortByColumn(1);
    EXPECT_EQ(Keys(Grid()), (Strings{"1|1", "1|2", "1|3"})) << "a cut-short list was sorted";
    const Strings errors = TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(GetParam() == RunFailure::ServerKilled ? "M server process ended" : "%GTM-E-DIVZERO"),
              std::string::npos)
        << errors[0];
    EXPECT_TRUE(messages_.Exceptions().empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, CGridGtmFailure, ::testing::Values(RunFailure::ServerKilled, RunFailure::MError),
                         RunFailureName);

} // namespace
