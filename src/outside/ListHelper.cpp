#include "ListHelper.h"

#include <QComboBox>
#include <QListWidget>

bool ListHelper::Contains(const QListWidget* list, const QString& text) const {
    if (!list) return false;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return true;
    return false;
}

bool ListHelper::Contains(const QComboBox* combo, const QString& text) const {
    if (!combo) return false;
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) == text) return true;
    return false;
}

void ListHelper::SelectAll(QListWidget* list, bool select) const {
    if (!list) return;
    for (int i = 0; i < list->count(); ++i) list->item(i)->setSelected(select);
}
