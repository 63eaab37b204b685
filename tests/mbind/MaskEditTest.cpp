// The library's masked edit: the edit-mask syntax, EditText and Text, typing under a mask,
// and the edit's steps (key press, Escape, the check on exit).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWidget>

#include "support/ActiveWindow.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"
#include "toolkit/MaskEdit.h"

namespace {

// --- the mask's fields -------------------------------------------------------------

TEST(EditMaskFields, DateMaskSavesLiteralsWithUnderscoreBlankAndLeadingBlanks)
{
    const TMaskLayout mask("!99/99/9999;1;_");
    EXPECT_TRUE(mask.IsMasked());
    EXPECT_TRUE(mask.SaveLiterals());
    EXPECT_EQ(mask.Blank(), '_');
    EXPECT_TRUE(mask.LeadingBlanks());
    EXPECT_EQ(mask.Length(), 10);
    EXPECT_EQ(mask.EmptyEditText(), "__/__/____");
}

TEST(EditMaskFields, MissingFieldsSaveLiteralsWithUnderscoreBlank)
{
    const TMaskLayout mask("000");
    EXPECT_TRUE(mask.SaveLiterals());
    EXPECT_EQ(mask.Blank(), '_');
    EXPECT_FALSE(mask.LeadingBlanks());
}

TEST(EditMaskFields, ZeroInSecondFieldDropsLiteralsAndThirdFieldNamesTheBlank)
{
    const TMaskLayout mask("(999)000-0000;0;*");
    EXPECT_FALSE(mask.SaveLiterals());
    EXPECT_EQ(mask.Blank(), '*');
    EXPECT_EQ(mask.EmptyEditText(), "(***)***-****");
}

TEST(EditMaskFields, EmptyMaskFieldIsNoMask)
{
    EXPECT_FALSE(TMaskLayout("").IsMasked());
    EXPECT_FALSE(TMaskLayout(";1;_").IsMasked());
}

TEST(EditMaskFields, BackslashMakesTheNextCharacterLiteralEvenASemicolon)
{
    const TMaskLayout mask("\\L0\\;0;1;#");
    EXPECT_EQ(mask.EmptyEditText(), "L#;#");
    EXPECT_FALSE(mask.IsInput(0));
    EXPECT_EQ(mask.Blank(), '#');
}

TEST(EditMaskFields, UnderscoreInMaskIsALiteralBlank)
{
    EXPECT_EQ(TMaskLayout("99_99").EmptyEditText(), "__ __");
}

TEST(EditMaskFields, RequiredPlacesAreZeroUpperLAAndC)
{
    const TMaskLayout mask("0L AC9la c#");
    const std::vector<bool> required = {true, true, false, true, true, false, false, false, false, false, false};
    for (int pos = 0; pos < mask.Length(); ++pos)
        EXPECT_EQ(mask.IsRequired(pos), required[static_cast<size_t>(pos)]) << "position " << pos;
}

// --- what each place takes -----------------------------------------------------------

struct AcceptCase {
    const char* mask;
    char typed;
    char stands; // 0: refused
};

void PrintTo(const AcceptCase& c, std::ostream* out)
{
    *out << Printable(c.mask) << " typed " << Printable(std::string(1, c.typed));
    if (c.stands == 0)
        *out << " refused";
    else
        *out << " stands as " << Printable(std::string(1, c.stands));
}

class EditMaskAccept : public testing::TestWithParam<AcceptCase> {};

TEST_P(EditMaskAccept, PlaceTakesOnlyItsClassOfCharacter)
{
    const AcceptCase& c = GetParam();
    EXPECT_EQ(TMaskLayout(c.mask).Accept(0, c.typed), c.stands) << c.mask << " '" << c.typed << "'";
}

INSTANTIATE_TEST_SUITE_P(Table, EditMaskAccept,
                         testing::Values(AcceptCase{"0", '5', '5'}, AcceptCase{"0", 'a', 0}, AcceptCase{"9", 'x', 0},
                                         AcceptCase{"9", '0', '0'}, AcceptCase{"#", '+', '+'},
                                         AcceptCase{"#", '-', '-'}, AcceptCase{"#", 'a', 0},
                                         AcceptCase{"L", 'a', 'a'}, AcceptCase{"L", '1', 0},
                                         AcceptCase{"l", '\xE9', '\xE9'}, AcceptCase{"A", '1', '1'},
                                         AcceptCase{"a", 'Z', 'Z'}, AcceptCase{"A", '-', 0},
                                         AcceptCase{"C", '-', '-'}, AcceptCase{"c", ' ', ' '},
                                         AcceptCase{">L", 'a', 'A'}, AcceptCase{"<L", 'Q', 'q'},
                                         AcceptCase{">l", '\xE9', '\xC9'}, AcceptCase{">l", '\xB5', '\xB5'},
                                         AcceptCase{"><L", 'a', 'a'},
                                         AcceptCase{"<>L", 'A', 'A'}, AcceptCase{"/", '/', 0}),
                         [](const auto& Info) {
                             return NamePart(Info.param.mask) + "_Typed_" +
                                    NamePart(std::string(1, Info.param.typed));
                         });

// --- Text into the mask and back --------------------------------------------------------

struct FormatCase {
    const char* mask;
    const char* value;
    const char* editText;
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << Printable(c.mask) << " " << Printable(c.value) << " is " << Printable(c.editText);
}

class EditMaskFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(EditMaskFormat, TextFitsIntoTheMask)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(TMaskLayout(c.mask).FormatText(c.value), c.editText) << c.mask << " <- \"" << c.value << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditMaskFormat,
    testing::Values(FormatCase{"!99/99/9999;1;_", "01/01/2000", "01/01/2000"},
                    FormatCase{"!99/99/9999;1;_", "1/1/2000", "_1/_1/2000"},
                    FormatCase{"99/99/9999;1;_", "1/1/2000", "1_/1_/2000"},
                    FormatCase{"!99/99/9999;1;_", "  /  /    ", "__/__/____"},
                    FormatCase{"!99/9999;1;_", "", "__/____"}, FormatCase{"!99/9999;1;_", "12/2020", "12/2020"},
                    FormatCase{"(999)000-0000;0;_", "5551234567", "(555)123-4567"},
                    FormatCase{"(999)000-0000;0;_", "555", "(555)___-____"},
                    FormatCase{"000;1;_", "1a2", "1_2"}, FormatCase{">LLL", "abc", "ABC"},
                    FormatCase{"99/9999;1;_", "123456789", "12/3456"}),
    [](const auto& Info) { return NamePart(Info.param.mask) + "__" + NamePart(Info.param.value); });

struct TextCase {
    const char* mask;
    const char* editText;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << Printable(c.mask) << " " << Printable(c.editText) << " is " << Printable(c.text);
}

class EditMaskText : public testing::TestWithParam<TextCase> {};

TEST_P(EditMaskText, TextHasBlanksForEmptyPlacesAndLiteralsOnlyWhenSaved)
{
    const TextCase& c = GetParam();
    const TMaskLayout mask(c.mask);
    EXPECT_EQ(mask.TextOf(c.editText), c.text) << c.mask << " \"" << c.editText << "\"";
    EXPECT_EQ(mask.FormatText(mask.TextOf(c.editText)), mask.FormatText(c.text)) << "round trip";
}

INSTANTIATE_TEST_SUITE_P(Table, EditMaskText,
                         testing::Values(TextCase{"!99/99/9999;1;_", "__/__/____", "  /  /    "},
                                         TextCase{"!99/9999;1;_", "3_/2021", " 3/2021"},
                                         TextCase{"99/9999;1;_", "_3/2021", "3 /2021"},
                                         TextCase{"!99/9999;1;_", "12/5___", "12/   5"},
                                         TextCase{"(999)000-0000;0;_", "(555)123-4567", "5551234567"},
                                         TextCase{"(999)000-0000;0;_", "(555)___-____", "555       "}),
                         [](const auto& Info) {
                             return NamePart(Info.param.mask) + "__" + NamePart(Info.param.editText);
                         });

TEST(EditMaskCheck, FirstMissingIsTheFirstEmptyRequiredPlace)
{
    const TMaskLayout mask("000-99;1;_");
    EXPECT_EQ(mask.FirstMissing("1_2-__"), 1);
    EXPECT_EQ(mask.FirstMissing("123-__"), -1);
    EXPECT_EQ(TMaskLayout("99/99").FirstMissing("__/__"), -1);
}

// --- typing under a mask ------------------------------------------------------------------

TEST(MaskTyping, TypedCharacterTakesTheNextPlaceAndCursorSkipsTheLiteral)
{
    const TMaskLayout mask("99/9999;1;_");
    TMaskEditResult r = MaskEditing::TypeChar(mask, "__/____", 0, 0, '1');
    EXPECT_TRUE(r.Accepted);
    EXPECT_EQ(r.EditText, "1_/____");
    EXPECT_EQ(r.Cursor, 1);
    r = MaskEditing::TypeChar(mask, r.EditText, r.Cursor, 0, '2');
    EXPECT_EQ(r.EditText, "12/____");
    EXPECT_EQ(r.Cursor, 3);
}

TEST(MaskTyping, TypedLiteralJumpsPastItLeavingThePlacesBeforeItEmpty)
{
    const TMaskLayout mask("99/9999;1;_");
    const TMaskEditResult r = MaskEditing::TypeChar(mask, "3_/____", 1, 0, '/');
    EXPECT_TRUE(r.Accepted);
    EXPECT_EQ(r.EditText, "3_/____");
    EXPECT_EQ(r.Cursor, 3);
    EXPECT_EQ(MaskEditing::TypeChar(mask, "12/____", 2, 0, '/').Cursor, 3);
}

// Types Keys one after another as the edit does, each after the result of the last.
TMaskEditResult TypeKeys(const TMaskLayout& Mask, const std::string& Keys)
{
    TMaskEditResult r{true, Mask.EmptyEditText(), 0};
    for (char key : Keys) {
        const TMaskEditResult typed = MaskEditing::TypeChar(Mask, r.EditText, r.Cursor, 0, key, r.SkippedLiterals);
        EXPECT_TRUE(typed.Accepted) << Keys << " at '" << key << "'";
        r = typed;
    }
    return r;
}

TEST(MaskTyping, LiteralTypedWhereTheMaskSkippedToIt_DoesNothingMore)
{
    const TMaskLayout mask("!99/99/9999;1;_");
    const struct {
        const char* keys;
        const char* editText;
    } rows[] = {
        {"15/7", "15/7_/____"},
        {"15/07/2026", "15/07/2026"},
        {"31/12/1999", "31/12/1999"},
        {"1/7/2026", "1_/7_/2026"},
        {"1//2026", "1_/__/2026"},   // a literal typed, not skipped to, moves on to the next
        {"15//2026", "15/__/2026"},  // the first "/" is the one skipped to, the second moves on
        {"1507/2026", "15/07/2026"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TypeKeys(mask, row.keys).EditText, row.editText) << row.keys;
}

TEST(MaskTyping, OnlyATypedPlaceBeforeLiteralsSkipsThem)
{
    const TMaskLayout mask("99/9999;1;_");
    EXPECT_TRUE(MaskEditing::TypeChar(mask, "1_/____", 1, 0, '2').SkippedLiterals);
    EXPECT_FALSE(MaskEditing::TypeChar(mask, "__/____", 0, 0, '1').SkippedLiterals);
    EXPECT_FALSE(MaskEditing::TypeChar(mask, "3_/____", 1, 0, '/').SkippedLiterals) << "a typed literal";
    // Without the skip a literal before the cursor is typed as usual: there is none ahead.
    EXPECT_FALSE(MaskEditing::TypeChar(mask, "12/____", 3, 0, '/').Accepted);
    EXPECT_TRUE(MaskEditing::TypeChar(mask, "12/____", 3, 0, '/', true).Accepted);
}

TEST(MaskTyping, CharacterThatFitsNowhereIsRefused)
{
    const TMaskLayout mask("99/9999;1;_");
    EXPECT_FALSE(MaskEditing::TypeChar(mask, "__/____", 0, 0, 'x').Accepted);
    EXPECT_FALSE(MaskEditing::TypeChar(mask, "12/2020", 7, 0, '1').Accepted);
}

TEST(MaskTyping, TypingOverASelectionEmptiesItFirstAndOverwrites)
{
    const TMaskLayout mask("99/9999;1;_");
    const TMaskEditResult r = MaskEditing::TypeChar(mask, "12/2020", 0, 2, '5');
    EXPECT_EQ(r.EditText, "5_/2020");
    EXPECT_EQ(r.Cursor, 1);
}

TEST(MaskTyping, TextShorterThanTheMaskIsTypedIntoAsIfBlank)
{
    const TMaskLayout mask("99/9999;1;_");
    EXPECT_EQ(MaskEditing::TypeChar(mask, "", 0, 0, '1').EditText, "1_/____");
    EXPECT_EQ(MaskEditing::TypeChar(mask, "12", 0, 0, '5').EditText, "52/____");
    EXPECT_EQ(MaskEditing::Backspace(mask, "", 1, 0).EditText, "__/____");
    EXPECT_EQ(MaskEditing::Delete(mask, "1", 0, 7).EditText, "__/____");
}

TEST(MaskTyping, BackspaceEmptiesThePlaceBeforeTheCursorSkippingLiterals)
{
    const TMaskLayout mask("99/9999;1;_");
    const TMaskEditResult r = MaskEditing::Backspace(mask, "12/2020", 3, 0);
    EXPECT_EQ(r.EditText, "1_/2020");
    EXPECT_EQ(r.Cursor, 1);
    EXPECT_FALSE(MaskEditing::Backspace(mask, "12/2020", 0, 0).Accepted);
}

TEST(MaskTyping, DeleteEmptiesThePlaceAtTheCursorAndSelectionsWhole)
{
    const TMaskLayout mask("99/9999;1;_");
    const TMaskEditResult r = MaskEditing::Delete(mask, "12/2020", 2, 0);
    EXPECT_EQ(r.EditText, "12/_020");
    EXPECT_EQ(r.Cursor, 2);
    EXPECT_EQ(MaskEditing::Delete(mask, "12/2020", 1, 4).EditText, "1_/__20");
}

TEST(MaskTyping, PasteTypesEachCharacterSkippingThoseThatFitNowhere)
{
    const TMaskLayout mask("99/9999;1;_");
    EXPECT_EQ(MaskEditing::Paste(mask, "__/____", 0, 0, "122020").EditText, "12/2020");
    EXPECT_EQ(MaskEditing::Paste(mask, "__/____", 0, 0, "1/2x020").EditText, "1_/2020");
    EXPECT_EQ(MaskEditing::Paste(mask, "__/____", 0, 0, "12/2020").EditText, "12/2020");
    EXPECT_EQ(MaskEditing::Paste(mask, "12/____", 3, 0, "/2020", true).EditText, "12/2020")
        << "pasted where typing skipped to";
}

// --- the widget -------------------------------------------------------------------------

// A window with two edits, shown and active, so that focus moves as on a real screen.
struct Screen {
    QWidget window;
    TCustomMaskEdit* first = new TCustomMaskEdit(nullptr, &window);
    TCustomMaskEdit* second = new TCustomMaskEdit(nullptr, &window);

    Screen() { ShowActive(window, {first, second}); }
};

TEST(MaskEditWidget, TypingADateWithItsSeparatorLeavesBlanksBeforeIt)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("!99/9999;1;_");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "3/2021");
    EXPECT_EQ(edit.EditText(), "3_/2021");
    EXPECT_EQ(edit.Text(), " 3/2021");
    EXPECT_TRUE(edit.Modified());
}

TEST(MaskEditWidget, DateTypedWithItsSlashes_KeepsEveryField)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("!99/99/9999;1;_");
    for (const char* typed : {"15/07/2026", "1507/2026", "15/072026"}) {
        edit.SetText("");
        edit.setCursorPosition(0);
        QTest::keyClicks(&edit, typed);
        EXPECT_EQ(edit.Text(), "15/07/2026") << typed;
    }
    edit.SetText("");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "1//2026");
    EXPECT_EQ(edit.Text(), " 1/  /2026") << "typed slashes move on";
    edit.SetText("");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "15");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, "/7");
    EXPECT_EQ(edit.Text(), " 1/ 7/    ") << "after another key the skip is over";
}

TEST(MaskEditWidget, TextSetByCodeFollowsTheMaskAndClearsTheModifiedFlag)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("!99/99/9999;1;_");
    EXPECT_EQ(edit.EditText(), "__/__/____");
    EXPECT_EQ(edit.Text(), "  /  /    ");
    edit.SetModified(true);
    edit.SetText("1/1/2000");
    EXPECT_EQ(edit.EditText(), "_1/_1/2000");
    EXPECT_FALSE(edit.Modified());
}

TEST(MaskEditWidget, WritingTheTextAlreadyShownChangesNeitherTheScreenNorTheModifiedFlag)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("!999;1;_");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "12");
    ASSERT_EQ(edit.EditText(), "12_");
    ASSERT_EQ(edit.Text(), " 12");
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    edit.SetText(" 12");
    EXPECT_EQ(edit.EditText(), "12_");
    EXPECT_EQ(edit.cursorPosition(), 2);
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(changes, 0);
    edit.SetText("12");
    EXPECT_EQ(edit.EditText(), "_12");
    EXPECT_FALSE(edit.Modified());
}

TEST(MaskEditWidget, EditClearedThroughTheLineEditTakesTypingIntoTheMask)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("999;1;_");
    edit.clear();
    QTest::keyClicks(&edit, "1");
    EXPECT_EQ(edit.EditText(), "1__");
}

TEST(MaskEditWidget, SettingAMaskFitsTheTextAndRemovingItKeepsTheText)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetText("12/2020");
    edit.SetEditMask("!99/9999;1;_");
    EXPECT_EQ(edit.EditText(), "12/2020");
    edit.SetEditMask("");
    EXPECT_FALSE(edit.IsMasked());
    EXPECT_EQ(edit.Text(), "12/2020");
}

TEST(MaskEditWidget, MaskTakesEveryCharacterButCopyPasteAndCut)
{
    struct Probe : TCustomMaskEdit {
        using TCustomMaskEdit::TCustomMaskEdit;
        std::vector<int> left;
        void KeyPress(char& Key) override
        {
            TCustomMaskEdit::KeyPress(Key);
            left.push_back(Key);
        }
    } edit(nullptr);
    edit.SetEditMask("999;1;_");
    QTest::keyClick(&edit, Qt::Key_1);
    QTest::keyClick(&edit, Qt::Key_A);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit.left, (std::vector<int>{0, 0, 0, kCharCopy, kCharPaste, kCharCut, 0}));
}

TEST(MaskEditWidget, OnKeyPressSeesTheCharacterAndMayChangeIt)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("999;1;_");
    std::vector<char> seen;
    edit.OnKeyPress = [&](TObject* Sender, char& Key) {
        EXPECT_EQ(Sender, &edit);
        seen.push_back(Key);
        if (Key == '1')
            Key = '7';
    };
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "12");
    EXPECT_EQ(seen, (std::vector<char>{'1', '2'}));
    EXPECT_EQ(edit.EditText(), "72_");
}

TEST(MaskEditWidget, RefusedCharacterBeepsAndChangesNothing)
{
    MessageRecorder recorder;
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("999;1;_");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "x");
    EXPECT_EQ(recorder.Beeps(), 1);
    EXPECT_EQ(edit.EditText(), "___");
    EXPECT_FALSE(edit.Modified());
}

TEST(MaskEditWidget, BackspaceAndDeleteEmptyPlacesInsteadOfShiftingTheText)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("99/9999;1;_");
    edit.SetEditText("12/2020");
    edit.setCursorPosition(3);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.EditText(), "1_/2020");
    edit.setCursorPosition(3);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.EditText(), "1_/_020");
}

TEST(MaskEditWidget, CtrlVPastesThroughTheMask)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("99/9999;1;_");
    QApplication::clipboard()->setText(QStringLiteral("122020"));
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.EditText(), "12/2020");
    EXPECT_TRUE(edit.Modified());
}

TEST(MaskEditWidget, EditsQtMakesItselfAreFittedBackIntoTheMask)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("99/9999;1;_");
    edit.setCursorPosition(0);
    edit.insert(QStringLiteral("12")); // as the context menu's paste does
    EXPECT_EQ(edit.EditText().size(), 7u);
    EXPECT_EQ(edit.EditText().substr(2, 1), "/");
}

TEST(MaskEditWidget, ReadOnlyMaskedEditTakesNoTyping)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetEditMask("999;1;_");
    edit.SetReadOnly(true);
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "12");
    EXPECT_EQ(edit.EditText(), "___");
}

TEST(MaskEditWidget, EscapePutsBackTheTextTheEditHadWhenEntered)
{
    Screen screen;
    screen.first->SetEditMask("999;1;_");
    screen.first->SetText("123");
    screen.second->setFocus(Qt::TabFocusReason);
    screen.first->setFocus(Qt::TabFocusReason);
    screen.first->setCursorPosition(0);
    QTest::keyClicks(screen.first, "9");
    EXPECT_EQ(screen.first->EditText(), "923");
    QTest::keyClick(screen.first, Qt::Key_Escape);
    EXPECT_EQ(screen.first->EditText(), "123");
    EXPECT_FALSE(screen.first->Modified());
}

TEST(MaskEditWidget, LeavingAnIncompleteRequiredMaskRaisesKeepsFocusAndSkipsOnExit)
{
    MessageRecorder recorder;
    Screen screen;
    screen.first->SetEditMask("000;1;_");
    int exits = 0;
    screen.first->OnExit = [&](TObject*) { ++exits; };
    screen.first->setCursorPosition(0);
    QTest::keyClicks(screen.first, "1");
    screen.second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{kMaskEditErrorMessage}));
    EXPECT_EQ(recorder.Beeps(), 1);
    EXPECT_TRUE(screen.first->hasFocus());
    EXPECT_EQ(screen.first->cursorPosition(), 1);
    EXPECT_EQ(exits, 0);
}

TEST(MaskEditWidget, UntouchedOrCompleteMaskLeavesAndFiresOnExit)
{
    MessageRecorder recorder;
    Screen screen;
    screen.first->SetEditMask("000;1;_");
    int exits = 0;
    screen.first->OnExit = [&](TObject*) { ++exits; };
    screen.second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(exits, 1);
    screen.first->setFocus(Qt::TabFocusReason);
    screen.first->setCursorPosition(0);
    QTest::keyClicks(screen.first, "123");
    screen.second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(exits, 2);
    EXPECT_TRUE(recorder.Exceptions().empty());
    EXPECT_TRUE(screen.second->hasFocus());
}

TEST(MaskEditWidget, EnterAndExitFireOncePerMoveOfTheFocus)
{
    Screen screen;
    std::vector<std::string> events;
    screen.second->OnEnter = [&](TObject*) { events.push_back("enter"); };
    screen.second->OnExit = [&](TObject*) { events.push_back("exit"); };
    screen.second->setFocus(Qt::TabFocusReason);
    screen.first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "exit"}));
}

// --- the edit without a mask ---------------------------------------------------------------

TEST(PlainEdit, MaxLengthLimitsTypingButCodeSetsALongerTextWhole)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetMaxLength(3);
    QTest::keyClicks(&edit, "12345");
    EXPECT_EQ(edit.Text(), "123");
    edit.SetText("abcdef");
    EXPECT_EQ(edit.Text(), "abcdef");
    EXPECT_FALSE(edit.Modified());
}

TEST(PlainEdit, OnChangeFiresForTypingAndForCode)
{
    TCustomMaskEdit edit(nullptr);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    QTest::keyClicks(&edit, "ab");
    edit.SetText("x");
    EXPECT_EQ(changes, 3);
}

TEST(PlainEdit, TextIsWindows1252)
{
    TCustomMaskEdit edit(nullptr);
    edit.SetText("Informa\xE7\xE3o");
    EXPECT_EQ(edit.text(), QStringLiteral("Informação"));
    EXPECT_EQ(edit.Text(), "Informa\xE7\xE3o");
}

} // namespace
