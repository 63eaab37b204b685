// The plain edit's steps as the library runs them: exceptions go to the exception report,
// enter and exit follow moves of the focus between controls only, and code that writes
// the text already shown changes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "support/ActiveWindow.h"
#include "support/Recorders.h"
#include "toolkit/Edit.h"

namespace {

// A shown, active window with two edits, the first one focused.
struct TwoEdits {
    QWidget window;
    TCustomEdit* first = new TCustomEdit(nullptr, &window);
    TCustomEdit* second = new TCustomEdit(nullptr, &window);
    std::vector<std::string> events;

    TwoEdits()
    {
        ShowActive(window, {first, second});
        first->OnEnter = [this](TObject*) { events.push_back("enter"); };
        first->OnExit = [this](TObject*) { events.push_back("exit"); };
    }
};

void SendFocus(QWidget* Widget, QEvent::Type Type, Qt::FocusReason Reason)
{
    QFocusEvent event(Type, Reason);
    QApplication::sendEvent(Widget, &event);
}

TEST(EditSteps, ExceptionsOfTheStepsGoToTheReportAndTheEditGoesOn)
{
    MessageRecorder recorder;
    TwoEdits screen;
    screen.first->OnChange = [](TObject*) { throw Exception("change failed"); };
    screen.first->OnKeyPress = [](TObject*, char& Key) {
        if (Key == 'x')
            throw Exception("key refused");
    };
    screen.first->OnExit = [](TObject*) { throw Exception("exit failed"); };

    EXPECT_NO_THROW(screen.first->SetText("a"));
    QTest::keyClicks(screen.first, "x");
    screen.second->setFocus(Qt::TabFocusReason);

    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{"change failed", "key refused", "exit failed"}));
    EXPECT_EQ(screen.first->Text(), "a");
    EXPECT_TRUE(screen.second->hasFocus());
}

TEST(EditSteps, AnAbortEndsItsStepWithoutAReport)
{
    MessageRecorder recorder;
    TwoEdits screen;
    std::vector<std::string> steps;
    screen.first->OnChange = [&](TObject*) {
        steps.push_back("change");
        throw EAbort("change ended");
    };
    screen.first->OnExit = [&](TObject*) {
        steps.push_back("exit");
        throw EAbort("exit ended");
    };

    screen.first->SetText("a");
    screen.second->setFocus(Qt::TabFocusReason);

    EXPECT_EQ(steps, (std::vector<std::string>{"change", "exit"}));
    EXPECT_TRUE(recorder.Exceptions().empty());
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_TRUE(screen.second->hasFocus());
}

TEST(EditSteps, SwitchingWindowsOrOpeningAPopupIsNeitherAnExitNorAnEnter)
{
    TwoEdits screen;
    for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        SendFocus(screen.first, QEvent::FocusOut, reason);
        SendFocus(screen.first, QEvent::FocusIn, reason);
    }
    EXPECT_TRUE(screen.events.empty());
    screen.second->setFocus(Qt::TabFocusReason);
    screen.first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"exit", "enter"}));
}

TEST(EditSteps, FocusTakenBackDuringTheExitIsNoNewEnterAndTheOtherEditIsNotExited)
{
    TwoEdits screen;
    screen.first->OnExit = [&screen](TObject*) {
        screen.events.push_back("exit");
        screen.first->setFocus(Qt::OtherFocusReason);
    };
    std::vector<std::string> secondEvents;
    screen.second->OnEnter = [&](TObject*) { secondEvents.push_back("enter"); };
    screen.second->OnExit = [&](TObject*) { secondEvents.push_back("exit"); };

    screen.second->setFocus(Qt::TabFocusReason);

    EXPECT_TRUE(screen.first->hasFocus());
    EXPECT_EQ(screen.events, (std::vector<std::string>{"exit"}));
    EXPECT_TRUE(secondEvents.empty());
}

TEST(EditSteps, DisablingTheFocusedEditIsNoExitAndTheNextFocusIsAnEnter)
{
    TwoEdits screen;
    screen.first->setEnabled(false);
    EXPECT_TRUE(screen.second->hasFocus());
    EXPECT_TRUE(screen.events.empty());
    screen.first->setEnabled(true);
    screen.first->setFocus(Qt::TabFocusReason);
    screen.second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter", "exit"}));
}

TEST(EditText, WritingTheShownTextAgainKeepsTheModifiedFlag)
{
    TCustomEdit edit(nullptr);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    QTest::keyClicks(&edit, "ab");
    ASSERT_TRUE(edit.Modified());
    edit.SetText("ab");
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(changes, 2);
    edit.SetText("abc");
    EXPECT_FALSE(edit.Modified());
    EXPECT_EQ(changes, 3);
}

TEST(EditText, SelLengthZeroCollapsesTheSelectionAtItsStart)
{
    TCustomEdit edit(nullptr);
    edit.SetText("12345");
    edit.setSelection(1, 3);
    ASSERT_EQ(edit.SelLength(), 3);
    edit.SetSelLength(0);
    EXPECT_EQ(edit.SelLength(), 0);
    EXPECT_EQ(edit.SelStart(), 1);
}

} // namespace
