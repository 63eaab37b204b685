// A piece never takes its global's separator: typed or pasted into a bound control it is
// refused with a beep, set by code it is refused when it would be written, and the
// record's pieces never shift. The same for the sub-binders, whose pieces also go into
// their master's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "mbind/BoundDoubles.h"
#include "mbind/BoundEditScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/EDButton.h"
#include "mbind/EDData.h"
#include "mbind/EdMesAno.h"
#include "mbind/EdValor.h"
#include "mbind/MComboBox.h"
#include "mbind/MEdit.h"
#include "mbind/MMemo.h"
#include "mbind/MPieceGroup.h"
#include "mbind/MRadioGroup.h"
#include "mbind/MSubPiece.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"

namespace {

using Strings = std::vector<std::string>;

const char* const kRecord = "x^y^z";

// A control on piece 1 of a global holding "x^y^z", on a shown screen.
template <class Control>
struct SeparatorScreen : BoundEditScreen<Control> {
    CountingGlobal global;

    SeparatorScreen()
    {
        this->edit->SetPiece(1);
        this->edit->SetMGlobal(&global);
        global.SetData(kRecord);
        global.NotificarLinks();
        global.edits = 0;
        this->edit->setFocus(Qt::TabFocusReason);
    }

    // Types Text over the whole text of Target (an edit or a memo).
    void TypeOver(QWidget* Target, const char* Text)
    {
        if (auto* line = qobject_cast<QLineEdit*>(Target))
            line->selectAll();
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(Target))
            memo->selectAll();
        QTest::keyClicks(Target, Text);
    }
    void Paste(QWidget* Target, const char* Text)
    {
        QApplication::clipboard()->setText(QString::fromLatin1(Text));
        QTest::keyClick(Target, Qt::Key_V, Qt::ControlModifier);
    }
};

// --- controls that write on every change --------------------------------------------------

template <class Control>
void ExpectTypedSeparatorRefused()
{
    MessageRecorder recorder;
    SeparatorScreen<Control> screen;
    screen.TypeOver(screen.edit, "a^b");
    screen.Paste(screen.edit, "^c");
    EXPECT_EQ(screen.edit->Text(), "ab");
    EXPECT_EQ(screen.global.Dados(), "ab^y^z");
    EXPECT_EQ(recorder.Beeps(), 2);

    // Set by code: refused when written, and the stored value is shown again.
    screen.edit->SetText("p^q");
    EXPECT_EQ(screen.global.Dados(), "ab^y^z");
    EXPECT_EQ(screen.edit->Text(), "ab");
    EXPECT_EQ(recorder.Beeps(), 3);

    // Any other separator is data.
    screen.global.SetSeparador("|");
    screen.TypeOver(screen.edit, "a^b");
    EXPECT_EQ(screen.global.Dados(), "a^b");
    EXPECT_EQ(recorder.Beeps(), 3);
}

TEST(SeparatorRefusal, MEdit_TypedPastedOrSetByCode_NeverEntersAPiece)
{
    ExpectTypedSeparatorRefused<TMEdit>();
}

TEST(SeparatorRefusal, EDButton_TypedPastedOrSetByCode_NeverEntersAPiece)
{
    ExpectTypedSeparatorRefused<TEDButton>();
}

TEST(SeparatorRefusal, MEdit_OnAKeyOrAField_RefusesNothing)
{
    MessageRecorder recorder;
    SeparatorScreen<TMEdit> screen;
    AddLevel(screen.global, "");
    screen.edit->SetTipoCampo(tcChave);
    screen.edit->SetPiece(0);
    screen.TypeOver(screen.edit, "a^b");
    EXPECT_EQ(screen.global.GetChave(0), "a^b");
    EXPECT_EQ(recorder.Beeps(), 0);
}

TEST(SeparatorRefusal, MMemo_RefusesThePiecesSeparator_AndALineBreakWhoseSeparadorHoldsIt)
{
    MessageRecorder recorder;
    SeparatorScreen<TMMemo> screen;
    screen.TypeOver(screen.edit, "a^b");
    QTest::keyClick(screen.edit, Qt::Key_Return);
    QTest::keyClicks(screen.edit, "c");
    screen.Paste(screen.edit, "d^e");
    EXPECT_EQ(screen.edit->Text(), "ab\r\nc");
    EXPECT_EQ(screen.global.Dados(), "ab;c^y^z");
    EXPECT_EQ(recorder.Beeps(), 2);

    screen.edit->SetText("p^q");
    EXPECT_EQ(screen.global.Dados(), "ab;c^y^z");
    EXPECT_EQ(screen.edit->Text(), "ab\r\nc");
    EXPECT_EQ(recorder.Beeps(), 3);

}

TEST(SeparatorRefusal, MMemo_WhoseLinesAreJoinedByThePiecesSeparator_RefusesLineBreaks)
{
    MessageRecorder recorder;
    SeparatorScreen<TMMemo> screen;
    screen.edit->SetSeparador("^");
    screen.TypeOver(screen.edit, "a");
    QTest::keyClick(screen.edit, Qt::Key_Return);
    screen.Paste(screen.edit, "b\nc");
    QTest::keyClicks(screen.edit, "b");
    EXPECT_EQ(screen.edit->Text(), "ab");
    EXPECT_EQ(screen.global.Dados(), "ab^y^z");
    EXPECT_EQ(recorder.Beeps(), 2);
    screen.edit->SetText("p\r\nq");
    EXPECT_EQ(screen.global.Dados(), "ab^y^z");
    EXPECT_EQ(screen.edit->Text(), "ab");
    EXPECT_EQ(recorder.Beeps(), 3);
}

// --- controls that write on exit --------------------------------------------------------------

// Leaving with a control value that holds the separator: a beep, the focus stays, OnExit
// does not fire (unless the control fires it before its checks), and nothing is written.
template <class Screen>
void ExpectExitRefused(const MessageRecorder& Recorder, Screen& S, const std::string& Record, int Exits = 0)
{
    int exits = 0;
    S.edit->OnExit = [&](TObject*) { ++exits; };
    S.Leave();
    EXPECT_EQ(Recorder.Beeps(), 1);
    QWidget* focused = QApplication::focusWidget();
    EXPECT_TRUE(focused == S.edit || S.edit->isAncestorOf(focused)) << "the focus stays in the control";
    EXPECT_EQ(exits, Exits);
    EXPECT_EQ(S.global.Dados(), Record);
    EXPECT_EQ(S.global.edits, 0);
    S.edit->OnExit = nullptr; // it counts into a local of this function
}

TEST(SeparatorRefusal, MComboBox_TypedTextRefusesIt_AnItemOrCodeHoldingItIsRefusedOnExit)
{
    {
        MessageRecorder recorder;
        SeparatorScreen<TMComboBox> screen;
        screen.TypeOver(screen.edit->lineEdit(), "a^b");
        EXPECT_EQ(screen.edit->Text(), "ab");
        EXPECT_EQ(recorder.Beeps(), 1);
        screen.Leave();
        EXPECT_EQ(screen.global.Dados(), "ab^y^z");
    }
    for (TMComboBoxTipoValor tipo : {tvConteudo, tvCodigo}) {
        SCOPED_TRACE(tipo);
        MessageRecorder recorder;
        SeparatorScreen<TMComboBox> screen;
        screen.edit->SetTipoValor(tipo);
        screen.edit->AddItem("i^j", "c^d");
        screen.edit->SetItemIndex(0);
        ExpectExitRefused(recorder, screen, kRecord);
    }
}

TEST(SeparatorRefusal, MRadioGroup_ACodeHoldingItIsRefusedOnExit)
{
    MessageRecorder recorder;
    SeparatorScreen<TMRadioGroup> screen;
    screen.edit->SetItems({"Um"});
    TStringList codes;
    codes.Add("c^d");
    screen.edit->SetCodigos(&codes);
    screen.edit->SetItemIndex(0);
    screen.edit->setFocus(Qt::TabFocusReason);
    ExpectExitRefused(recorder, screen, kRecord);
}

// The numeric, date and month edits give digits (and a sign): a separator among them is
// refused when the value is written, never as it is typed (the screen text is no value).
TEST(SeparatorRefusal, EdValor_AValueHoldingItIsRefusedOnExit_TypingIsFree)
{
    MessageRecorder recorder;
    SeparatorScreen<TEdValor> screen;
    screen.global.SetSeparador("-");
    screen.TypeOver(screen.edit, "-5");
    EXPECT_EQ(screen.edit->Text(), "-5");
    ExpectExitRefused(recorder, screen, kRecord, 1);
    screen.TypeOver(screen.edit, "5");
    screen.Leave();
    EXPECT_EQ(screen.global.Dados(), "5");
}

TEST(SeparatorRefusal, EDData_AValueHoldingItIsRefusedOnExit)
{
    FormatSettingsGuard format(',', "dd/mm/yyyy", '/');
    MessageRecorder recorder;
    SeparatorScreen<TEDData> screen;
    screen.global.SetSeparador("0");
    screen.edit->SetDataM("58074"); // 1 January 2000
    ExpectExitRefused(recorder, screen, kRecord);
}

TEST(SeparatorRefusal, EdMesAno_AValueHoldingItIsRefusedOnExit)
{
    MessageRecorder recorder;
    SeparatorScreen<TEdMesAno> screen;
    screen.global.SetSeparador("20");
    screen.edit->SetAnoMes("202103");
    ExpectExitRefused(recorder, screen, kRecord);
}

// --- the core and the sub-binders ---------------------------------------------------------------

TEST(SeparatorRefusal, SetPieceByCode_IsRefusedWithoutTouchingTheRecord)
{
    MessageRecorder recorder;
    CountingGlobal global;
    global.SetData(kRecord);
    global.edits = 0;
    TestControl control("C");
    control.Bind(&global, tcPiece, 1);
    global.SetPiece(1, "a^b");
    global.SetPiece(2, "^");
    EXPECT_EQ(global.Dados(), kRecord);
    EXPECT_EQ(global.edits, 0);
    EXPECT_EQ(control.Refreshes(), 0);
    EXPECT_EQ(recorder.Beeps(), 2);

    // A refresh writes nothing, so nothing is refused.
    global.IncEdicao();
    global.SetPiece(1, "a^b");
    global.DecEdicao();
    EXPECT_EQ(recorder.Beeps(), 2);
}

// A sub-piece on master piece 3 ("1;2;3", its own Separador ";"): its pieces take neither
// ";" nor the master's "^".
TEST(SeparatorRefusal, SubPiece_RefusesItsOwnAndItsMastersSeparators)
{
    MessageRecorder recorder;
    CountingGlobal master;
    master.SetData("a^b^1;2;3");
    TMSubPiece sub(nullptr);
    sub.SetSeparador(";");
    sub.SetPiece(3);
    sub.SetMGlobal(&master);
    master.NotificarLinks();
    BoundEditScreen<TMEdit> screen;
    screen.edit->SetPiece(2);
    screen.edit->SetMGlobal(&sub);
    sub.NotificarLinks();
    ASSERT_EQ(screen.edit->Text(), "2");
    master.edits = 0;

    QTest::keyClicks(screen.edit, ";^9");
    EXPECT_EQ(master.Dados(), "a^b^1;29;3");
    EXPECT_EQ(sub.Dados(), "1;29;3");
    EXPECT_EQ(recorder.Beeps(), 2);

    // Written whole by code.
    sub.SetData("1^2");
    EXPECT_EQ(sub.Dados(), "1;29;3");
    EXPECT_EQ(master.Dados(), "a^b^1;29;3");
    EXPECT_EQ(recorder.Beeps(), 3);
    EXPECT_EQ(sub.RecordSeparators(), Strings{"^"});
    EXPECT_EQ(sub.PieceSeparators(), (Strings{";", "^"}));
}

// A piece group 2 to 4 (Separador "|"): "^" moves along the run, "|" would cut it.
TEST(SeparatorRefusal, PieceGroup_RefusesItsOwnSeparator_TheMastersMovesAlongTheRun)
{
    MessageRecorder recorder;
    CountingGlobal master;
    master.SetData("a^b^c^d^e");
    TMPieceGroup group(nullptr);
    group.SetSeparador("|");
    group.SetPieceInicial(2);
    group.SetPiece_Final(4);
    group.SetMGlobal(&master);
    BoundEditScreen<TMEdit> screen;
    screen.edit->SetPiece(1);
    screen.edit->SetMGlobal(&group);
    master.NotificarLinks();
    ASSERT_EQ(screen.edit->Text(), "b^c^d^");

    screen.edit->selectAll();
    QTest::keyClicks(screen.edit, "x^y|z");
    EXPECT_EQ(master.Dados(), "a^x^yz^^e");
    EXPECT_EQ(recorder.Beeps(), 1);
    EXPECT_TRUE(group.RecordSeparators().empty());
}

// A piece group on a sub-piece: the run is cut at the sub-piece's ";", and the pieces go
// on into the master's "^"-piece, so neither "|" nor "^" may enter.
TEST(SeparatorRefusal, SubBindersChained_RefuseEverySeparatorDownTheChain)
{
    MessageRecorder recorder;
    CountingGlobal master;
    master.SetData("a^1;2;3");
    TMSubPiece sub(nullptr);
    sub.SetSeparador(";");
    sub.SetPiece(2);
    sub.SetMGlobal(&master);
    TMPieceGroup group(nullptr);
    group.SetSeparador("|");
    group.SetPieceInicial(1);
    group.SetPiece_Final(2);
    group.SetMGlobal(&sub);
    EXPECT_EQ(group.PieceSeparators(), (Strings{"|", "^"}));
    master.NotificarLinks();
    ASSERT_EQ(group.GetPiece(1), "1;2;");

    group.SetData("x^y;");
    EXPECT_EQ(master.Dados(), "a^1;2;3");
    EXPECT_EQ(recorder.Beeps(), 1);
    group.SetData("x;y;");
    EXPECT_EQ(master.Dados(), "a^x;y;3");
}

} // namespace
