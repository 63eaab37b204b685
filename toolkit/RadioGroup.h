#pragma once
// The class library's radio group on a Qt group box: one radio button per item (8-bit
// texts), at most one selected (ItemIndex), and the enter and exit steps as overridable
// operations that fire the events.
//
// The group is entered when the focus arrives at one of its buttons from outside it, and
// left when the focus goes outside it; moving between its own buttons is neither (the
// rules of toolkit/FocusSteps.h apply). Exceptions raised by the steps go to the
// application's exception report.
//
// Only one button is a tab stop, the selected one, or the first while none is selected:
// tabbing into the group lands on the selected button, and tabbing on leaves the group.
// The arrow keys move among the buttons and select the one they reach.
#include <QGroupBox>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Edit.h"
#include "toolkit/FocusSteps.h"

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

class TCustomRadioGroup : public QGroupBox, public TComponent {
public:
    // AOwner frees the group (as does Qt's Parent); either may be null. The group starts
    // 185 by 105 pixels, the library's size for a new radio group.
    explicit TCustomRadioGroup(TComponent* AOwner, QWidget* Parent = nullptr);

    std::string Caption() const;
    void SetCaption(const std::string& Value);
    // The button texts, in order.
    std::vector<std::string> Items() const;
    // Replaces every button; the selection stays, moved to the last button when it lay
    // beyond the new ones.
    void SetItems(const std::vector<std::string>& Value);
    int ItemCount() const { return static_cast<int>(buttons_.size()); }
    // The selected button, -1 for none. Writing treats an index below -1 as -1 and one
    // beyond the last button as the last button.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    // Button Index (from 0).
    QRadioButton* Button(int Index) const { return buttons_.at(static_cast<size_t>(Index)); }
    // Gives the focus to the tab-stop button (the group itself when it has none).
    void SetFocus();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    // The focus arrived from outside the group: fires OnEnter.
    virtual void DoEnter();
    // The focus is leaving the group. The base runs ExitProcessing; controls that check
    // their value override it and run ExitProcessing only when the value is accepted.
    virtual void DoExit();
    // The library's own exit processing: fires OnExit.
    virtual void ExitProcessing();
    // Hands the focus to the tab-stop button, except when it arrived by a click on a
    // button: that click selects its button, and moving the focus away would cancel it.
    void FocusTabStop();

    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    void FocusArrived(const QFocusEvent* Event);
    void FocusLeft(const QFocusEvent* Event);
    void PutButtonsInTabOrder();
    // The selected button, else the first; null without buttons.
    QRadioButton* TabStop() const;
    void UpdateTabStops();

    QButtonGroup* group_;
    QVBoxLayout* layout_;
    std::vector<QRadioButton*> buttons_;
    TFocusSteps focusSteps_{this};
    Qt::FocusReason enterReason_ = Qt::OtherFocusReason;
};
