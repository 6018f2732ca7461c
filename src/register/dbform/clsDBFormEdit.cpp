// The framework's actions: editing, saving, deleting, searching, sorting and printing.
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include "Adodc.h"
#include "BoundControl.h"
#include "DBFormWindow.h"
#include "DBHelper.h"
#include "FieldCondBuilder.h"
#include "GridModel.h"
#include "ListRecordset.h"
#include "MsgBox.h"
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
    setTab(RecordPage);
    m_action = action;
    m_editKey = m_currentKey;
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

    const QString& table = m_script.form().table;
    QVariant key = insert ? QVariant() : m_currentKey;
    bool success = true;
    if (insert) {
        key = DBHelper::InsertRec(m_conn, table, 0, QString(), fields, values, {});
        success = !key.isNull();
        if (key.typeId() == QMetaType::Bool) key = QVariant();  // the table has no single key column
        if (!success) reportError(QStringLiteral("SaveRec"), true);
    } else if (!fields.isEmpty()) {
        qint64 affected = 0;
        success = m_conn->Execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + fields +
                                      QStringLiteral(" WHERE ") + m_script.form().key + QLatin1Char('=') +
                                      BoundControl::SqlLiteral(key),
                                  &affected);
        if (!success) {
            reportError(QStringLiteral("SaveRec"), false);
        } else if (affected == 0) {
            success = false;
            Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"),
                        QStringLiteral("Η εγγραφή δεν βρέθηκε: ίσως τη διέγραψε άλλος χρήστης."));
            reportError(QStringLiteral("SaveRec"), false);
        }
    }

    // A saved copy is a new row: the form hears of it as an insert.
    const long reported = m_action == actCopy ? long(actNew) : m_action;
    m_form->mclsDBForm_PostAction(key, reported, success);
    if (!success || m_terminated || !m_form) return false;

    m_action = 0;
    openList(m_listCond, key);
    enterView();
    showRecord(key.isNull() ? m_form->adodc->CurrentKey() : key);
    return true;
}

void clsDBForm::cancelEdit() {
    if (!Editing() || !m_form) return;
    const QVariant key = m_action == actNew ? m_form->adodc->CurrentKey() : m_editKey;
    m_action = 0;
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
    if (MsgBox(DeleteQuestion(), vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) != vb::vbYes) return;
    const QVariant key = m_currentKey;
    const int row = m_form->adodc->AbsolutePosition();
    bool ok = false, abort = false;
    m_form->mclsDBForm_DelRec(key, ok, abort);
    if (abort || m_terminated || !m_form) return;
    m_form->mclsDBForm_PostAction(key, actDelete, ok);
    if (!ok || m_terminated || !m_form) return;
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
