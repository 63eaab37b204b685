// A TMMemo on a memory global and a TMRadioGroup on a piece of its master, on the real
// server control and GT.M, used as a person does: the master's refresh shows the stored
// lines and the stored code, leaving the group after a click writes the new code (which
// locks the record), typed lines join the memory global's text, and the master's post
// stores record and lines, which another workstation's controls then show. The nodes are
// seeded and read back by an M process of the test's own.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "mbind/GtmServer.h"
#include "mbind/MGloMem.h"
#include "mbind/MMemo.h"
#include "mbind/MRadioGroup.h"
#include "support/ActiveWindow.h"

namespace {

// One workstation: its server control, a master on ^CLI(7) with its memory global, a
// memo showing the whole text, a radio group with codes A, B and C on piece 2, and an
// edit to move the focus to.
class Workstation {
public:
    explicit Workstation(const TMServerSettings& Settings)
    {
        UseTestNamespace(vism, Settings, errors);
        master.SetVisM(&vism);
        master.SetGlobal("^CLI");
        master.GlobalChaves()->Add()->SetAtual("7");
        // The memory global's own Separador only cuts pieces for its controls: one that
        // no line holds gives the memo the whole text.
        lines.SetSeparador("\x01");
        lines.SetMGlobal(&master);
        memo->SetSeparador("^");
        memo->SetPiece(1);
        memo->SetMGlobal(&lines);
        group->SetItems({"Ativo", "Bloqueado", "Cancelado"});
        TStringList codes;
        for (const char* code : {"A", "B", "C"})
            codes.Add(code);
        group->SetCodigos(&codes);
        group->SetPiece(2);
        group->SetMGlobal(&master);
    }

    TVisM vism{nullptr};
    TMGlobal master{nullptr};
    TMGloMem lines{nullptr};
    QWidget window;
    TMMemo* memo = new TMMemo(nullptr, &window);
    TMRadioGroup* group = new TMRadioGroup(nullptr, &window);
    QLineEdit* next = new QLineEdit(&window);
    std::vector<std::string> errors;
};

using MemoRadioGtm = ServerMadeNamespaceGtm;

TEST_F(MemoRadioGtm, ShownLinesAndCodeAreEditedOnScreenAndPostedForAnotherWorkstation)
{
    Workstation ws(settings_);
    mdirect::MSession& m = M(ws);
    m.Execute(R"(S ^CLI(7)="Ana^B")");
    m.Execute(R"(S ^CLI(7,"%CSWWMEM",1)="linha 1",^CLI(7,"%CSWWMEM",2)="linha 2")");
    ShowActive(ws.window, {ws.memo, ws.group, ws.next});

    ws.master.Refresh();
    EXPECT_EQ(ws.memo->Text(), "linha 1\r\nlinha 2");
    EXPECT_EQ(ws.group->ItemIndex(), 1);
    EXPECT_EQ(ws.master.Estado(), esNavegacao);

    QRadioButton* cancelado = ws.group->Button(2);
    QTest::mouseClick(cancelado, Qt::LeftButton, {}, QPoint(5, cancelado->height() / 2));
    ws.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ws.master.Dados(), "Ana^C");
    EXPECT_EQ(ws.master.Estado(), esEdicao);
    EXPECT_EQ(m.Execute("L +^CLI(7):0 W $T"), "0") << "the master's record is locked";

    ws.memo->setFocus(Qt::TabFocusReason);
    ws.memo->moveCursor(QTextCursor::End);
    QTest::keyClick(ws.memo, Qt::Key_Return);
    QTest::keyClicks(ws.memo, "diz \"oi\"");
    EXPECT_EQ(ws.lines.Dados(), "linha 1^linha 2^diz \"oi\"");

    ws.master.Post();
    EXPECT_EQ(ws.master.Estado(), esNavegacao);
    EXPECT_EQ(m.Execute("ZWRITE ^CLI"), "^CLI(7)=\"Ana^C\"\n"
                                         "^CLI(7,\"%CSWWMEM\",1)=\"linha 1\"\n"
                                         "^CLI(7,\"%CSWWMEM\",2)=\"linha 2\"\n"
                                         "^CLI(7,\"%CSWWMEM\",3)=\"diz \"\"oi\"\"\"\n"
                                         "^CLI(7,\"%CSWWMEM\",4)=\"\"\n");

    Workstation other(settings_);
    other.master.Refresh();
    EXPECT_EQ(other.memo->Text(), "linha 1\r\nlinha 2\r\ndiz \"oi\"");
    EXPECT_EQ(other.group->ItemIndex(), 2);
    EXPECT_TRUE(ws.errors.empty()) << ws.errors.front();
    EXPECT_TRUE(other.errors.empty()) << other.errors.front();
}

} // namespace
