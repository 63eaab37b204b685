// A master global with a memory global and a sub-global on the real server control and
// GT.M: the master's refresh reads the memo lines and the detail node, a changed memo
// locks the master's record, and the master's post writes record, detail and lines. The
// nodes are seeded and read back by an M process of the test's own.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "mbind/GtmServer.h"
#include "mbind/MGloMem.h"
#include "mbind/MSubGlobal.h"
#include "mbind/MText.h"
#include "support/KillServer.h"

namespace {

// One workstation: its server control, a master on ^CLI(company), its memo, and a
// sub-global on the detail node ^CLI(company, line).
class Workstation {
public:
    explicit Workstation(const TMServerSettings& Settings)
    {
        UseTestNamespace(vism, Settings, errors);
        master.SetVisM(&vism);
        master.SetGlobal("^CLI");
        master.GlobalChaves()->Add()->SetAtual("7");
        memo.SetMGlobal(&master);
        detail.SetVisM(&vism);
        detail.SetGlobal("^CLI");
        detail.GlobalChaves()->Add();
        detail.GlobalChaves()->Add()->SetAtual("1");
        detail.SetMGlobal(&master);
    }

    TVisM vism{nullptr};
    TMGlobal master{nullptr};
    TMGloMem memo{nullptr};
    TMSubGlobal detail{nullptr};
    std::vector<std::string> errors;
};

using SubBindersGtm = ServerMadeNamespaceGtm;

TEST_F(SubBindersGtm, RefreshReadsMemoAndDetail_AChangedMemoLocksTheMaster_PostWritesAll)
{
    Workstation ws(settings_);
    mdirect::MSession& m = M(ws);
    m.Execute(R"(S ^CLI(7)="Ana^x",^CLI(7,1)="detail one")");
    m.Execute(R"(F i=1:1:4 S ^CLI(7,"%CSWWMEM",i)=$P("line 1^^line 3^","^",i))");

    ws.master.Refresh();
    EXPECT_EQ(ws.master.Dados(), "Ana^x");
    EXPECT_EQ(ws.memo.Dados(), "line 1^^line 3");
    EXPECT_EQ(ws.detail.GetChaves(), "7|1");
    EXPECT_EQ(ws.detail.Dados(), "detail one");
    EXPECT_EQ(ws.master.Estado(), esNavegacao);

    const std::string text = "new 1^say \"2\"^";
    ws.memo.SetData(text);
    EXPECT_EQ(ws.master.Estado(), esEdicao);
    EXPECT_EQ(m.Execute("L +^CLI(7):0 W $T"), "0") << "the master's record is locked";

    ws.master.Post();
    EXPECT_EQ(ws.master.Estado(), esNavegacao);
    EXPECT_EQ(m.Execute("L +^CLI(7):0 W $T L -^CLI(7)"), "1") << "released by the post";
    EXPECT_EQ(m.Execute("ZWRITE ^CLI"), "^CLI(7)=\"Ana^x\"\n"
                                         "^CLI(7,1)=\"detail one\"\n"
                                         "^CLI(7,\"%CSWWMEM\",1)=\"new 1\"\n"
                                         "^CLI(7,\"%CSWWMEM\",2)=\"say \"\"2\"\"\"\n"
                                         "^CLI(7,\"%CSWWMEM\",3)=\"\"\n"
                                         "^CLI(7,\"%CSWWMEM\",4)=\"\"\n");

    Workstation other(settings_);
    other.master.Refresh();
    EXPECT_EQ(other.memo.Dados(), text);
    EXPECT_EQ(other.detail.Dados(), "detail one");
    EXPECT_TRUE(ws.errors.empty()) << ws.errors.front();
    EXPECT_TRUE(other.errors.empty()) << other.errors.front();
}

// --- failed runs -------------------------------------------------------------------------------

TEST_F(SubBindersGtm, MemoReadWhoseServerIsKilledMidRead_EndsWithTheTextAsItWas)
{
    Workstation ws(settings_);
    mdirect::MSession& m = M(ws);
    m.Execute(R"(S ^CLI(7)="Ana^x",^CLI(7,1)="detail one")");
    m.Execute(R"(F i=1:1:3 S ^CLI(7,"%CSWWMEM",i)=$P("one^two^three","^",i))");
    ws.master.Refresh();
    ASSERT_EQ(ws.memo.Dados(), "one^two^three");
    m.Execute(R"(F i=1:1:3 S ^CLI(7,"%CSWWMEM",i)=$P("uno^dos^tres","^",i))");
    m.Execute(R"(S ^CLI(7,1)="detail two")");

    KillServerAfterRuns(ws.vism, 2); // REFRESH, then the first GET
    EXPECT_THROW(ws.master.Refresh(), EMRunFailed);

    ASSERT_EQ(ws.errors.size(), 1u);
    EXPECT_NE(ws.errors[0].find("M server process ended"), std::string::npos) << ws.errors[0];
    EXPECT_EQ(ws.memo.Dados(), "one^two^three");
    EXPECT_EQ(ws.detail.Dados(), "detail one") << "the reading went on after the failed run";
    EXPECT_EQ(ws.master.Edicao(), 0);

    ws.vism.OnExecuted = nullptr;
    ws.errors.clear();
    ws.master.Refresh();
    EXPECT_EQ(ws.memo.Dados(), "uno^dos^tres");
    EXPECT_EQ(ws.detail.Dados(), "detail two");
    EXPECT_TRUE(ws.errors.empty()) << ws.errors.front();
}

TEST_F(SubBindersGtm, MemoReadWhoseFirstRunRaisesAnMErrorAfterAnEditAnswered0_EndsAtOnce)
{
    Workstation ws(settings_);
    mdirect::MSession& m = M(ws);
    m.Execute(R"(S ^CLI(7)="Ana^x",^CLI(7,"%CSWWMEM",1)="one")");
    ws.master.Refresh();
    ws.master.Edit();
    ASSERT_EQ(ws.master.Estado(), esEdicao);
    // A reading that went on would fail again on every pass: stop it after a few.
    ws.vism.OnError = [&](TObject*) {
        ws.errors.push_back(ws.vism.ErrorName());
        if (ws.errors.size() > 3)
            throw std::runtime_error("the reading goes on after failed runs");
    };
    ws.master.SetGlobal("^CLI(7)"); // a name the server refuses

    EXPECT_THROW(ws.memo.RefreshFromGlobal(), EMRunFailed);

    ASSERT_EQ(ws.errors.size(), 1u);
    EXPECT_NE(ws.errors[0].find("%GTM-E-GVINVALID"), std::string::npos) << ws.errors[0];
    EXPECT_EQ(ws.memo.Dados(), "one");
    EXPECT_EQ(ws.master.Edicao(), 0);
}

TEST_F(SubBindersGtm, MastersPostWhoseServerIsKilled_WritesNoDetailAndNoLines)
{
    Workstation ws(settings_);
    mdirect::MSession& m = M(ws);
    m.Execute(R"(S ^CLI(7)="Ana^x",^CLI(7,1)="detail one",^CLI(7,"%CSWWMEM",1)="one")");
    ws.master.Refresh();
    ws.memo.SetData("changed");
    ws.detail.SetData("changed detail");
    ASSERT_EQ(ws.master.Estado(), esEdicao);
    ASSERT_TRUE(KillServer(ws.vism));

    EXPECT_THROW(ws.master.Post(), EMRunFailed);

    ASSERT_EQ(ws.errors.size(), 1u);
    EXPECT_EQ(ws.master.Estado(), esEdicao);
    EXPECT_EQ(m.Execute("ZWRITE ^CLI"), "^CLI(7)=\"Ana^x\"\n"
                                         "^CLI(7,1)=\"detail one\"\n"
                                         "^CLI(7,\"%CSWWMEM\",1)=\"one\"\n");
}

}  // namespace
