#pragma once
// A shown, active window for tests that move the focus between controls, so that entering
// and leaving them happen as on a real screen.
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <initializer_list>

// Lays Controls out in Window from top to bottom, shows the window, waits until it is
// active and gives the first control the focus.
inline void ShowActive(QWidget& Window, std::initializer_list<QWidget*> Controls)
{
    auto* layout = new QVBoxLayout(&Window);
    for (QWidget* control : Controls)
        layout->addWidget(control);
    Window.show();
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window, 2000));
    (*Controls.begin())->setFocus(Qt::TabFocusReason);
}
