#pragma once
// TEDButton: a TMEdit-like bound masked edit with a small ellipsis button inside its
// right edge. A click on the button or F7 fires OnButtonClick; the text never runs under
// the button; the edit never gets lower than MinHeight. While the user types, the global
// does not redraw this edit from the record (PieceAtual is its piece during the write).
#include <QToolButton>

#include "mbind/MEdit.h"

class TEDButton : public TBoundMaskEdit {
public:
    explicit TEDButton(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TEDButton() override;

    TNotifyEvent OnButtonClick;

    // Fires OnButtonClick with the edit as Sender.
    void ButtonClick();
    // The lowest height that shows the control's font: four thin borders, the font's
    // height, a quarter of the smaller of the system font's and the control font's
    // heights, and 2.
    int MinHeight() const;

protected:
    void WriteOnChange() override;
    // F7 (whatever the shift state) clicks the button; the key still reaches the edit.
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override;
    // Grows back to MinHeight; otherwise keeps the button at the right edge.
    void resizeEvent(QResizeEvent* Event) override;

private:
    // The text area ends 2 pixels before the button.
    void SetEditRect();

    QToolButton* button_;
};
