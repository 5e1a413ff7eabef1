#pragma once

#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

namespace testsupport {

// The push button of window with that caption; a test failure and nullptr when there is none.
inline QPushButton *button(QWidget &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>())
        if (b->text() == text) return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

}  // namespace testsupport
