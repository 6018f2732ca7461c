// The framework's actions: editing, saving, deleting, searching, sorting and printing.
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QUuid>

#include "Adodc.h"
#include "BoundControl.h"
#include "DBFormWindow.h"
#include "DBHelper.h"
#include "DbMessages.h"
#include "FieldCondBuilder.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "RowVersion.h"
#include "clsDBForm.h"
#include "modDeclare.h"

namespace {

// Drops the comma that ends a list handed over for appending when nothing was appended.
QString withoutTrailingComma(QString list) {
    while (!list.isEmpty() && list.back().isSpace()) list.chop(1);
    if (list.endsWith(QLatin1Char(','))) list.chop(1);
    return list;
}

// How a search box tagged S matches, from the bracket its caption ends with.
int searchMode(const QString& caption) {
    if (caption.contains(QStringLiteral("[περ"))) return FieldCondBuilder::Contains;
    if (caption.contains(QStringLiteral("[="))) return FieldCondBuilder::Equal;
    return FieldCondBuilder::BeginsWith;
}

}  // namespace

void clsDBForm::beginEdit(long action) {
    if (!m_started || m_terminated || !m_form || Editing() || !(m_permissions & action)) return;
    if (action != actNew && m_currentKey.isNull()) return;
    // Only a record shown whole is edited or copied: a half-read page would save as half.
    if (action != actNew && !readAgainIfNotShown()) return;
    // A new entry takes its defaults from the server: without the server, say so and open none.
    if (action == actNew && !m_conn->IsOpen()) {
        m_conn->fail(ErrNo::DbNotOpen, QStringLiteral("Operation is not allowed when the object is closed."));
        reportError(QStringLiteral("PostInitRec"), false);
        return;
    }
    setTab(RecordPage);
    m_action = action;
    m_pendingToken.clear();
    m_editKey = m_currentKey;
    m_editVersion = action == actUpdate ? m_shownVersion : QVariant();
    if (action == actNew) clearRecordPage();
    if (action == actCopy) {
        // The copy becomes a new row: it must not carry the copied row's key.
        for (const Bound& b : m_bound)
            if (b.widget && b.control->page == FormScript::Page::Record &&
                b.control->field.compare(m_script.form().key, Qt::CaseInsensitive) == 0)
                BoundControl::Clear(b.widget);
    }
    prepareRecordPage(action);
    updateToolbar();
    m_form->mclsDBForm_PostInitRec(action);
}

bool clsDBForm::saveRecord() {
    if (!m_started || m_terminated || !m_form || !Editing()) return false;
    // A lost connection is made again here, or named, before any field is judged.
    if (!m_conn->IsOpen()) {
        m_conn->fail(ErrNo::DbNotOpen, QStringLiteral("Operation is not allowed when the object is closed."));
        reportError(QStringLiteral("SaveRec"), false);
        return false;
    }
    // The last save's commit died with the connection: stored or not, it is not written twice.
    if (!m_pendingToken.isEmpty()) {
        QVariant stored;
        switch (findSaved(m_pendingToken, &stored)) {
            case Stored::Yes:
                return resolveLostCommit(m_pendingToken, m_pendingReported);
            case Stored::Unknown:
                reportError(QStringLiteral("SaveRec"), false);
                return false;
            case Stored::No:
                m_pendingToken.clear();  // this save is the one that counts
                break;
        }
    }
    for (const Bound& b : m_bound) {
        if (b.control->page != FormScript::Page::Record || !b.widget) continue;
        if (BoundControl::HasBadDate(b.widget)) {
            MsgBox(BadDateMessage(captionOf(b)), vb::vbExclamation);
            b.widget->setFocus();
            return false;
        }
        if (b.control->required() && BoundControl::IsEmpty(b.widget)) {
            MsgBox(RequiredMessage(captionOf(b)), vb::vbExclamation);
            b.widget->setFocus();
            return false;
        }
    }

    bool ok = true;
    m_form->mclsDBForm_ValuesOK(ok);
    if (!ok || m_terminated || !m_form) return false;

    const bool insert = m_action != actUpdate;
    QString fields, values;
    for (const Bound& b : m_bound) {
        if (b.control->page != FormScript::Page::Record || !b.control->written() || !b.widget) continue;
        QVariant value = BoundControl::Value(b.widget);
        if (b.control->len > 0 && value.typeId() == QMetaType::QString)
            value = value.toString().left(b.control->len);
        const QString literal = BoundControl::SqlLiteral(value);
        if (insert) {
            fields += b.control->field + QLatin1Char(',');
            values += literal + QLatin1Char(',');
        } else {
            fields += b.control->field + QLatin1Char('=') + literal + QLatin1Char(',');
        }
    }
    m_form->mclsDBForm_PreSaveRec(m_action, fields, values);
    if (m_terminated || !m_form) return false;
    fields = withoutTrailingComma(fields);
    values = withoutTrailingComma(values);
    QString token;
    if ((insert || !fields.isEmpty()) && hasTokenColumn()) {
        token = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString comma = fields.isEmpty() ? QString() : QStringLiteral(",");
        if (insert) {
            fields += comma + QLatin1String(TokenColumn);
            values += comma + BoundControl::SqlLiteral(token);
        } else {
            fields += comma + QLatin1String(TokenColumn) + QLatin1Char('=') + BoundControl::SqlLiteral(token);
        }
    }

    const QString& table = m_script.form().table;
    const QString& keyField = m_script.form().key;
    // A copy is written as a new row: the form hears of it as an insert.
    const long reported = m_action == actCopy ? long(actNew) : m_action;
    QVariant key = insert ? QVariant() : m_currentKey;
    // The main row and the rows the form writes in PostAction are one transaction: a failure
    // anywhere leaves nothing of the save, gives a new row's number back and keeps the edit.
    if (!m_conn->BeginTrans()) {
        reportError(QStringLiteral("SaveRec"), false);
        return false;
    }
    bool success = true;
    if (insert) {
        key = DBHelper::InsertRec(m_conn, table, 0, QString(), fields, values, {});
        success = !key.isNull();
        if (key.typeId() == QMetaType::Bool) key = QVariant();  // the table has no single key column
        if (!success) {
            rollBack();
            reportError(QStringLiteral("SaveRec"), true);
        }
    } else if (!fields.isEmpty()) {
        const QString where = keyField + QLatin1Char('=') + BoundControl::SqlLiteral(key) +
                              RowVersion::Condition(m_editVersion);
        qint64 affected = 0;
        success = m_conn->Execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + fields +
                                      QStringLiteral(" WHERE ") + where,
                                  &affected);
        if (!success) {
            rollBack();
            reportError(QStringLiteral("SaveRec"), false);
        } else if (affected == 0) {
            success = false;
            rollBack();
            reportLostUpdate(key);
            if (m_terminated || !m_form || !Editing()) return false;
        }
    }

    m_form->mclsDBForm_PostAction(key, reported, success);
    if (!success) return false;
    if (m_terminated || !m_form) {
        rollBack();
        return false;
    }
    // The form rolled its rows back (and said why): the whole save is undone.
    if (!m_conn->InTransaction()) return false;
    if (m_conn->TransactionDepth() > 1 || !m_conn->CommitTrans()) {
        if (!m_conn->InTransaction() && m_conn->CommitUncertain() && !token.isEmpty())
            return resolveLostCommit(token, reported);
        if (m_conn->InTransaction()) {
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"),
                        DbMessages::Explained(QStringLiteral("PostAction left its transaction open.")));
            rollBack();
        }
        reportError(QStringLiteral("SaveRec"), false);
        return false;
    }
    finishSave(key, reported);
    return true;
}

void clsDBForm::finishSave(const QVariant& key, long reported) {
    m_pendingToken.clear();
    m_form->mclsDBForm_PostCommit(key, reported);
    if (m_terminated || !m_form) return;
    m_action = 0;
    openList(m_listCond, key);
    enterView();
    showRecord(key.isNull() ? m_form->adodc->CurrentKey() : key);
}

bool clsDBForm::hasTokenColumn() {
    if (m_tokenColumn < 0) {
        const int size = DBHelper::ColumnSize(m_conn, m_script.form().table, QLatin1String(TokenColumn));
        // A failed look-up is asked again at the next save.
        if (size > 0)
            m_tokenColumn = 1;
        else if (!Err().Pending())
            m_tokenColumn = 0;
        Err().Clear();
    }
    return m_tokenColumn > 0;
}

clsDBForm::Stored clsDBForm::findSaved(const QString& token, QVariant* key) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("SELECT ") + m_script.form().key + QStringLiteral(" FROM ") +
                     m_script.form().table + QStringLiteral(" WHERE ") + QLatin1String(TokenColumn) +
                     QLatin1Char('=') + BoundControl::SqlLiteral(token),
                 m_conn))
        return Stored::Unknown;
    if (rs.Eof()) return Stored::No;
    *key = rs.Value(0);
    return Stored::Yes;
}

bool clsDBForm::resolveLostCommit(const QString& token, long reported) {
    const QString driver = DbMessages::DriverPart(m_conn->LastErrorText());
    QVariant key;
    switch (findSaved(token, &key)) {
        case Stored::Yes:
            // Told as any save is; the log keeps what happened.
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"),
                        QStringLiteral("Η σύνδεση χάθηκε πριν φτάσει η απάντηση της βάσης στην αποθήκευση· "
                                       "η εγγραφή βρέθηκε αποθηκευμένη.\r\n") +
                            DbMessages::AdministratorLine() + driver);
            if (modDeclare::gErr) modDeclare::gErr->ErrorMsg(QStringLiteral("SaveRec"), false, this);
            Err().Clear();
            m_saveRecovered = true;
            finishSave(key, reported);
            m_saveRecovered = false;
            return true;
        case Stored::No:
            m_pendingToken.clear();
            Err().Raise(
                ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"),
                CommitLostMessage() + QStringLiteral("\r\n") + DbMessages::AdministratorLine() + driver);
            break;
        case Stored::Unknown:
            m_pendingToken = token;
            m_pendingReported = reported;
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"),
                        CommitUnknownMessage() + QStringLiteral("\r\n") + DbMessages::AdministratorLine() +
                            DbMessages::DriverPart(m_conn->LastErrorText()));
            break;
    }
    reportError(QStringLiteral("SaveRec"), false);
    return false;
}

QString clsDBForm::CommitLostMessage() {
    return Connection::LostText() + QStringLiteral(
                                        " Η εγγραφή δεν αποθηκεύτηκε. Ό,τι πληκτρολογήσατε είναι ακόμη στη "
                                        "φόρμα: πατήστε «Αποθήκ.» για να την αποθηκεύσετε.");
}

QString clsDBForm::CommitUnknownMessage() {
    return Connection::LostText() +
           QStringLiteral(
               " Δεν είναι ακόμη γνωστό αν η εγγραφή αποθηκεύτηκε. Ό,τι πληκτρολογήσατε είναι ακόμη στη "
               "φόρμα: όταν η σύνδεση αποκατασταθεί, πατήστε «Αποθήκ.»· θα ελεγχθεί πρώτα αν η εγγραφή "
               "αποθηκεύτηκε, ώστε να μη γραφτεί δύο φορές.");
}

void clsDBForm::rollBack() {
    if (!m_conn->InTransaction()) return;
    const long number = Err().Number;
    const QString source = Err().Source, description = Err().Description;
    m_conn->RollbackTrans();
    if (number != 0) Err().Raise(number, source, description);
}

void clsDBForm::reportLostUpdate(const QVariant& key) {
    const RowVersion::State state = RowVersion::Judge(
        m_conn, m_script.form().table, m_script.form().key + QLatin1Char('=') + BoundControl::SqlLiteral(key),
        m_editVersion);
    if (state == RowVersion::State::Unread) {
        reportError(QStringLiteral("SaveRec"), false);
    } else if (state == RowVersion::State::Gone) {
        Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"), DeletedMessage());
        reportError(QStringLiteral("SaveRec"), false);
    } else if (MsgBox(ConflictQuestion(), vb::vbYesNo | vb::vbExclamation) == vb::vbYes) {
        cancelEdit();
    }
}

bool clsDBForm::reportLostDelete(const QVariant& key) {
    if (m_shownVersion.isNull()) return false;
    const RowVersion::State state = RowVersion::Judge(
        m_conn, m_script.form().table, m_script.form().key + QLatin1Char('=') + BoundControl::SqlLiteral(key),
        m_shownVersion);
    switch (state) {
        case RowVersion::State::Unchanged:
            return false;
        case RowVersion::State::Unread:
            reportError(QStringLiteral("DelRec"), false);
            return true;
        case RowVersion::State::Gone:
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"), DeletedMessage());
            reportError(QStringLiteral("DelRec"), false);
            break;
        case RowVersion::State::Changed:
            if (MsgBox(DeleteConflictQuestion(), vb::vbYesNo | vb::vbExclamation) != vb::vbYes) return true;
            break;
    }
    if (!m_terminated && m_form) showRecord(key);
    return true;
}

void clsDBForm::cancelEdit() {
    if (!Editing() || !m_form) return;
    const QVariant key = m_action == actNew ? m_form->adodc->CurrentKey() : m_editKey;
    m_action = 0;
    m_pendingToken.clear();
    prepareRecordPage(actView);
    m_form->mclsDBForm_PostInitRec(actOther);
    if (m_terminated || !m_form) return;
    m_form->mclsDBForm_PostAction(key, actOther, true);
    if (m_terminated || !m_form) return;
    enterView();
    showRecord(key);
}

void clsDBForm::deleteRecord() {
    if (!m_started || m_terminated || !m_form || Editing() || m_currentKey.isNull() ||
        !(m_permissions & actDelete))
        return;
    // What is deleted is what the user sees: a record not shown whole is read again first.
    if (!readAgainIfNotShown()) return;
    if (MsgBox(DeleteQuestion(), vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) != vb::vbYes) return;
    const QVariant key = m_currentKey;
    const int row = m_form->adodc->AbsolutePosition();
    // The delete and the form's removal of the row's own rows are one transaction.
    if (!m_conn->BeginTrans()) {
        reportError(QStringLiteral("DelRec"), false);
        return;
    }
    bool ok = false, abort = false;
    m_form->mclsDBForm_DelRec(key, ok, abort);
    if (abort || m_terminated || !m_form) {
        rollBack();
        return;
    }
    if (!ok) {
        rollBack();
        if (Err().Pending()) reportError(QStringLiteral("DelRec"), false);
        // A row another user changed or deleted since it was shown is not deleted unseen.
        else if (reportLostDelete(key) && (m_terminated || !m_form))
            return;
    }
    m_form->mclsDBForm_PostAction(key, actDelete, ok);
    if (m_terminated || !m_form) {
        rollBack();
        return;
    }
    if (!ok) return;
    if (!m_conn->InTransaction() || m_conn->TransactionDepth() > 1 || !m_conn->CommitTrans()) {
        if (m_conn->InTransaction()) rollBack();
        if (Err().Pending()) reportError(QStringLiteral("DelRec"), false);
        showRecord(key);  // the page shows the row as it is stored, not as the undone delete left it
        return;
    }
    // A soft-deleted row may stay listed; a removed one leaves its place to the next row.
    openList(m_listCond, key);
    if (m_list->rowOfKey(key) < 0 && row > 0) {
        m_busy = true;
        m_form->adodc->SetAbsolutePosition(row);
        syncGrid();
        m_busy = false;
    }
    enterView();
    showRecord(m_form->adodc->CurrentKey());
}

QString clsDBForm::searchConditions() const {
    QStringList parts;
    for (const Bound& b : m_bound) {
        if (b.control->page != FormScript::Page::Search || !b.control->frameworkSearch() ||
            !b.control->bound())
            continue;
        auto* box = qobject_cast<QLineEdit*>(b.widget.data());
        if (!box) continue;
        QString cond;
        FieldCondBuilder::FieldCond(b.control->field, box->text(), searchMode(b.control->caption), 0, 0,
                                    nullptr, QString(), cond);
        if (!cond.isEmpty()) parts << cond;
    }
    return parts.join(QStringLiteral(" AND "));
}

void clsDBForm::search() {
    if (!m_started || m_terminated || !m_form || Editing()) return;
    const QString own = searchConditions();
    QString cond;
    m_form->mclsDBForm_SearchCond(cond);
    if (m_terminated || !m_form) return;
    QString listCond;
    if (cond.startsWith(QLatin1String("%%"))) {
        listCond = cond;
    } else {
        QStringList parts;
        if (!own.isEmpty()) parts << own;
        if (!cond.trimmed().isEmpty()) parts << cond;
        listCond = parts.join(QStringLiteral(" AND "));
    }
    openList(listCond, QVariant());
    enterView();
    showRecord(m_form->adodc->CurrentKey());
    setTab(ListPage);
}

void clsDBForm::clearSearch() {
    if (!m_form) return;
    for (const Bound& b : m_bound)
        if (b.control->page == FormScript::Page::Search && b.widget) BoundControl::Clear(b.widget);
    if (!m_terminated) m_form->mclsDBForm_PostInitRec(actSearchReset);
}

void clsDBForm::sortList(bool descending) {
    if (!m_form || !m_model || m_model->columnCount() == 0) return;
    QTableView* grid = m_form->tdbg;
    int column = grid->currentIndex().isValid() ? grid->currentIndex().column() : -1;
    if (column < 0 || grid->isColumnHidden(column)) {
        column = 0;
        while (column < m_model->columnCount() - 1 && grid->isColumnHidden(column)) ++column;
    }
    const QString field = m_model->fieldName(column);
    if (field.isEmpty()) return;
    m_sortOrder = descending ? field + QStringLiteral(" DESC") : field;
    const QVariant key = m_currentKey;
    openList(m_listCond, key);
    if (m_form->adodc->CurrentKey() != key) showRecord(m_form->adodc->CurrentKey());
}

void clsDBForm::printReport() {
    if (!m_form) return;
    QString where = m_listCond;
    QString extra = m_baseCond;
    QStringList fields;
    for (const FormScript::GridColumn& c : m_script.gridColumns())
        if (c.visible()) fields << c.field + QLatin1Char('~') + c.caption;
    m_form->mclsDBForm_PrintReport(where, extra, fields);
}
