#include "GridModel.h"

#include <QTimer>

#include <QDate>
#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QMetaType>

#include "Recordset.h"

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() {
    // The source may outlive the model (the form keeps its list).
    if (m_source) m_source->setGrowthListener({});
}

void GridModel::setScript(const FormScript& script) {
    setColumns(script.gridColumns(), script.gridSettings());
}

void GridModel::setColumns(const QList<FormScript::GridColumn>& columns,
                           const FormScript::GridSettings& settings) {
    beginResetModel();
    m_columns = columns;
    m_twips = settings.unit.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0;
    resolveFields();
    endResetModel();
}

void GridModel::setSource(std::shared_ptr<const RowSource> source) {
    beginResetModel();
    if (m_source) m_source->setGrowthListener({});
    m_source = std::move(source);
    m_rows = m_source ? m_source->rowsAvailable() : 0;
    resolveFields();
    endResetModel();
    if (m_source && m_source->canFetchMore()) {
        m_source->setGrowthListener([this](bool reset) { sourceGrew(reset); });
        // The first screen is painted first; the rest of the list is read right after it.
        QTimer::singleShot(0, this, [this, source = std::weak_ptr<const RowSource>(m_source)] {
            if (source.lock() == m_source && m_source->canFetchMore()) m_source->fetchMore();
        });
    }
}

void GridModel::sourceGrew(bool reset) {
    const int rows = m_source ? m_source->rowsAvailable() : 0;
    if (reset) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        emit listReplaced();
    } else if (rows > m_rows) {
        // The rows known before keep their places: the new ones come after them.
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
}

bool GridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_source && m_source->canFetchMore();
}

void GridModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent)) m_source->fetchMore();
}

void GridModel::setRecordset(const Recordset& recordset) {
    setSource(std::make_shared<RecordsetRows>(recordset));
}

void GridModel::setRowBackground(RowBackground hook) {
    m_background = std::move(hook);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

GridModel::RowBackground GridModel::deletedRowColour(const QString& fieldName) {
    return [fieldName](const RowSource& rows, int row) -> QVariant {
        const int field = rows.fieldIndex(fieldName);
        if (field < 0) return {};
        // Fixed-width flag columns may come back padded.
        if (rows.value(row, field).toString().trimmed() == QLatin1String("D")) return deletedColour();
        return {};
    };
}

void GridModel::resolveFields() {
    m_fieldIndex.clear();
    if (m_columns.isEmpty()) {
        for (int i = 0; m_source && i < m_source->fieldCount(); ++i) m_fieldIndex << i;
        return;
    }
    for (const auto& c : m_columns) m_fieldIndex << (m_source ? m_source->fieldIndex(c.field) : -1);
}

QString GridModel::fieldName(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    if (m_columns.isEmpty()) return m_source ? m_source->fieldName(column) : QString();
    return m_columns.at(column).field;
}

int GridModel::fieldIndex(int column) const {
    return column >= 0 && column < m_fieldIndex.size() ? m_fieldIndex.at(column) : -1;
}

bool GridModel::isColumnHidden(int column) const {
    return !m_columns.isEmpty() && column >= 0 && column < m_columns.size() &&
           !m_columns.at(column).visible();
}

int GridModel::columnWidth(int column) const {
    if (m_columns.isEmpty() || column < 0 || column >= m_columns.size()) return -1;
    const int w = m_columns.at(column).width;
    if (w < 0) return -1;
    if (m_twips) return qRound(double(w) / TwipsPerPixel);
    return w * QFontMetrics(m_font).averageCharWidth();
}

QString GridModel::displayText(const QVariant& value) {
    if (value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        case QMetaType::QDateTime: {
            const QDateTime dt = value.toDateTime();
            if (dt.time() == QTime(0, 0)) return dt.date().toString(QStringLiteral("dd/MM/yyyy"));
            return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
        }
        case QMetaType::Double:
        case QMetaType::Float:
            // No grouping, no exponent, no trailing zeros, whatever the locale.
            return QLocale::c().toString(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        default:
            return value.toString();
    }
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_source ? 0 : m_rows;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_fieldIndex.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    if (role == Qt::BackgroundRole) return m_background ? m_background(*m_source, index.row()) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::UserRole) return {};
    const int field = m_fieldIndex.at(index.column());
    if (field < 0) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    // A row not held yet is read here, by the source.
    const QVariant value = m_source->value(index.row(), field);
    return role == Qt::UserRole ? value : QVariant(displayText(value));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (m_columns.isEmpty()) return m_source ? m_source->fieldName(section) : QString();
    return m_columns.at(section).caption;
}
