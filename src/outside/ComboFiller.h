#pragma once

#include <QString>
#include <QStringList>

#include "Connection.h"

class QComboBox;
class QListWidget;

// Fills lists from a table. Item data (Qt::UserRole) is the item-data column's value as an integer.
// The control is emptied first; filling sends no change signals and leaves no item current.
class ComboFiller {
public:
    bool FillList(const ConnectionPtr& conn, const QString& table, const QString& condition,
                  const QString& arrayColumn, const QString& displayColumns, QComboBox* combo,
                  QStringList& array, const QString& joiner, int reserved, const QString& itemDataColumn,
                  const QString& orderColumn);
    bool FillList(const ConnectionPtr& conn, const QString& table, const QString& condition,
                  const QString& arrayColumn, const QString& displayColumns, QListWidget* list,
                  QStringList& array, const QString& joiner, int reserved, const QString& itemDataColumn,
                  const QString& orderColumn);
    // The two columns of the matching rows into the two arrays.
    bool ReadColumns(const ConnectionPtr& conn, const QString& table, const QString& condition,
                     const QString& column1, const QString& column2, QStringList& array1, QStringList& array2,
                     const QString& joiner, const QString& reserved);
};
