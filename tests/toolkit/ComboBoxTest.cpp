// The toolkit combo box (selection, text of both styles, typing, exit and key-down steps)
// and the plain string list.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "toolkit/Application.h"
#include "toolkit/Collections.h"
#include "toolkit/ComboBox.h"
#include "toolkit/StringList.h"

namespace {

const std::vector<std::string> kPortas = {"COM1", "COM2", "COM3"};

// A shown, active window with the combo and an edit to move the focus to.
struct ComboScreen {
    QWidget window;
    TCustomComboBox* combo;
    QLineEdit* next;

    explicit ComboScreen(TComboBoxStyle Style)
    {
        auto* layout = new QVBoxLayout(&window);
        combo = new TCustomComboBox(nullptr, &window);
        combo->SetStyle(Style);
        combo->SetItems(kPortas);
        next = new QLineEdit(&window);
        layout->addWidget(combo);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
        [this] { ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 2000)); }();
        combo->setFocus(Qt::TabFocusReason);
    }
};

// --- selection and text ------------------------------------------------------------------

TEST(ComboBoxItems, AddingItemsSelectsNothingInEitherStyle)
{
    for (TComboBoxStyle style : {csDropDown, csDropDownList}) {
        TCustomComboBox combo(nullptr);
        combo.SetStyle(style);
        combo.AddItemText("COM1");
        combo.AddItemText("COM2");
        EXPECT_EQ(combo.ItemIndex(), -1);
        EXPECT_EQ(combo.Text(), "");
        EXPECT_EQ(combo.Items(), (std::vector<std::string>{"COM1", "COM2"}));
    }
}

TEST(ComboBoxItems, AddingAnItemKeepsTheTypedTextAndTheSelection)
{
    TCustomComboBox combo(nullptr);
    combo.SetText("typed");
    combo.AddItemText("a");
    EXPECT_EQ(combo.Text(), "typed");
    combo.SetItemIndex(0);
    combo.AddItemText("b");
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.Text(), "a");
}

TEST(ComboBoxItems, IndexOutsideTheItemsSelectsNothingAndEmptiesTheText)
{
    for (TComboBoxStyle style : {csDropDown, csDropDownList}) {
        TCustomComboBox combo(nullptr);
        combo.SetStyle(style);
        combo.SetItems(kPortas);
        combo.SetItemIndex(1);
        EXPECT_EQ(combo.Text(), "COM2");
        combo.SetItemIndex(3);
        EXPECT_EQ(combo.ItemIndex(), -1);
        EXPECT_EQ(combo.Text(), "");
        combo.SetItemIndex(2);
        combo.SetItemIndex(-5);
        EXPECT_EQ(combo.ItemIndex(), -1);
    }
}

TEST(ComboBoxItems, ClearingEmptiesItemsSelectionAndText)
{
    TCustomComboBox combo(nullptr);
    combo.SetItems(kPortas);
    combo.SetItemIndex(0);
    combo.ClearItemTexts();
    EXPECT_EQ(combo.ItemCount(), 0);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
}

TEST(ComboBoxText, ListSelectsOnlyAnItemOfExactlyThatText)
{
    TCustomComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    combo.SetItems(kPortas);
    combo.SetText("COM3");
    EXPECT_EQ(combo.ItemIndex(), 2);
    combo.SetText("com1");
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
}

TEST(ComboBoxText, DropDownShowsAnyTextWithNothingSelected)
{
    TCustomComboBox combo(nullptr);
    combo.SetItems(kPortas);
    combo.SetItemIndex(1);
    combo.SetText("COM9");
    EXPECT_EQ(combo.Text(), "COM9");
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST(ComboBoxText, EightBitTextsReachTheScreenAsWindows1252)
{
    TCustomComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    combo.SetItems({"Balan\xE7" "a"});
    combo.SetItemIndex(0);
    EXPECT_EQ(combo.currentText(), QStringLiteral("Balança"));
    EXPECT_EQ(combo.Text(), "Balan\xE7" "a");
}

TEST(ComboBoxText, StyleChangeKeepsItemsAndSelection)
{
    TCustomComboBox combo(nullptr);
    combo.SetItems(kPortas);
    combo.SetItemIndex(2);
    combo.SetStyle(csDropDownList);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.Text(), "COM3");
    EXPECT_FALSE(combo.isEditable());
}

// --- typing ------------------------------------------------------------------------------------

TEST(ComboBoxTyping, TypedTextLeavesNoItemSelected)
{
    ComboScreen screen(csDropDown);
    screen.combo->SetItemIndex(0);
    QTest::keyClick(screen.combo, Qt::Key_End);
    QTest::keyClicks(screen.combo, "X");
    EXPECT_EQ(screen.combo->Text(), "COM1X");
    EXPECT_EQ(screen.combo->ItemIndex(), -1);
}

TEST(ComboBoxTyping, EnterAddsNoItem)
{
    ComboScreen screen(csDropDown);
    QTest::keyClicks(screen.combo, "COM7");
    QTest::keyClick(screen.combo, Qt::Key_Return);
    EXPECT_EQ(screen.combo->Items(), kPortas);
    EXPECT_EQ(screen.combo->Text(), "COM7");
}

TEST(ComboBoxTyping, ArrowKeysPickItemsInAList)
{
    ComboScreen screen(csDropDownList);
    QTest::keyClick(screen.combo, Qt::Key_Down);
    QTest::keyClick(screen.combo, Qt::Key_Down);
    EXPECT_EQ(screen.combo->Text(), "COM2");
}

// --- steps and events ---------------------------------------------------------------------------

TEST(ComboBoxKeyDown, HandlerSeesTheKeyAndConsumesItBySettingZero)
{
    ComboScreen screen(csDropDownList);
    std::vector<int> seen;
    screen.combo->OnKeyDown = [&](TObject* Sender, int& Key, Qt::KeyboardModifiers) {
        EXPECT_EQ(Sender, static_cast<TObject*>(screen.combo));
        seen.push_back(Key);
        if (Key == Qt::Key_Down)
            Key = 0;
    };
    QTest::keyClick(screen.combo, Qt::Key_Down);
    EXPECT_EQ(screen.combo->ItemIndex(), -1);
    screen.combo->OnKeyDown = nullptr;
    QTest::keyClick(screen.combo, Qt::Key_Down);
    EXPECT_EQ(screen.combo->ItemIndex(), 0);
    EXPECT_EQ(seen, (std::vector<int>{Qt::Key_Down}));
}

TEST(ComboBoxExit, LeavingFiresOnExitOnce)
{
    ComboScreen screen(csDropDownList);
    int exits = 0;
    screen.combo->OnExit = [&](TObject*) { ++exits; };
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(exits, 1);
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(exits, 1);
}

TEST(ComboBoxExit, DisablingTheFocusedComboIsNoExit)
{
    ComboScreen screen(csDropDownList);
    int exits = 0;
    screen.combo->OnExit = [&](TObject*) { ++exits; };
    screen.combo->setEnabled(false);
    EXPECT_TRUE(screen.next->hasFocus());
    EXPECT_EQ(exits, 0);
    screen.combo->setEnabled(true);
    screen.combo->setFocus(Qt::TabFocusReason);
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(exits, 1);
}

TEST(ComboBoxExit, AnotherWindowTakingTheFocusIsNoExit)
{
    ComboScreen screen(csDropDownList);
    int exits = 0;
    screen.combo->OnExit = [&](TObject*) { ++exits; };
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 2000));
    EXPECT_EQ(exits, 0);
}

TEST(ComboBoxExit, ExceptionInOnExitGoesToTheReportAndTheFocusMovesOn)
{
    ComboScreen screen(csDropDownList);
    std::vector<std::string> reported;
    auto previous = Application::SetExceptionHook(
        [&](TObject*, const std::exception& E) { reported.push_back(E.what()); });
    screen.combo->OnExit = [](TObject*) { throw Exception("falhou"); };
    screen.next->setFocus(Qt::TabFocusReason);
    Application::SetExceptionHook(previous);
    EXPECT_EQ(reported, (std::vector<std::string>{"falhou"}));
    EXPECT_TRUE(screen.next->hasFocus());
}

// --- string list -------------------------------------------------------------------------------

TEST(StringList, IndexOfIgnoresLetterCaseAlsoOfAccentedLettersAndGivesTheFirst)
{
    TStringList list;
    list.Add("bal01");
    list.Add("Pesagem\xE7\xE3o");
    list.Add("BAL01");
    EXPECT_EQ(list.IndexOf("BAL01"), 0);
    EXPECT_EQ(list.IndexOf("PESAGEM\xC7\xC3O"), 1);
    EXPECT_EQ(list.IndexOf("BAL02"), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(StringList, StringsOutsideTheListRaiseListError)
{
    TStringList list;
    list.Add("a");
    EXPECT_EQ(list.Strings(0), "a");
    EXPECT_THROW(list.Strings(1), EListError);
    EXPECT_THROW(list.Strings(-1), EListError);
}

TEST(StringList, AssignCopiesAnotherListAndRefusesOtherClasses)
{
    TStringList source, copy;
    source.Add("x");
    source.Add("y");
    copy.Add("old");
    copy.Assign(&source);
    EXPECT_EQ(copy.AsVector(), (std::vector<std::string>{"x", "y"}));
    const TPersistent other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

} // namespace
