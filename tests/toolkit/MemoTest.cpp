// The toolkit memo: its text as CR LF-joined 8-bit lines, writes by code, the key-press
// step with WantReturns, and enter and exit as the library counts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "support/ActiveWindow.h"
#include "support/Recorders.h"
#include "toolkit/Memo.h"

namespace {

// A shown, active window with the memo, focused, and an edit after it.
struct MemoScreen {
    QWidget window;
    TCustomMemo* memo = new TCustomMemo(nullptr, &window);
    QLineEdit* next = new QLineEdit(&window);
    std::vector<std::string> events;

    MemoScreen()
    {
        ShowActive(window, {memo, next});
        memo->OnEnter = [this](TObject*) { events.push_back("enter"); };
        memo->OnExit = [this](TObject*) { events.push_back("exit"); };
    }
};

void SendFocus(QWidget* Widget, QEvent::Type Type, Qt::FocusReason Reason)
{
    QFocusEvent event(Type, Reason);
    QApplication::sendEvent(Widget, &event);
}

TEST(MemoText, LinesAreJoinedByCrLfAndEveryWindows1252ByteSurvives)
{
    TCustomMemo memo(nullptr);
    const std::string text = "um\r\nc\xE7\xE3o\xA0x\r\n\r\n\x80 fim";
    memo.SetText(text);
    EXPECT_EQ(memo.blockCount(), 4);
    EXPECT_EQ(memo.Text(), text);
}

TEST(MemoText, ALoneCrOrLfSetByCodeBreaksTheLineAndReadsBackAsCrLf)
{
    TCustomMemo memo(nullptr);
    memo.SetText("a\nb\rc");
    EXPECT_EQ(memo.Text(), "a\r\nb\r\nc");
}

TEST(MemoText, WritingByCodeFiresOnChangeOnceAndClearsModifiedButTheSameTextIsNoWrite)
{
    TCustomMemo memo(nullptr);
    int changes = 0;
    memo.OnChange = [&](TObject*) { ++changes; };
    QTest::keyClicks(&memo, "ab");
    ASSERT_TRUE(memo.Modified());
    ASSERT_EQ(changes, 2);
    memo.SetText("ab");
    EXPECT_TRUE(memo.Modified());
    EXPECT_EQ(changes, 2);
    memo.SetText("a\r\nb");
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(changes, 3);
}

TEST(MemoText, TheCursorKeepsItsPlaceWhenCodeReplacesTheText)
{
    TCustomMemo memo(nullptr);
    QTest::keyClicks(&memo, "ab;cd");
    QTest::keyClick(&memo, Qt::Key_Left);
    QTest::keyClick(&memo, Qt::Key_Left);
    memo.SetText("ab\r\ncd");
    QTest::keyClicks(&memo, "X");
    EXPECT_EQ(memo.Text(), "ab\r\nXcd");
    memo.SetText("z");
    QTest::keyClicks(&memo, "Y");
    EXPECT_EQ(memo.Text(), "zY");
}

// --- keys -----------------------------------------------------------------------------------

TEST(MemoKeys, EnterBreaksTheLineOnlyWithWantReturnsAndOnKeyPressSeesItEitherWay)
{
    for (const bool wantReturns : {true, false}) {
        TCustomMemo memo(nullptr);
        memo.SetWantReturns(wantReturns);
        std::string seen;
        memo.OnKeyPress = [&](TObject*, char& Key) { seen += Key; };
        QTest::keyClicks(&memo, "a");
        QTest::keyClick(&memo, Qt::Key_Return);
        QTest::keyClicks(&memo, "b");
        EXPECT_EQ(seen, "a\rb");
        EXPECT_EQ(memo.Text(), wantReturns ? "a\r\nb" : "ab");
    }
}

TEST(MemoKeys, OnKeyPressCanChangeOrDropTheCharacter)
{
    TCustomMemo memo(nullptr);
    memo.OnKeyPress = [](TObject*, char& Key) {
        if (Key == 'x')
            Key = 0;
        else if (Key == 'e')
            Key = '\xE9';
        else if (Key == '#')
            Key = '\r';
    };
    QTest::keyClicks(&memo, "axe#b");
    EXPECT_EQ(memo.Text(), "a\xE9\r\nb");
}

// --- enter and exit ------------------------------------------------------------------------

TEST(MemoSteps, TabLeavesTheMemoTypingNothingAndRunsOneExit)
{
    MemoScreen screen;
    QTest::keyClicks(screen.memo, "a");
    QTest::keyClick(screen.memo, Qt::Key_Tab);
    EXPECT_TRUE(screen.next->hasFocus());
    EXPECT_EQ(screen.memo->Text(), "a");
    EXPECT_EQ(screen.events, (std::vector<std::string>{"exit"}));
    screen.memo->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"exit", "enter"}));
}

TEST(MemoSteps, SwitchingWindowsOrOpeningAPopupIsNeitherAnExitNorAnEnter)
{
    MemoScreen screen;
    for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        SendFocus(screen.memo, QEvent::FocusOut, reason);
        SendFocus(screen.memo, QEvent::FocusIn, reason);
    }
    EXPECT_TRUE(screen.events.empty());
}

TEST(MemoSteps, FocusTakenBackDuringTheExitIsNoNewEnter)
{
    MemoScreen screen;
    screen.memo->OnExit = [&screen](TObject*) {
        screen.events.push_back("exit");
        screen.memo->setFocus(Qt::OtherFocusReason);
    };
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(screen.memo->hasFocus());
    EXPECT_EQ(screen.events, (std::vector<std::string>{"exit"}));
}

TEST(MemoSteps, DisablingTheFocusedMemoIsNoExitAndTheNextFocusIsAnEnter)
{
    MemoScreen screen;
    screen.memo->setEnabled(false);
    EXPECT_TRUE(screen.next->hasFocus());
    EXPECT_TRUE(screen.events.empty());
    screen.memo->setEnabled(true);
    screen.memo->setFocus(Qt::TabFocusReason);
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(screen.events, (std::vector<std::string>{"enter", "exit"}));
}

TEST(MemoSteps, ExceptionsOfTheStepsGoToTheReport)
{
    MessageRecorder recorder;
    MemoScreen screen;
    screen.memo->OnChange = [](TObject*) { throw Exception("change failed"); };
    screen.memo->OnExit = [](TObject*) { throw Exception("exit failed"); };
    QTest::keyClicks(screen.memo, "a");
    screen.next->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{"change failed", "exit failed"}));
    EXPECT_EQ(screen.memo->Text(), "a");
    EXPECT_TRUE(screen.next->hasFocus());
}

} // namespace
