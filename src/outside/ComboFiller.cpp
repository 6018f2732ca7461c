#include "ComboFiller.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <functional>

#include "DBHelper.h"
#include "Err.h"
#include "Recordset.h"

namespace {

// A column list split at the commas outside parentheses, so that expressions may stand in it.
QStringList splitColumns(const QString& list) {
    QStringList out;
    int depth = 0;
    QString current;
    for (const QChar c : list) {
        if (c == QLatin1Char('(')) ++depth;
        if (c == QLatin1Char(')')) --depth;
        if (c == QLatin1Char(',') && depth == 0) {
            if (!current.trimmed().isEmpty()) out << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty()) out << current.trimmed();
    return out;
}

QString whereClause(const QString& condition) {
    return condition.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
}

bool openRows(Recordset& rs, const ConnectionPtr& conn, const QStringList& columns, const QString& table,
              const QString& condition, const QString& order) {
    if (!conn) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("ComboFiller"),
                    QStringLiteral("The connection is not set."));
        DBHelper::SetLastError(Err().Description);
        return false;
    }
    QString sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  table + whereClause(condition);
    if (!order.trimmed().isEmpty()) sql += QStringLiteral(" ORDER BY ") + order;
    if (rs.Open(sql, conn)) return true;
    DBHelper::SetLastError(conn->LastErrorText());
    return false;
}

QString joined(const Recordset& rs, int first, int count, const QString& joiner) {
    QStringList parts;
    for (int i = first; i < first + count; ++i) parts << DBHelper::ValueText(rs.Value(i));
    return parts.join(joiner);
}

using AddItem = std::function<void(const QString& text, const QVariant& data)>;

bool fill(const ConnectionPtr& conn, const QString& table, const QString& condition,
          const QString& arrayColumn, const QString& displayColumns, QStringList& array,
          const QString& joiner, const QString& itemDataColumn, const QString& orderColumn,
          const AddItem& add) {
    QStringList columns = splitColumns(displayColumns);
    const int shown = int(columns.size());
    const int dataIndex = itemDataColumn.trimmed().isEmpty() ? -1 : int(columns.size());
    if (dataIndex >= 0) columns << itemDataColumn.trimmed();
    const int arrayIndex = arrayColumn.trimmed().isEmpty() ? -1 : int(columns.size());
    if (arrayIndex >= 0) columns << arrayColumn.trimmed();

    Recordset rs;
    if (!openRows(rs, conn, columns, table, condition, orderColumn)) return false;
    if (arrayIndex >= 0) array.clear();
    for (; !rs.Eof(); rs.MoveNext()) {
        const QVariant data = dataIndex >= 0 && !rs.Value(dataIndex).isNull()
                                  ? QVariant(rs.Value(dataIndex).toLongLong())
                                  : QVariant();
        add(joined(rs, 0, shown, joiner), data);
        if (arrayIndex >= 0) array << DBHelper::ValueText(rs.Value(arrayIndex));
    }
    return true;
}

}  // namespace

bool ComboFiller::FillList(const ConnectionPtr& conn, const QString& table, const QString& condition,
                           const QString& arrayColumn, const QString& displayColumns, QComboBox* combo,
                           QStringList& array, const QString& joiner, int, const QString& itemDataColumn,
                           const QString& orderColumn) {
    if (!combo) return false;
    // Filling a list raises no change events, and leaves no item chosen.
    const QSignalBlocker block(combo);
    combo->clear();
    const bool ok =
        fill(conn, table, condition, arrayColumn, displayColumns, array, joiner, itemDataColumn, orderColumn,
             [combo](const QString& text, const QVariant& data) { combo->addItem(text, data); });
    combo->setCurrentIndex(-1);
    return ok;
}

bool ComboFiller::FillList(const ConnectionPtr& conn, const QString& table, const QString& condition,
                           const QString& arrayColumn, const QString& displayColumns, QListWidget* list,
                           QStringList& array, const QString& joiner, int, const QString& itemDataColumn,
                           const QString& orderColumn) {
    if (!list) return false;
    const QSignalBlocker block(list);
    list->clear();
    return fill(conn, table, condition, arrayColumn, displayColumns, array, joiner, itemDataColumn,
                orderColumn, [list](const QString& text, const QVariant& data) {
                    auto* item = new QListWidgetItem(text, list);
                    if (data.isValid()) item->setData(Qt::UserRole, data);
                });
}

bool ComboFiller::ReadColumns(const ConnectionPtr& conn, const QString& table, const QString& condition,
                              const QString& column1, const QString& column2, QStringList& array1,
                              QStringList& array2, const QString& joiner, const QString&) {
    // Either column may itself be a list; its values are then joined by the joiner.
    const QStringList first = splitColumns(column1), second = splitColumns(column2);
    Recordset rs;
    if (!openRows(rs, conn, first + second, table, condition, QString())) return false;
    array1.clear();
    array2.clear();
    for (; !rs.Eof(); rs.MoveNext()) {
        array1 << joined(rs, 0, int(first.size()), joiner);
        array2 << joined(rs, int(first.size()), int(second.size()), joiner);
    }
    return true;
}
