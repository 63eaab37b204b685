// Texts a text control refuses from the user: typing, pasting and the edits Qt makes
// itself are refused with a beep and change nothing; writes by code always stand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "support/Recorders.h"
#include "toolkit/ComboBox.h"
#include "toolkit/Edit.h"
#include "toolkit/InputRefusal.h"
#include "toolkit/MaskEdit.h"
#include "toolkit/Memo.h"

namespace {

using Strings = std::vector<std::string>;

// A toolkit control that refuses the texts in refused.
template <class Control>
class Refusing : public Control, public IRefusedInput {
public:
    explicit Refusing(Strings Refused) : Control(nullptr), refused(std::move(Refused))
    {
        this->OnChange = [this](TObject*) { ++changes; };
    }
    std::vector<std::string> RefusedInput() const override { return refused; }

    Strings refused;
    int changes = 0;
};

// For a combo box, which has no OnChange.
class RefusingCombo : public TCustomComboBox, public IRefusedInput {
public:
    explicit RefusingCombo(Strings Refused) : TCustomComboBox(nullptr), refused(std::move(Refused)) {}
    std::vector<std::string> RefusedInput() const override { return refused; }
    Strings refused;
};

void Paste(QWidget* Control, const std::string& Text)
{
    QApplication::clipboard()->setText(QString::fromStdString(Text));
    QTest::keyClick(Control, Qt::Key_V, Qt::ControlModifier);
}

TEST(InputRefusalTexts, HeldAndAddedOccurrences)
{
    EXPECT_TRUE(HoldsAnyOf("a^b", {"|", "^"}));
    EXPECT_FALSE(HoldsAnyOf("a^b", {"|", ""}));
    EXPECT_FALSE(HoldsAnyOf("", {"^"}));

    struct Case {
        const char* before;
        const char* after;
        Strings texts;
        bool adds;
    };
    const std::vector<Case> cases = {
        {"ab", "a^b", {"^"}, true},   {"a^b", "a^bc", {"^"}, false}, {"a^b", "^ab^", {"^"}, true},
        {"a^b", "ab", {"^"}, false},  {"a<", "a<>", {"<>"}, true},   {"<>", "<><", {"<>"}, false},
        {"<<>", "<<>>", {"<>"}, false}, {"ab", "a^b", {""}, false},  {"ab", "a;b", {"^", ";"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddsAnyOf(c.before, c.after, c.texts), c.adds) << c.before << " -> " << c.after;
}

TEST(InputRefusalEdit, TypedAndPastedRefusedTextsBeepAndChangeNothing)
{
    MessageRecorder recorder;
    Refusing<TCustomEdit> edit({"^"});
    QTest::keyClicks(&edit, "a^b");
    EXPECT_EQ(edit.Text(), "ab");
    EXPECT_EQ(edit.changes, 2);
    EXPECT_EQ(recorder.Beeps(), 1);

    Paste(&edit, "x^y");
    edit.insert(QStringLiteral("^")); // as the context menu's paste and a drop do
    EXPECT_EQ(edit.Text(), "ab");
    EXPECT_EQ(edit.cursorPosition(), 2);
    EXPECT_EQ(edit.changes, 2);
    EXPECT_EQ(recorder.Beeps(), 3);

    Paste(&edit, "xy");
    EXPECT_EQ(edit.Text(), "abxy");
    EXPECT_EQ(recorder.Beeps(), 3);
}

TEST(InputRefusalEdit, CodeWritesStand_AndTypingBesideWhatTheyBroughtIsFree)
{
    MessageRecorder recorder;
    Refusing<TCustomEdit> edit({"^"});
    edit.SetText("a^b");
    EXPECT_EQ(edit.Text(), "a^b");
    edit.setCursorPosition(3);
    QTest::keyClicks(&edit, "c");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), "^b");
    QTest::keyClicks(&edit, "^");
    EXPECT_EQ(edit.Text(), "^b");
    EXPECT_EQ(recorder.Beeps(), 1);
}

TEST(InputRefusalEdit, WhatIsRefusedIsAskedAtEachEdit_ALongerTextByItsLastCharacter)
{
    MessageRecorder recorder;
    Refusing<TCustomEdit> edit({"<>"});
    QTest::keyClicks(&edit, "a<b<>");
    EXPECT_EQ(edit.Text(), "a<b<");
    edit.refused = {};
    QTest::keyClicks(&edit, ">");
    EXPECT_EQ(edit.Text(), "a<b<>");
    EXPECT_EQ(recorder.Beeps(), 1);
}

TEST(InputRefusalMaskEdit, RefusedTypingLeavesTextAndCursor_MaskedOrNot)
{
    for (const char* mask : {"", "cccc;1;_"}) {
        SCOPED_TRACE(mask);
        MessageRecorder recorder;
        Refusing<TCustomMaskEdit> edit({"^"});
        edit.SetEditMask(mask);
        edit.changes = 0;
        edit.setCursorPosition(0);
        QTest::keyClicks(&edit, "a^");
        EXPECT_EQ(edit.Text().substr(0, 1), "a");
        EXPECT_EQ(edit.Text().find('^'), std::string::npos);
        EXPECT_EQ(edit.cursorPosition(), 1);
        Paste(&edit, "^");
        EXPECT_EQ(edit.Text().find('^'), std::string::npos);
        EXPECT_EQ(edit.changes, 1);
        EXPECT_EQ(recorder.Beeps(), 2);
    }
}

TEST(InputRefusalMemo, TypedPastedAndLineBreakRefusals)
{
    MessageRecorder recorder;
    Refusing<TCustomMemo> memo({"^", ";"});
    QTest::keyClicks(&memo, "a^;b");
    QTest::keyClick(&memo, Qt::Key_Return);
    Paste(&memo, "c^d");
    Paste(&memo, "c\nd");
    EXPECT_EQ(memo.Text(), "ab\r\nc\r\nd");
    EXPECT_EQ(recorder.Beeps(), 3);

    // A refused text may hold a line break.
    memo.refused = {"x\r\ny"};
    memo.SetText("x");
    QTextCursor cursor = memo.textCursor();
    cursor.movePosition(QTextCursor::End);
    memo.setTextCursor(cursor);
    QTest::keyClick(&memo, Qt::Key_Return);
    EXPECT_EQ(memo.Text(), "x\r\n");
    QTest::keyClicks(&memo, "y");
    EXPECT_EQ(memo.Text(), "x\r\n");
    EXPECT_EQ(recorder.Beeps(), 4);
}

TEST(InputRefusalMemo, CodeWritesStand)
{
    MessageRecorder recorder;
    Refusing<TCustomMemo> memo({"^"});
    memo.SetText("a^b");
    EXPECT_EQ(memo.Text(), "a^b");
    EXPECT_EQ(recorder.Beeps(), 0);
}

TEST(InputRefusalComboBox, TypedAndPastedRefusedTextsBeepAndChangeNothing_ItemsStand)
{
    MessageRecorder recorder;
    RefusingCombo combo({"^"});
    combo.AddItemText("x^y");
    QTest::keyClicks(combo.lineEdit(), "a^b");
    Paste(combo.lineEdit(), "^");
    EXPECT_EQ(combo.Text(), "ab");
    EXPECT_EQ(recorder.Beeps(), 2);
    combo.SetItemIndex(0);
    EXPECT_EQ(combo.Text(), "x^y");

    // The list-only style has no edit; a new edit refuses again.
    combo.SetStyle(csDropDownList);
    combo.SetStyle(csDropDown);
    QTest::keyClicks(combo.lineEdit(), "^");
    EXPECT_EQ(recorder.Beeps(), 3);
}

} // namespace
