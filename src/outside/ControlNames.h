#pragma once

#include <QString>
#include <QWidget>

// A control carries its control name as objectName (tests find it by that) and as its accessible
// description (tools that drive the program from outside cannot see objectNames).
template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    widget->setAccessibleDescription(name);
    return widget;
}
