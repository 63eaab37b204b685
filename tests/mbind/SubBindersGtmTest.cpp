// A master global with a memory global and a sub-global on the real server control and
// GT.M: the master's refresh reads the memo lines and the detail node, a changed memo
// locks the master's record, and the master's post writes record, detail and lines. The
// nodes are seeded and read back by an M process of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mbind/GtmServer.h"
#include "mbind/MGloMem.h"
#include "mbind/MSubGlobal.h"

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

}  // namespace
