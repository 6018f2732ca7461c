#pragma once

#include <QString>

class QComboBox;
class QListWidget;

class ListHelper {
public:
    bool Contains(const QListWidget* list, const QString& text) const;
    bool Contains(const QComboBox* combo, const QString& text) const;
    void SelectAll(QListWidget* list, bool select) const;
};
