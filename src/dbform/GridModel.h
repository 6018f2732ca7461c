#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "FormScript.h"
#include "RowSource.h"

class Recordset;

// The list page's table: the grid columns of a form script over a row source (every field of the
// source when the script names no columns). Rows are asked of the source only when shown, so a
// source that reads as it goes is read as far as the view scrolls. Display texts are formatted;
// Qt::UserRole gives the raw value. Sorting is left to the caller.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A row's back colour (a QColor/QBrush), or an invalid QVariant for the view's own.
    using RowBackground = std::function<QVariant(const RowSource&, int row)>;

    static constexpr int TwipsPerPixel = 15;

    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // Takes the script's #GridCol columns and #Gridset unit; resets the model.
    void setScript(const FormScript& script);
    void setColumns(const QList<FormScript::GridColumn>& columns,
                    const FormScript::GridSettings& settings = {});
    // Shows the source's rows (none when null); resets the model. Set it again after the source
    // changed its rows (a Requery).
    void setSource(std::shared_ptr<const RowSource> source);
    std::shared_ptr<const RowSource> source() const { return m_source; }
signals:
    // The rest of the list came in different from the rows shown first: the grid took the new list.
    void listReplaced();

public:
    // A copy of the snapshot as the source (the rows are implicitly shared).
    void setRecordset(const Recordset& recordset);

    void setRowBackground(RowBackground hook);
    // Colours a row whose `fieldName` holds "D" (a soft-deleted row); a missing field colours none.
    static RowBackground deletedRowColour(const QString& fieldName = QStringLiteral("MODFLAG"));
    static QColor deletedColour() { return QColor(255, 200, 200); }

    // The font whose average character width measures widths of scripts without a twips unit.
    void setFont(const QFont& font) { m_font = font; }
    QFont font() const { return m_font; }

    // True when the script shows the grid columns (false: every field of the source).
    bool scriptColumns() const { return !m_columns.isEmpty(); }
    QString fieldName(int column) const;
    // The source's field index behind a column; -1 when the source lacks the field.
    int fieldIndex(int column) const;
    // W=0: present but not shown.
    bool isColumnHidden(int column) const;
    // Pixels: twips / 15 with unit T, otherwise W characters of the font's average width;
    // -1 when no width is given (the view keeps its default).
    int columnWidth(int column) const;

    // dd/MM/yyyy (plus HH:mm when a date-time is not at midnight), plain numbers, null empty.
    static QString displayText(const QVariant& value);

    // The rows the source has so far; the rest come in through fetchMore (which the view calls at
    // the end of the rows, and the model itself once the first screen is shown) or when the source
    // reads them for another reader.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void resolveFields();
    void sourceGrew(bool reset);

    QList<FormScript::GridColumn> m_columns;
    bool m_twips = false;
    std::shared_ptr<const RowSource> m_source;
    int m_rows = 0;  // the source's rows as the views know them
    QList<int> m_fieldIndex;  // per column, into m_source
    RowBackground m_background;
    QFont m_font;
};
