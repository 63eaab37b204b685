#include "toolkit/RadioGroup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "toolkit/Win1252.h"

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner, QWidget* Parent)
    : QGroupBox(Parent), TComponent(AOwner), group_(new QButtonGroup(this)), layout_(new QVBoxLayout(this))
{
    resize(185, 105);
    connect(group_, &QButtonGroup::buttonToggled, this, [this] { UpdateTabStops(); });
}

std::string TCustomRadioGroup::Caption() const
{
    return FromScreen(title());
}

void TCustomRadioGroup::SetCaption(const std::string& Value)
{
    setTitle(ToScreen(Value));
}

std::vector<std::string> TCustomRadioGroup::Items() const
{
    std::vector<std::string> items;
    items.reserve(buttons_.size());
    for (const QRadioButton* button : buttons_)
        items.push_back(FromScreen(button->text()));
    return items;
}

void TCustomRadioGroup::SetItems(const std::vector<std::string>& Value)
{
    const int selected = ItemIndex();
    for (QRadioButton* button : buttons_) {
        button->removeEventFilter(this);
        delete button;
    }
    buttons_.clear();
    for (const std::string& text : Value) {
        auto* button = new QRadioButton(ToScreen(text), this);
        group_->addButton(button, ItemCount());
        layout_->addWidget(button);
        button->show(); // a child added to a shown group would stay hidden until the next event
        button->installEventFilter(this);
        buttons_.push_back(button);
    }
    PutButtonsInTabOrder();
    SetItemIndex(selected);
    UpdateTabStops();
}

int TCustomRadioGroup::ItemIndex() const
{
    return group_->checkedId();
}

void TCustomRadioGroup::SetItemIndex(int Value)
{
    const int index = std::clamp(Value, -1, ItemCount() - 1);
    if (index == ItemIndex())
        return;
    if (index >= 0) {
        Button(index)->setChecked(true);
        return;
    }
    // An exclusive group keeps its checked button checked; only a pause of its
    // exclusiveness lets the selection go.
    group_->setExclusive(false);
    group_->checkedButton()->setChecked(false);
    group_->setExclusive(true);
}

void TCustomRadioGroup::SetFocus()
{
    if (QRadioButton* button = TabStop())
        button->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void TCustomRadioGroup::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TCustomRadioGroup::DoExit()
{
    ExitProcessing();
}

void TCustomRadioGroup::ExitProcessing()
{
    if (OnExit)
        OnExit(this);
}

void TCustomRadioGroup::FocusTabStop()
{
    if (enterReason_ == Qt::MouseFocusReason)
        return;
    if (QRadioButton* button = TabStop())
        button->setFocus(Qt::OtherFocusReason);
}

bool TCustomRadioGroup::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::FocusIn)
        FocusArrived(static_cast<QFocusEvent*>(Event));
    else if (Event->type() == QEvent::FocusOut)
        FocusLeft(static_cast<QFocusEvent*>(Event));
    return QGroupBox::eventFilter(Watched, Event);
}

void TCustomRadioGroup::focusInEvent(QFocusEvent* Event)
{
    // The group itself holds nothing to type into: its tab-stop button takes the focus.
    FocusArrived(Event);
    if (hasFocus())
        SetFocus();
}

void TCustomRadioGroup::focusOutEvent(QFocusEvent* Event)
{
    FocusLeft(Event);
}

void TCustomRadioGroup::FocusArrived(const QFocusEvent* Event)
{
    if (!focusSteps_.FocusIn())
        return;
    enterReason_ = Event->reason();
    RunGuarded(this, [this] { DoEnter(); });
}

void TCustomRadioGroup::FocusLeft(const QFocusEvent* Event)
{
    // The focus widget is already the one the focus is going to.
    const QWidget* next = QApplication::focusWidget();
    const bool staysInside = next != nullptr && (next == this || isAncestorOf(next));
    focusSteps_.FocusOut(Event, staysInside, [this] { RunGuarded(this, [this] { DoExit(); }); });
}

void TCustomRadioGroup::PutButtonsInTabOrder()
{
    // New children join the end of the window's tab order, but the buttons belong right
    // after the group. Qt orders no widget that takes no focus, which the group itself
    // does not: it takes part for the moment.
    const Qt::FocusPolicy policy = focusPolicy();
    setFocusPolicy(Qt::TabFocus);
    QWidget* previous = this;
    for (QRadioButton* button : buttons_) {
        setTabOrder(previous, button);
        previous = button;
    }
    setFocusPolicy(policy);
}

QRadioButton* TCustomRadioGroup::TabStop() const
{
    if (buttons_.empty())
        return nullptr;
    const int selected = ItemIndex();
    return Button(selected >= 0 ? selected : 0);
}

void TCustomRadioGroup::UpdateTabStops()
{
    const QRadioButton* tabStop = TabStop();
    for (QRadioButton* button : buttons_)
        button->setFocusPolicy(button == tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}
