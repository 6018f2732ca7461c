#include "frmUsersActive.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "DBHelper.h"
#include "Err.h"
#include "FormLayout.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "Screen.h"
#include "cls_Error.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "mod_Grid.h"

using namespace modDeclare;

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kTimeFormat = QStringLiteral("dd/MM/yy  HH:mm:ss");

QDateTime dateTimeOf(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
    return value.toDateTime();
}

// Eight hours later on the clock, as a date value plus "08:00" is: a change of summer time between
// the two does not shift the result.
QDateTime eightHoursLater(const QDateTime& t) {
    const QDateTime wall = QDateTime(t.date(), t.time(), Qt::UTC).addSecs(8 * 3600);
    return QDateTime(wall.date(), wall.time());
}

void report(const QString& source, const QObject* caller) {
    if (gErr) {
        gErr->ErrorMsg(source, true, caller);
        return;
    }
    cls_Error().ErrorMsg(source, true, caller);
}
}  // namespace

// The grid's rows: the snapshot of the last fill, in the grid's four columns.
class frmUsersActive::Rows : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void take(Recordset rs) {
        beginResetModel();
        m_rs = std::move(rs);
        for (int c = 0; c < ColumnCount; ++c) m_fields[c] = m_rs.FieldIndex(FieldOf(c));
        m_count = m_rs.IsOpen() ? m_rs.RecordCount() : 0;
        endResetModel();
    }

    QVariant value(int row, const QString& field) const {
        const int index = m_rs.FieldIndex(field);
        return row >= 0 && row < m_count && index >= 0 ? m_rs.ValueAt(row, index) : QVariant();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_count; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_count) return {};
        const int field = m_fields[index.column()];
        if (role == Qt::TextAlignmentRole && index.column() == colUserId)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole || field < 0) return {};
        const QVariant v = m_rs.ValueAt(index.row(), field);
        if (v.isNull()) return {};
        if (index.column() == colLogin || index.column() == colLogout)
            return dateTimeOf(v).toString(kTimeFormat);
        return v;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const QString captions[ColumnCount] = {QStringLiteral("USER_ID"), QStringLiteral("Χρήστης"),
                                                      QStringLiteral("Log In"), QStringLiteral("Log Out")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
            return captions[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    Recordset m_rs;
    int m_fields[ColumnCount] = {-1, -1, -1, -1};
    int m_count = 0;
};

QString frmUsersActive::FieldOf(int column) {
    static const QString fields[ColumnCount] = {QStringLiteral("USER_ID"), QStringLiteral("U_NAME"),
                                                QStringLiteral("LOGIN_TIME"), QStringLiteral("LOGOUT_TIME")};
    return column >= 0 && column < ColumnCount ? fields[column] : QString();
}

frmUsersActive::frmUsersActive(QWidget* parent) : QWidget(parent, Qt::Window) {
    // Closing the window unloads it; the main window's pointer to it then reads empty.
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    m_rows = new Rows(this);
    m_rows->setObjectName(QStringLiteral("adodc"));
    tdbg->setModel(m_rows);
    const int widths[] = {900, 2600, 2100};
    for (int c = 0; c < 3; ++c) tdbg->setColumnWidth(c, Twips::toPixels(widths[c]));

    connect(tdbg->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { adodc_MoveComplete(); });
    connect(tdbg->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { tdbg_HeadClick(column); });
    for (int i = 0; i < 3; ++i)
        connect(cmdAction[i], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
    Form_Load();
    adodc_MoveComplete();
}

frmUsersActive::~frmUsersActive() {
    Form_Unload();
}

bool frmUsersActive::Init() {
    m_sortField = FieldOf(colUserName);
    m_ascending = true;
    // The header last clicked is the one the list is sorted by, so that its next click inverts it.
    m_lastHeader = colUserName;
    FillGrid();
    return true;
}

void frmUsersActive::FillGrid() {
    Screen::SetMousePointer(Screen::vbHourglass);
    QString sql = QStringLiteral(" SELECT * FROM V_USER_LOG ");
    if (!chkAll->isChecked()) sql += QStringLiteral(" WHERE LOGOUT_TIME IS NULL");
    if (!m_sortField.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + m_sortField;
        if (!m_ascending) sql += QStringLiteral(" DESC");
    }
    m_source = sql;

    Recordset rs;
    if (!rs.Open(sql, gConn)) {
        // The grid keeps the rows it had.
        Screen::SetMousePointer(Screen::vbDefault);
        report(QStringLiteral("FillGrid"), this);
        return;
    }
    m_rows->take(std::move(rs));
    int sortColumn = -1;
    for (int c = 0; c < ColumnCount; ++c)
        if (m_sortField.compare(FieldOf(c), Qt::CaseInsensitive) == 0) sortColumn = c;
    tdbg->horizontalHeader()->setSortIndicator(sortColumn,
                                               m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // A freshly opened set stands on its first row.
    if (m_rows->rowCount() > 0) tdbg->setCurrentIndex(m_rows->index(0, 0));
    adodc_MoveComplete();
    Screen::SetMousePointer(Screen::vbDefault);
}

void frmUsersActive::tdbg_HeadClick(int column) {
    m_sortField = FieldOf(column);
    m_ascending = column == m_lastHeader ? !m_ascending : true;
    m_lastHeader = column;
    FillGrid();
}

void frmUsersActive::adodc_MoveComplete() {
    const QModelIndex current = tdbg->currentIndex();
    cmdAction[2]->setEnabled(current.isValid() && current.row() < m_rows->rowCount());
}

void frmUsersActive::cmdAction_Click(int index) {
    switch (index) {
        case 0:
            close();
            break;
        case 1:
            FillGrid();
            break;
        case 2:
            closeSession();
            break;
    }
}

void frmUsersActive::closeSession() {
    const QModelIndex current = tdbg->currentIndex();
    if (!current.isValid()) return;
    const int row = current.row();
    if (!m_rows->value(row, QStringLiteral("LOGOUT_TIME")).isNull()) {
        MsgBox(QStringLiteral("Αυτή η σύνδεση είναι ήδη κλειστή."), vb::vbExclamation);
        return;
    }
    const QVariant user = m_rows->value(row, QStringLiteral("USER_ID"));
    const bool own = gUser && !user.isNull() && user.toLongLong() == gUser->UserId;
    const QString question = own ? QStringLiteral("Θέλετε να κλείσετε την δική σας σύνδεση;")
                                 : QStringLiteral("Θέλετε να κλείσετε αυτή την σύνδεση;");
    if (MsgBox(question, vb::vbYesNo + vb::vbQuestion) != vb::vbYes) return;

    const qlonglong id = m_rows->value(row, QStringLiteral("ULOG_ID")).toLongLong();
    const QDateTime login = dateTimeOf(m_rows->value(row, QStringLiteral("LOGIN_TIME")));
    if (login.isValid()) {
        const QString t = DBHelper::DateToSQL(eightHoursLater(login), QStringLiteral("dd/mm/yyyy"), true);
        // A session closed meanwhile keeps the time it was really closed at.
        DBHelper::UpdateRec(
            gConn, QStringLiteral("USER_LOG"),
            QStringLiteral("ULOG_ID=") + QString::number(id) + QStringLiteral(" AND LOGOUT_TIME IS NULL"),
            QStringLiteral("LOGOUT_TIME=") + t, QStringList());
        // A failed update shows as the unchanged row after the refill.
        Err().Clear();
    }
    FillGrid();
}

void frmUsersActive::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());
    bool restoreFlag1 = false, restoreFlag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 8220, 5565, kSection, restoreFlag1, restoreFlag2);
    mod_Grid::SetGridHighlight(tdbg);
}

void frmUsersActive::Form_Unload() {
    if (m_unloaded) return;
    bool saveFlag = false;
    FormLayout::Shared().Save(this, kSection, saveFlag);
    m_unloaded = true;
}

void frmUsersActive::Form_Resize() {
    if (isMinimized()) return;
    auto tw = [](int px) { return Twips::fromPixels(px); };
    auto px = [](int twips) { return Twips::toPixels(twips); };
    const int innerWidth = tw(width()), innerHeight = tw(height());

    if (innerWidth - 160 > 0) tdbg->resize(px(innerWidth - 160), tdbg->height());
    if (innerHeight - 650 > 0) tdbg->resize(tdbg->width(), px(innerHeight - 650));
    const int fraTop = tw(tdbg->y()) + tw(tdbg->height()) + 100;
    const int fraLeft = innerWidth <= 4200 ? 80 : innerWidth - tw(fra->width()) - 20;
    fra->move(px(fraLeft), px(fraTop));
    // The check box keeps to the buttons' line.
    chkAll->move(chkAll->x(), px(fraTop + 45));
}

void frmUsersActive::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    Form_Unload();
}

void frmUsersActive::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}
