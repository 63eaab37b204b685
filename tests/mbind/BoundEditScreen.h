#pragma once
// A shown, active window holding one control under test and a plain line edit to move the
// focus to, so that entering and leaving the control happen as on a real screen.
#include <QLineEdit>
#include <QWidget>

#include "support/ActiveWindow.h"

template <class Control>
struct BoundEditScreen {
    QWidget window;
    Control* edit = new Control(nullptr, &window);
    QLineEdit* next = new QLineEdit(&window);

    BoundEditScreen() { ShowActive(window, {edit, next}); }

    void Leave() { next->setFocus(Qt::TabFocusReason); }
};
