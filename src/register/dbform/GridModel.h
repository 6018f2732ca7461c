#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

#include "FormScript.h"
#include "Recordset.h"

// The list page's table: the grid columns of a form script over a record set snapshot (every field
// of the set when the script names no columns). Display texts are formatted; Qt::UserRole gives
// the raw value. Sorting is left to the caller.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A row's back colour (a QColor/QBrush), or an invalid QVariant for the view's own.
    using RowBackground = std::function<QVariant(const Recordset&, int row)>;

    static constexpr int TwipsPerPixel = 15;

    explicit GridModel(QObject* parent = nullptr);

    // Takes the script's #GridCol columns and #Gridset unit; resets the model.
    void setScript(const FormScript& script);
    void setColumns(const QList<FormScript::GridColumn>& columns,
                    const FormScript::GridSettings& settings = {});
    // Keeps a copy of the snapshot (the rows are implicitly shared); resets the model.
    void setRecordset(const Recordset& recordset);
    const Recordset& recordset() const { return m_rs; }

    void setRowBackground(RowBackground hook);
    // Colours a row whose `fieldName` holds "D" (a soft-deleted row); a missing field colours none.
    static RowBackground deletedRowColour(const QString& fieldName = QStringLiteral("MODFLAG"));
    static QColor deletedColour() { return QColor(255, 200, 200); }

    // The font whose average character width measures widths of scripts without a twips unit.
    void setFont(const QFont& font) { m_font = font; }
    QFont font() const { return m_font; }

    // True when the script shows the grid columns (false: every field of the record set).
    bool scriptColumns() const { return !m_columns.isEmpty(); }
    QString fieldName(int column) const;
    // The record set's field index behind a column; -1 when the set lacks the field.
    int fieldIndex(int column) const;
    // W=0: present but not shown.
    bool isColumnHidden(int column) const;
    // Pixels: twips / 15 with unit T, otherwise W characters of the font's average width;
    // -1 when no width is given (the view keeps its default).
    int columnWidth(int column) const;

    // dd/MM/yyyy (plus HH:mm when a date-time is not at midnight), plain numbers, null empty.
    static QString displayText(const QVariant& value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void resolveFields();

    QList<FormScript::GridColumn> m_columns;
    bool m_twips = false;
    Recordset m_rs;
    QList<int> m_fieldIndex;  // per column, into m_rs
    RowBackground m_background;
    QFont m_font;
};
