// TEDButton: the ellipsis button and F7, its size rules, and writing with PieceAtual set.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "mbind/BoundEditScreen.h"
#include "mbind/EDButton.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/Recorders.h"

namespace {

// A global without a server that records the PieceAtual each record write saw.
class WatchingGlobal : public TMGlobalBase {
public:
    WatchingGlobal() : TMGlobalBase(nullptr) {}
    void SetData(const std::string& Value) override
    {
        pieceAtualAtWrites.push_back(PieceAtual());
        TMGlobalBase::SetData(Value);
    }
    void Refresh() override { ++refreshes; }
    std::vector<int> pieceAtualAtWrites;
    int refreshes = 0;
};

// A TEDButton that counts its refreshes from the global.
class CountedButtonEdit : public TEDButton {
public:
    using TEDButton::TEDButton;
    void RefreshFromGlobal() override
    {
        ++refreshes;
        TEDButton::RefreshFromGlobal();
    }
    int refreshes = 0;
};

QToolButton* ButtonOf(TEDButton& Edit)
{
    return Edit.findChild<QToolButton*>();
}

// --- the button -------------------------------------------------------------------------

TEST(EDButtonButton, F7ClicksTheButtonAndTheKeyStillReachesTheEdit)
{
    TEDButton edit(nullptr);
    std::vector<std::string> events;
    edit.OnButtonClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &edit);
        events.push_back("button");
    };
    edit.OnKeyDown = [&](TObject*, int& Key, Qt::KeyboardModifiers) {
        if (Key != Qt::Key_Shift && Key != Qt::Key_Control) // QTest presses the modifiers too
            events.push_back(Key == Qt::Key_F7 ? "keydown F7" : "keydown other");
    };
    QTest::keyClick(&edit, Qt::Key_F7);
    QTest::keyClick(&edit, Qt::Key_F7, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_F6);
    EXPECT_EQ(events, (std::vector<std::string>{"button", "keydown F7", "button", "keydown F7", "keydown other"}));
}

TEST(EDButtonButton, MouseClickOnTheButtonFiresOnButtonClickAndLeavesTheFocusInTheEdit)
{
    BoundEditScreen<TEDButton> screen;
    int clicks = 0;
    screen.edit->OnButtonClick = [&](TObject*) { ++clicks; };
    QTest::mouseClick(ButtonOf(*screen.edit), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(screen.edit->hasFocus());
}

TEST(EDButtonButton, WithoutHandlerClickDoesNothing)
{
    TEDButton edit(nullptr);
    edit.ButtonClick();
    QTest::keyClick(&edit, Qt::Key_F7);
    EXPECT_EQ(edit.Text(), "");
}

TEST(EDButtonButton, PictureIsThreeTwoByTwoDotsInARowOnTwelveByTwelve)
{
    TEDButton edit(nullptr); // registers the library's resources
    const QImage picture = QPixmap(QStringLiteral(":/Ellipsis")).toImage();
    ASSERT_EQ(picture.size(), QSize(12, 12));
    int dark = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (qAlpha(picture.pixel(x, y)) != 0)
                ++dark;
    EXPECT_EQ(dark, 12);
    for (int x : {1, 2, 5, 6, 9, 10})
        for (int y : {5, 6})
            EXPECT_EQ(qGray(picture.pixel(x, y)), 0) << x << "," << y;
    EXPECT_FALSE(ButtonOf(edit)->icon().isNull());
}

TEST(EDButtonButton, ButtonIsSquareOfTheEditsHeightMinusTwoAtConstruction)
{
    TEDButton edit(nullptr);
    QToolButton* button = ButtonOf(edit);
    EXPECT_EQ(button->width(), edit.height() - 2);
    EXPECT_EQ(button->height(), edit.height() - 2);
    EXPECT_EQ(button->x(), edit.width() - edit.height() - 2);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
}

// --- sizes --------------------------------------------------------------------------------

TEST(EDButtonSize, EditSetLowerThanMinHeightGrowsBackToIt)
{
    QWidget window;
    auto* edit = new TEDButton(nullptr, &window);
    window.show();
    edit->resize(150, 5);
    EXPECT_EQ(edit->height(), edit->MinHeight());
    EXPECT_EQ(edit->width(), 150);
}

TEST(EDButtonSize, LargerFontRaisesMinHeight)
{
    QWidget window;
    auto* edit = new TEDButton(nullptr, &window);
    window.show();
    const int small = edit->MinHeight();
    QFont font = edit->font();
    font.setPointSize(font.pointSize() * 3);
    edit->setFont(font);
    EXPECT_GT(edit->MinHeight(), small);
    edit->resize(150, small);
    EXPECT_EQ(edit->height(), edit->MinHeight());
}

TEST(EDButtonSize, ButtonKeepsItsWidthAtTheRightEdgeInsideTheBorder)
{
    QWidget window;
    auto* edit = new TEDButton(nullptr, &window);
    window.show();
    QToolButton* button = ButtonOf(*edit);
    const int buttonWidth = button->width();
    edit->resize(200, 40);
    EXPECT_EQ(button->geometry(), QRect(2 + 200 - buttonWidth - 5, 2, buttonWidth, 35));
    EXPECT_EQ(edit->textMargins().right(), buttonWidth + 2);
    edit->SetCtl3D(false);
    edit->resize(180, 40);
    EXPECT_EQ(button->geometry(), QRect(180 - buttonWidth, 1, buttonWidth, 37));
}

// --- writing -----------------------------------------------------------------------------

TEST(EDButtonWrite, TypingWritesWithPieceAtualSetSoNoEditOfThePieceIsRedrawn)
{
    WatchingGlobal global;
    CountedButtonEdit button(nullptr);
    TMEdit plain(nullptr);
    button.SetPiece(2);
    plain.SetPiece(2);
    button.SetMGlobal(&global);
    plain.SetMGlobal(&global);
    QTest::keyClicks(&button, "ab");
    EXPECT_EQ(global.Dados(), "^ab");
    EXPECT_EQ(global.pieceAtualAtWrites, (std::vector<int>{2, 2}));
    EXPECT_EQ(global.PieceAtual(), 0);
    EXPECT_EQ(button.refreshes, 0);
    EXPECT_EQ(plain.Text(), ""); // shown at the global's next notification
}

TEST(EDButtonWrite, TMEditTypingIsRedrawnWithWhatItWrote)
{
    WatchingGlobal global;
    CountedButtonEdit other(nullptr);
    TMEdit typing(nullptr);
    other.SetPiece(1);
    typing.SetPiece(1);
    other.SetMGlobal(&global);
    typing.SetMGlobal(&global);
    QTest::keyClicks(&typing, "x");
    EXPECT_EQ(global.pieceAtualAtWrites, (std::vector<int>{0}));
    EXPECT_EQ(other.refreshes, 1);
    EXPECT_EQ(other.Text(), "x");
    EXPECT_EQ(typing.Text(), "x");
}

TEST(EDButtonKeys, EnterInsertsNothing)
{
    TEDButton edit(nullptr);
    QTest::keyClicks(&edit, "a");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "b");
    EXPECT_EQ(edit.Text(), "ab");
}

// --- leaving -------------------------------------------------------------------------------

TEST(EDButtonExit, RefusedValueKeepsTheFocusWithTheTextSelected)
{
    MessageRecorder recorder;
    FakeVisM vism;
    WatchingGlobal global;
    global.SetVisM(&vism);
    TGloChek* rule = global.PieceCheck()->Add();
    rule->SetPiece(1);
    rule->SetMCode("X");
    BoundEditScreen<TEDButton> screen;
    screen.edit->SetPiece(1);
    screen.edit->SetMGlobal(&global);
    int exits = 0;
    screen.edit->OnExit = [&](TObject*) { ++exits; };
    QTest::keyClicks(screen.edit, "no");
    vism.Expect(R"($$CHECK^%CSWWGLOB("X","no","","no"))", {.result = TVariant("1")});
    screen.Leave();
    EXPECT_TRUE(screen.edit->hasFocus());
    EXPECT_EQ(screen.edit->selectedText(), QStringLiteral("no"));
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(recorder.Beeps(), 1); // no message line for the answer
}

// --- destruction ------------------------------------------------------------------------------

TEST(EDButtonDestruction, DestroyedEditLeavesItsGlobalAndItsKeys)
{
    WatchingGlobal global;
    TMGlobalChave* level = global.GlobalChaves()->Add();
    auto edit = std::make_unique<TEDButton>(nullptr);
    edit->SetMGlobal(&global);
    level->SetControl(edit.get());
    ASSERT_EQ(level->Control(), edit.get());
    edit.reset();
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(level->Control(), nullptr);
}

} // namespace
