#pragma once
// The class library's combo box on a Qt combo box: 8-bit item texts, ItemIndex, Text, the
// two styles the library uses, and the exit and key-down steps as overridable operations
// that fire the events.
//
// csDropDown: an edit with a list; the typed text is the combo's Text, and typing leaves
// no item selected (as a typed text need not be an item). Typing never adds items.
// csDropDownList: the user only picks items; Text is the selected item's text, empty while
// nothing is selected.
//
// Enter and exit follow the library as the edits do (toolkit/FocusSteps.h): opening the
// list or switching windows is no exit, and a combo that takes the focus back from inside
// its exit step never left.
// Exceptions raised by these steps go to the application's exception report.
// A combo whose object implements IRefusedInput (toolkit/InputRefusal.h) refuses what the
// user would type or paste into its edit of the texts it names.
#include <QComboBox>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Edit.h"
#include "toolkit/FocusSteps.h"

enum TComboBoxStyle : uint8_t { csDropDown, csDropDownList };

class TCustomComboBox : public QComboBox, public TComponent {
public:
    // AOwner frees the combo (as does Qt's Parent); either may be null. Starts as csDropDown.
    explicit TCustomComboBox(TComponent* AOwner, QWidget* Parent = nullptr);

    TComboBoxStyle Style() const { return style_; }
    // Keeps the items; the selection survives, a typed text does not.
    void SetStyle(TComboBoxStyle Value);

    // The item texts, in order.
    std::vector<std::string> Items() const;
    // Replaces every item; nothing is selected afterwards.
    void SetItems(const std::vector<std::string>& Value);
    int ItemCount() const { return count(); }
    // Appends one item; the selection stays as it is.
    void AddItemText(const std::string& Text);
    // Removes every item (which leaves nothing selected and, with csDropDown, no text).
    void ClearItemTexts();

    // The selected item, -1 for none. Writing an index outside the items selects nothing.
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int Value);
    std::string Text() const;
    // csDropDown: shows Value as the typed text, nothing selected. csDropDownList: selects
    // the first item whose text is Value exactly, or nothing.
    void SetText(const std::string& Value);
    // Selects the edit's text (csDropDown); nothing to select in a list.
    void SelectAll();

    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;

protected:
    // The focus is leaving. The base runs ExitProcessing; controls that check their value
    // override it and run ExitProcessing only when the value is accepted.
    virtual void DoExit();
    // The library's own exit processing: fires OnExit.
    virtual void ExitProcessing();
    // A key went down: fires OnKeyDown; a handler that sets Key to 0 consumes the key.
    virtual void KeyDown(int& Key, Qt::KeyboardModifiers Shift);

    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    // A typed text is no item: the selection goes, the text stays.
    void TextTyped(const QString& Typed);

    TComboBoxStyle style_ = csDropDown;
    TFocusSteps focusSteps_{this};
};
