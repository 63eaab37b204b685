#pragma once
// A shown, active window holding one control under test and a plain line edit to move the
// focus to, so that entering and leaving the control happen as on a real screen.
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

template <class Control>
struct BoundEditScreen {
    QWidget window;
    Control* edit;
    QLineEdit* next;

    BoundEditScreen()
    {
        auto* layout = new QVBoxLayout(&window);
        edit = new Control(nullptr, &window);
        next = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
        [this] { ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 2000)); }();
        edit->setFocus(Qt::TabFocusReason);
    }

    void Leave() { next->setFocus(Qt::TabFocusReason); }
};
