#include "toolkit/ComboBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "toolkit/InputRefusal.h"
#include "toolkit/Win1252.h"

TCustomComboBox::TCustomComboBox(TComponent* AOwner, QWidget* Parent) : QComboBox(Parent), TComponent(AOwner)
{
    resize(145, 21);
    SetStyle(csDropDown);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    const int selected = currentIndex();
    const bool hadEdit = isEditable();
    style_ = Value;
    setEditable(Value == csDropDown);
    if (Value == csDropDown && !hadEdit) {
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        setValidator(new TRefusedInputValidator(lineEdit(), this));
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& Typed) { TextTyped(Typed); });
    }
    SetItemIndex(selected);
}

std::vector<std::string> TCustomComboBox::Items() const
{
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(count()));
    for (int i = 0; i < count(); ++i)
        items.push_back(FromScreen(itemText(i)));
    return items;
}

void TCustomComboBox::SetItems(const std::vector<std::string>& Value)
{
    ClearItemTexts();
    for (const std::string& text : Value)
        AddItemText(text);
}

void TCustomComboBox::AddItemText(const std::string& Text)
{
    // Qt selects the first item put into an empty combo; the library selects nothing.
    const int selected = currentIndex();
    const QString typed = currentText();
    addItem(ToScreen(Text));
    if (currentIndex() == selected)
        return;
    setCurrentIndex(selected);
    if (isEditable())
        lineEdit()->setText(typed);
}

void TCustomComboBox::ClearItemTexts()
{
    clear();
    if (isEditable())
        lineEdit()->clear();
}

void TCustomComboBox::SetItemIndex(int Value)
{
    setCurrentIndex(Value >= 0 && Value < count() ? Value : -1);
    if (currentIndex() == -1 && isEditable())
        lineEdit()->clear();
}

std::string TCustomComboBox::Text() const
{
    return FromScreen(currentText());
}

void TCustomComboBox::SetText(const std::string& Value)
{
    if (!isEditable()) {
        setCurrentIndex(findText(ToScreen(Value), Qt::MatchExactly | Qt::MatchCaseSensitive));
        return;
    }
    setCurrentIndex(-1);
    lineEdit()->setText(ToScreen(Value));
}

void TCustomComboBox::SelectAll()
{
    if (isEditable())
        lineEdit()->selectAll();
}

void TCustomComboBox::TextTyped(const QString& Typed)
{
    if (currentIndex() == -1)
        return;
    const int cursor = lineEdit()->cursorPosition();
    setCurrentIndex(-1);
    lineEdit()->setText(Typed);
    lineEdit()->setCursorPosition(cursor);
}

void TCustomComboBox::DoExit()
{
    ExitProcessing();
}

void TCustomComboBox::ExitProcessing()
{
    if (OnExit)
        OnExit(this);
}

void TCustomComboBox::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TCustomComboBox::keyPressEvent(QKeyEvent* Event)
{
    int key = Event->key();
    RunGuarded(this, [&] { KeyDown(key, Event->modifiers()); });
    if (key == 0) {
        Event->accept();
        return;
    }
    QComboBox::keyPressEvent(Event);
}

void TCustomComboBox::focusInEvent(QFocusEvent* Event)
{
    QComboBox::focusInEvent(Event);
    focusSteps_.FocusIn(); // the combo has no enter step
}

void TCustomComboBox::focusOutEvent(QFocusEvent* Event)
{
    QComboBox::focusOutEvent(Event);
    focusSteps_.FocusOut(Event, false, [this] { RunGuarded(this, [this] { DoExit(); }); });
}
