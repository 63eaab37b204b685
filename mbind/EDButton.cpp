#include "mbind/EDButton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPixmap>
#include <algorithm>

namespace {

// The system's thin border, in pixels.
constexpr int kBorderHeight = 1;
// Width of the edit's 3D border (Qt's frame), which the library's client coordinates leave out.
constexpr int kFrameWidth = 2;

} // namespace

// The library is static: its resources are registered on first use. (Outside any
// namespace, as the resource's registration function is.)
static void LoadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(mbind);
        return true;
    }();
    (void)loaded;
}

TEDButton::TEDButton(TComponent* AOwner, QWidget* Parent)
    : TBoundMaskEdit(AOwner, Parent), button_(new QToolButton(this))
{
    LoadResources();
    const int side = height() - 2;
    button_->setGeometry(width() - height() - 2, 0, side, side);
    button_->setAutoRaise(true);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    button_->setIcon(QIcon(QPixmap(QStringLiteral(":/Ellipsis"))));
    button_->setIconSize(QSize(12, 12));
    button_->setVisible(true);
    button_->setEnabled(true);
    connect(button_, &QToolButton::clicked, this, [this] { RunGuarded(this, [this] { ButtonClick(); }); });
    SetEditRect();
}

TEDButton::~TEDButton() = default;

void TEDButton::ButtonClick()
{
    if (OnButtonClick)
        OnButtonClick(this);
}

int TEDButton::MinHeight() const
{
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    const int fontHeight = QFontMetrics(font()).height();
    return 4 * kBorderHeight + fontHeight + std::min(systemHeight, fontHeight) / 4 + 2;
}

void TEDButton::WriteOnChange()
{
    WriteOnChangeToGlobal(Text(), true);
    TCustomMaskEdit::Change();
}

void TEDButton::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (Key == Qt::Key_F7)
        ButtonClick();
    TBoundMaskEdit::KeyDown(Key, Shift);
}

void TEDButton::resizeEvent(QResizeEvent* Event)
{
    TBoundMaskEdit::resizeEvent(Event);
    if (height() < MinHeight()) {
        resize(width(), MinHeight()); // comes back here with the new height
        return;
    }
    const int buttonWidth = button_->width();
    if (Ctl3D()) {
        // Inside the 3D border: 5 pixels from the client's right edge counted from the
        // outer width, at the client's top.
        button_->setGeometry(kFrameWidth + width() - buttonWidth - 5, kFrameWidth, buttonWidth, height() - 5);
    } else {
        button_->setGeometry(width() - buttonWidth, 1, buttonWidth, height() - 3);
    }
    SetEditRect();
}

void TEDButton::SetEditRect()
{
    setTextMargins(0, 0, button_->width() + 2, 0);
}
