#include "frmLookup.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QTableView>

#include "DBHelper.h"
#include "Err.h"
#include "FormLayout.h"
#include "GridModel.h"
#include "LookupStore.h"
#include "MsgBox.h"
#include "ReportHooks.h"
#include "RowVersion.h"
#include "Screen.h"
#include "StrHelper.h"
#include "clsDBForm.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "mod_Grid.h"

using namespace modDeclare;

namespace {
const QString kSection = QStringLiteral("\\Protocol");
}  // namespace

frmLookup::frmLookup(QWidget* parent) : QDialog(parent) {
    buildControls();
    m_rows = new GridModel(this);
    FormScript::GridColumn code, descr;
    code.field = QStringLiteral("Code");
    code.caption = QStringLiteral("Κωδικός");
    descr.field = QStringLiteral("Descr");
    descr.caption = QStringLiteral("Περιγραφή");
    m_rows->setColumns({code, descr});
    tdbg->setModel(m_rows);

    connect(tdbg->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { adodc_MoveComplete(); });
    connect(tdbg->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { tdbg_HeadClick(column); });
    for (int i = 0; i < 3; ++i) connect(cmd[i], &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    Form_Load();
}

frmLookup::~frmLookup() {
    Form_Unload();
}

bool frmLookup::Init(const QString& Caption, const QString& TableName, const QString& CodeField,
                     const QString& DescrField, long ReportNo, const QString& IdField, bool ShowSelect) {
    setWindowTitle(Caption);
    m_reportNo = ReportNo;
    m_table = TableName.toUpper();
    cmdSelect->setVisible(ShowSelect);
    m_codeField = CodeField.trimmed();
    m_hasCode = !m_codeField.isEmpty();
    if (!m_hasCode) {
        txt[0]->hide();
        lbl[0]->hide();
        tdbg->setColumnHidden(0, true);
        // The description takes the code's place in the frame.
        lbl[1]->move(lbl[0]->pos());
        txt[1]->move(lbl[1]->x() + lbl[1]->width() + Twips::toPixels(90), txt[1]->y());
        Form_Resize();
    }
    m_descrField = DescrField.trimmed();
    m_idField = IdField.trimmed();
    m_hasKey = !m_idField.isEmpty();
    // A list whose rows carry a version is corrected only while the entry is as it was shown.
    {
        Recordset probe;
        m_hasVersion =
            m_hasKey && probe.Open(QStringLiteral("SELECT ") + QLatin1String(RowVersion::Column) +
                                       QStringLiteral(" FROM ") + m_table + QStringLiteral(" WHERE 1=0"),
                                   gConn);
        Err().Clear();
    }
    m_sortField = DescrField;
    m_ascending = true;
    OpenRecordset();
    return true;
}

bool frmLookup::OpenRecordset() {
    QString sql = QStringLiteral(" SELECT ");
    if (m_hasCode) sql += m_codeField + QStringLiteral(" AS Code, ");
    sql += m_descrField + QStringLiteral(" as Descr ");
    if (m_hasKey) sql += QLatin1Char(',') + m_idField + QStringLiteral(" AS Id");
    if (m_hasVersion) sql += QStringLiteral(", ") + QLatin1String(RowVersion::Column);
    sql += QStringLiteral(" FROM ") + m_table;
    if (!m_sortField.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + m_sortField;
        if (!m_ascending) sql += QStringLiteral(" DESC");
    }
    m_statement = sql;

    Recordset rs;
    if (!rs.Open(sql, gConn)) {
        m_rs = Recordset();
        m_rows->setRecordset(m_rs);
        Screen::SetMousePointer(Screen::vbDefault);
        if (gErr) gErr->ErrorMsg(QStringLiteral("frmLookUp-2"), true, this);
        return false;
    }
    m_rs = rs;
    m_rows->setRecordset(m_rs);
    // The boxes take no more than the columns hold.
    if (m_hasCode) txt[0]->setMaxLength(qMax(1, DBHelper::ColumnSize(gConn, m_table, m_codeField)));
    const int descrSize = DBHelper::ColumnSize(gConn, m_table, m_descrField);
    txt[1]->setMaxLength(descrSize > 0 ? descrSize : 32767);
    const int sortColumn = m_sortField.compare(QLatin1String("Code"), Qt::CaseInsensitive) == 0 ? 0
                           : m_sortField.compare(QLatin1String("Descr"), Qt::CaseInsensitive) == 0 ||
                                   m_sortField.compare(m_descrField, Qt::CaseInsensitive) == 0
                               ? 1
                               : -1;
    tdbg->horizontalHeader()->setSortIndicator(sortColumn,
                                               m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // Bound afresh, the grid stands on the first row.
    if (m_rs.RecordCount() > 0) tdbg->setCurrentIndex(m_rows->index(0, m_hasCode ? 0 : 1));
    return true;
}

void frmLookup::adodc_MoveComplete() {
    const QModelIndex current = tdbg->currentIndex();
    if (!current.isValid() || current.row() >= m_rs.RecordCount()) return;
    const int row = current.row();
    const auto value = [this, row](const char* name) {
        const int field = m_rs.FieldIndex(QLatin1String(name));
        return field < 0 ? QVariant() : m_rs.ValueAt(row, field);
    };
    m_key = m_hasKey ? long(value("Id").toLongLong()) : 0;
    m_code = m_hasCode ? value("Code").toString() : QString();
    m_descr = value("Descr").toString();
    m_version = m_hasVersion ? value(RowVersion::Column) : QVariant();
    txt[0]->setText(m_code);
    txt[1]->setText(m_descr);
    txt[2]->setText(QString::number(m_key));
}

void frmLookup::tdbg_HeadClick(int ColIndex) {
    m_sortField = m_rows->fieldName(ColIndex);
    m_ascending = ColIndex == m_lastHeader ? !m_ascending : true;
    m_lastHeader = ColIndex;
    OpenRecordset();
}

void frmLookup::cmd_Click(int Index) {
    switch (Index) {
        case 0:
            return AddRecord();
        case 1:
            return UpdateRecord();
        case 2:
            return DeleteRecord();
        default:
            return;
    }
}

void frmLookup::ValuesOK(int, bool& OK) {
    // An addition's look-up for the same code runs inside its transaction (LookupStore::Add).
    OK = true;
    if (!m_hasCode) return;
    if (txt[0]->text().isEmpty()) {
        MsgBox(QStringLiteral("Υποχρεωτική καταχώρηση κωδικού!"), vb::vbExclamation, windowTitle());
        txt[0]->setFocus();
        OK = false;
    }
}

QString frmLookup::FindCriteria() const {
    if (m_hasCode) return QStringLiteral("CODE=") + StrHelper::SqlValue(txt[0]->text().trimmed());
    return QStringLiteral("DESCR=") + StrHelper::SqlValue(txt[1]->text().trimmed());
}

void frmLookup::AddRecord() {
    bool ok = false;
    ValuesOK(1, ok);
    if (!ok) return;
    const QString criteria = FindCriteria();
    QVariant key;
    switch (LookupStore::Add(gConn, m_table, m_hasCode ? m_codeField : QString(), txt[0]->text(),
                             m_descrField, txt[1]->text(), gUser ? gUser->UserId : 0, &m_pendingToken,
                             &key)) {
        case LookupStore::AddResult::Added:
            requery(criteria);
            return;
        case LookupStore::AddResult::Recovered:
            // The log keeps what happened; the user sees the entry that was added.
            if (gErr) gErr->DBErrorMsg(QStringLiteral("Προσθήκη"), false, this);
            requery(m_hasKey && !key.isNull() ? QStringLiteral("Id=") + key.toString() : criteria);
            MsgBox(LookupStore::RecoveredMessage(), vb::vbInformation, windowTitle());
            return;
        case LookupStore::AddResult::CodeTaken:
            MsgBox(QStringLiteral("Πρέπει να δώσετε άλλο κωδικό γιατί αυτός είναι ήδη καταχωρημένος!"),
                   vb::vbExclamation, windowTitle());
            txt[0]->setFocus();
            return;
        case LookupStore::AddResult::Failed:
            EndChange(false, QStringLiteral("Η προσθήκη δεν έγινε."), criteria);
            return;
        case LookupStore::AddResult::Unknown:
            // The list cannot be read now: everything stays as typed for the next try.
            if (gErr) gErr->DBErrorMsg(QStringLiteral("Η προσθήκη δεν επιβεβαιώθηκε."), true, this);
            Screen::SetMousePointer(Screen::vbDefault);
            return;
    }
}

void frmLookup::UpdateRecord() {
    bool ok = false;
    ValuesOK(0, ok);
    if (!ok) return;
    const QString criteria = FindCriteria();
    if (!BeginChange(QStringLiteral("Η διόρθωση δεν έγινε."))) return;
    QString assignments;
    if (m_hasCode)
        assignments +=
            m_codeField + QLatin1Char('=') + StrHelper::SqlValue(txt[0]->text()) + QLatin1Char(',');
    assignments += m_descrField + QLatin1Char('=') + StrHelper::SqlValue(txt[1]->text()) +
                   QStringLiteral(",MODUSER = ") + QString::number(gUser ? gUser->UserId : 0);
    const QString cond =
        m_hasKey ? QString(m_idField + QLatin1Char('=') + QString::number(m_key))
                 : QString(m_codeField + QLatin1Char('=') + StrHelper::SqlValue(m_code.trimmed()));
    qint64 affected = 0;
    const bool updated = DBHelper::UpdateRec(gConn, m_table, cond + RowVersion::Condition(m_version),
                                             assignments, {}, &affected);
    if (!updated || affected > 0)
        return EndChange(updated, QStringLiteral("Η διόρθωση δεν έγινε."), criteria);

    // No row took it. No keeps the typed values, still against the version they were typed on,
    // so that a second try is refused as well.
    StaleChange(cond, QStringLiteral("Η διόρθωση δεν έγινε."), criteria, clsDBForm::ConflictQuestion());
}

void frmLookup::DeleteRecord() {
    if (MsgBox(QStringLiteral("Σίγουρα να γίνει η διαγραφή;"),
               vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2, windowTitle()) != vb::vbYes)
        return;
    if (!BeginChange(QStringLiteral("Η διαγραφή δεν έγινε."))) return;
    const QString cond = m_hasKey ? QString(m_idField + QStringLiteral(" = ") + QString::number(m_key))
                                  : QString(m_codeField + QLatin1Char('=') + StrHelper::SqlValue(m_code));
    // Only the entry as it was listed is deleted, never one another user corrected meanwhile.
    qint64 affected = 0;
    const bool deleted =
        DBHelper::DeleteRecs(gConn, m_table, cond + RowVersion::Condition(m_version), &affected);
    if (!deleted || affected > 0 || m_version.isNull())
        return EndChange(deleted, QStringLiteral("Η διαγραφή δεν έγινε."), QString());

    // No leaves the window as it was, the entry undeleted.
    StaleChange(cond, QStringLiteral("Η διαγραφή δεν έγινε."), QString(), clsDBForm::DeleteConflictQuestion());
}

void frmLookup::StaleChange(const QString& cond, const QString& failure, const QString& criteria,
                            const QString& question) {
    if (gConn->InTransaction()) gConn->RollbackTrans();
    const RowVersion::State state = RowVersion::Judge(gConn, m_table, cond, m_version);
    if (state == RowVersion::State::Gone || state == RowVersion::State::Unread) {
        // Deleted by another user: the list is read again without it.
        DBHelper::SetLastError(state == RowVersion::State::Gone ? clsDBForm::DeletedMessage()
                                                                 : gConn->LastErrorText());
        return EndChange(false, failure, criteria);
    }
    // Changed since it was listed: Yes lists the entry as it is now.
    if (MsgBox(question, vb::vbYesNo | vb::vbExclamation, windowTitle()) == vb::vbYes)
        requery(QStringLiteral("Id=") + QString::number(m_key));
}

bool frmLookup::BeginChange(const QString& failure) {
    if (gConn->BeginTrans()) return true;
    if (gErr) gErr->ErrorMsg(failure, true, this);
    return false;
}

void frmLookup::EndChange(bool ok, const QString& failure, const QString& criteria) {
    if (ok) {
        if (gConn->CommitTrans()) {
            requery(criteria);
            return;
        }
        // A failed commit has rolled back already; its error is the one to report.
        DBHelper::SetLastError(gConn->LastErrorText());
    }
    if (gConn->InTransaction()) gConn->RollbackTrans();
    if (gErr) gErr->DBErrorMsg(failure, true, this);
    // The typed values stay for another try, on the entry they were typed on and against the
    // version they were typed on; when that entry is gone, the boxes show the list's first row
    // instead of values no row stands behind.
    const QString code = txt[0]->text(), descr = txt[1]->text();
    const QVariant version = m_version;
    if (requery(m_hasKey && m_key ? QStringLiteral("Id=") + QString::number(m_key) : QString())) {
        txt[0]->setText(code);
        txt[1]->setText(descr);
        m_version = version;
    }
    Screen::SetMousePointer(Screen::vbDefault);
}

bool frmLookup::requery(const QString& criteria) {
    const int sortColumn = tdbg->currentIndex().column();
    if (!OpenRecordset() || criteria.isEmpty()) return false;
    m_rs.MoveFirst();
    const bool found = m_rs.Find(criteria, 0, true);
    if (found)
        tdbg->setCurrentIndex(
            m_rows->index(m_rs.AbsolutePosition() - 1, qMax(sortColumn, m_hasCode ? 0 : 1)));
    Err().Clear();
    return found;
}

void frmLookup::cmdPrint_Click() {
    if (ReportHooks::LookupList)
        ReportHooks::LookupList(m_table, windowTitle(), m_codeField, m_descrField, m_reportNo);
}

void frmLookup::cmdSelect_Click() {
    accept();
}

void frmLookup::cmdExit_Click() {
    m_canceled = true;
    QDialog::reject();
}

void frmLookup::reject() {
    cmdExit_Click();
}

void frmLookup::closeEvent(QCloseEvent* event) {
    if (isVisible()) m_canceled = true;
    QDialog::closeEvent(event);
}

void frmLookup::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());
    bool flag1 = false, flag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 8220, 5565, kSection, flag1, flag2);
    mod_Grid::SetGridHighlight(tdbg);
}

void frmLookup::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    bool flag = false;
    FormLayout::Shared().Save(this, kSection, flag);
}

void frmLookup::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmLookup::Form_Resize() {
    if (isMinimized()) return;
    const int innerWidth = Twips::fromPixels(width()), innerHeight = Twips::fromPixels(height());
    if (innerWidth < 4000 || innerHeight < 3000) return;
    const int W = innerWidth - 100, H = innerHeight;
    const auto tw = [](int px) { return Twips::fromPixels(px); };
    const auto px = [](int twips) { return Twips::toPixels(twips); };

    tdbg->resize(px(W), px(H - 1700));
    fra->setGeometry(fra->x(), tdbg->y() + tdbg->height() + px(80), px(W), fra->height());
    txt[1]->resize(px(tw(fra->width()) - tw(txt[1]->x()) - 90), txt[1]->height());
    const int top = H - tw(cmdPrint->height()) - 80;
    for (QPushButton* b : {cmdPrint, cmdExit, cmdSelect}) b->move(b->x(), px(top));
    cmdExit->move(px(W - tw(cmdExit->width()) + 40), cmdExit->y());
    cmdSelect->move(px(W - tw(cmdExit->width()) - tw(cmdSelect->width())), cmdSelect->y());
}
