// The toolkit radio group: the selection and its limits, the one tab-stop button, and
// enter and exit of the group as a whole.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "support/ActiveWindow.h"
#include "support/ParamNames.h"
#include "toolkit/RadioGroup.h"

namespace {

const std::vector<std::string> kItems = {"Um", "Dois", "Tr\xEAs"};

// A shown, active window: an edit, focused, then the group with three buttons, then an edit.
struct GroupScreen {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    TCustomRadioGroup* group = new TCustomRadioGroup(nullptr, &window);
    QLineEdit* after = new QLineEdit(&window);
    std::vector<std::string> events;

    explicit GroupScreen(int Selected)
    {
        group->SetItems(kItems);
        group->SetItemIndex(Selected);
        ShowActive(window, {before, group, after});
        group->OnEnter = [this](TObject*) { events.push_back("enter"); };
        group->OnExit = [this](TObject*) { events.push_back("exit"); };
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }
};

struct IndexCase {
    int written;
    int selected;
};

void PrintTo(const IndexCase& c, std::ostream* out) { *out << c.written << " selects " << c.selected; }

class RadioGroupItemIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(RadioGroupItemIndex, BelowMinusOneSelectsNothingAndBeyondTheLastSelectsTheLast)
{
    TCustomRadioGroup group(nullptr);
    group.SetItems(kItems);
    group.SetItemIndex(1);
    group.SetItemIndex(GetParam().written);
    EXPECT_EQ(group.ItemIndex(), GetParam().selected);
    for (int i = 0; i < group.ItemCount(); ++i)
        EXPECT_EQ(group.Button(i)->isChecked(), i == GetParam().selected) << i;
}

INSTANTIATE_TEST_SUITE_P(Indexes, RadioGroupItemIndex,
                         ::testing::Values(IndexCase{0, 0}, IndexCase{2, 2}, IndexCase{-1, -1}, IndexCase{-7, -1},
                                           IndexCase{3, 2}, IndexCase{99, 2}),
                         [](const auto& Info) { return "Set_" + NamePart(std::to_string(Info.param.written)); });

TEST(RadioGroupItems, ShowsTheItemTextsAndAGroupWithoutButtonsSelectsNothing)
{
    TCustomRadioGroup group(nullptr);
    group.SetItemIndex(4);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItems(kItems);
    EXPECT_EQ(group.Items(), kItems);
    EXPECT_EQ(group.Button(2)->text(), QStringLiteral("Três"));
    EXPECT_EQ(group.ItemIndex(), -1);
}

TEST(RadioGroupItems, NewItemsKeepTheSelectionWithinTheNewButtons)
{
    TCustomRadioGroup group(nullptr);
    group.SetItems(kItems);
    group.SetItemIndex(2);
    group.SetItems({"a", "b", "c", "d"});
    EXPECT_EQ(group.ItemIndex(), 2);
    group.SetItems({"a", "b"});
    EXPECT_EQ(group.ItemIndex(), 1);
    group.SetItems({});
    EXPECT_EQ(group.ItemIndex(), -1);
}

// --- focus, enter and exit ---------------------------------------------------------------------

TEST(RadioGroupFocus, TabEntersAtTheSelectedButtonAndTheNextTabLeavesTheGroup)
{
    GroupScreen screen(2);
    QTest::keyClick(screen.before, Qt::Key_Tab);
    EXPECT_EQ(screen.Focused(), screen.group->Button(2));
    QTest::keyClick(screen.Focused(), Qt::Key_Tab);
    EXPECT_EQ(screen.Focused(), screen.after);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter", "exit"}));
}

TEST(RadioGroupFocus, WithNothingSelectedTabEntersAtTheFirstButton)
{
    GroupScreen screen(-1);
    QTest::keyClick(screen.before, Qt::Key_Tab);
    EXPECT_EQ(screen.Focused(), screen.group->Button(0));
    QTest::keyClick(screen.Focused(), Qt::Key_Backtab);
    EXPECT_EQ(screen.Focused(), screen.before);
}

TEST(RadioGroupFocus, ArrowsSelectAnotherButtonWithoutLeavingTheGroup)
{
    GroupScreen screen(0);
    QTest::keyClick(screen.before, Qt::Key_Tab);
    QTest::keyClick(screen.Focused(), Qt::Key_Down);
    EXPECT_EQ(screen.group->ItemIndex(), 1);
    EXPECT_EQ(screen.Focused(), screen.group->Button(1));
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter"}));
    QTest::keyClick(screen.Focused(), Qt::Key_Tab);
    EXPECT_EQ(screen.Focused(), screen.after);
}

TEST(RadioGroupFocus, AClickOnAnotherButtonEntersTheGroupAndSelectsThatButton)
{
    GroupScreen screen(0);
    QRadioButton* button = screen.group->Button(2);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2)); // on the circle
    EXPECT_EQ(screen.group->ItemIndex(), 2);
    EXPECT_EQ(screen.Focused(), screen.group->Button(2));
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter"}));
}

TEST(RadioGroupFocus, DisablingTheFocusedGroupIsNoExitAndTheNextFocusIsAnEnter)
{
    GroupScreen screen(1);
    QTest::keyClick(screen.before, Qt::Key_Tab);
    ASSERT_EQ(screen.Focused(), screen.group->Button(1));
    screen.group->setEnabled(false);
    EXPECT_FALSE(screen.group->Button(1)->hasFocus());
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter"}));
    screen.group->setEnabled(true);
    screen.group->SetFocus();
    screen.after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter", "enter", "exit"}));
}

TEST(RadioGroupFocus, SetFocusGoesToTheSelectedButtonOrTheFirst)
{
    GroupScreen screen(1);
    screen.group->SetFocus();
    EXPECT_EQ(screen.Focused(), screen.group->Button(1));
    screen.before->setFocus(Qt::TabFocusReason);
    screen.group->SetItemIndex(-1);
    screen.group->SetFocus();
    EXPECT_EQ(screen.Focused(), screen.group->Button(0));
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter", "exit", "enter"}));
}

TEST(RadioGroupFocus, ButtonsOfItemsSetOnAShownGroupTakeTheFocusAtOnce)
{
    GroupScreen screen(-1);
    screen.group->SetItems({"a", "b"});
    screen.group->SetItemIndex(1);
    screen.group->SetFocus();
    EXPECT_EQ(screen.Focused(), screen.group->Button(1));
}

} // namespace
