// The register window's answers to the framework's events, and the search page's pickers.
#include <QDate>

#include "BoundControl.h"
#include "CondBuilder.h"
#include "DBHelper.h"
#include "FieldCondBuilder.h"
#include "MsgBox.h"
#include "NewEntryDate.h"
#include "Rights.h"
#include "RowVersion.h"
#include "StrHelper.h"
#include "clsDBForm.h"
#include "clsRptProtDet.h"
#include "clsRptProtGroup.h"
#include "clsRptProtReceipt.h"
#include "frmPhrases.h"
#include "frmProtocol.h"
#include "frmRptProtocol.h"
#include "modDeclare.h"

using namespace modDeclare;

namespace {

long userId() {
    return gUser ? gUser->UserId : 0;
}

long auth() {
    return gUser ? gUser->Auth : 0;
}

// The number a label's caption holds, as decimal text ("0" when none).
QString numberOf(const QLabel* label) {
    return QString::number(label ? label->text().trimmed().toLongLong() : 0);
}

// The number a text begins with, as a year box is read: blanks skipped, 0 when it has no digits.
QString leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() && end < 18 && t.at(end).isDigit() && t.at(end).unicode() < 128) ++end;
    return QString::number(end == 0 ? 0 : t.left(end).toLongLong());
}

QString fieldCond(const QString& column, const QString& typed, int mode) {
    QString out;
    FieldCondBuilder::FieldCond(column, typed, mode, 0, 0, nullptr, QString(), out);
    return out;
}

}  // namespace

void frmProtocol::mclsDBForm_PostInitRec(long Action) {
    switch (Action) {
        case clsDBForm::actNew: {
            EnableIncoming(true);
            cmbEdit[0]->setCurrentIndex(-1);
            cmbEdit[1]->setCurrentIndex(-1);
            cmbEdit[3]->clear();
            ShowFilesCount(3);
            cmbEdit[2]->clear();
            ShowFilesCount(2);
            {
                const QVariant today = NewEntryDate(this, mclsDBForm.get());
                if (today.isNull()) return;
                dtEdit[0]->SetValue(today);
            }
            const QVariant day = dtEdit[0]->Value();
            const QString year = day.isNull() ? QString() : day.toDate().toString(QStringLiteral("yyyy"));
            lblEdit[2]->setText(year);
            lblAA->setText(QStringLiteral("# / ") + year);
            for (int l = 0; l < 2; ++l) {
                for (int i = 0; i < lstEdit[l]->count(); ++i) {
                    QListWidgetItem* item = lstEdit[l]->item(i);
                    item->setSelected(false);
                    item->setData(Qt::UserRole, qAbs(item->data(Qt::UserRole).toLongLong()));
                }
            }
            dtEdit[0]->setFocus();
            break;
        }
        case clsDBForm::actUpdate:
            if (auth() & Rights::ProtocolEditIncoming) {
                dtEdit[0]->setFocus();
                EnableIncoming(true);
            } else {
                EnableIncoming(false);
                dtEdit[0]->setReadOnly(true);
                dtEdit[1]->setReadOnly(true);
                for (QWidget* w : {tbEdit[0], tbEdit[1], tbEdit[2], static_cast<QWidget*>(cmbEdit[0])})
                    BoundControl::SetLocked(w, true);
                // Changes to the departments would not be stored without the right: do not offer them.
                BoundControl::SetLocked(lstEdit[0], true);
                BoundControl::SetLocked(lstEdit[1], true);
                tbEdit[3]->setFocus();
            }
            break;
        case clsDBForm::actView:
            EnableIncoming(false);
            break;
        case clsDBForm::actSearchReset:
            txtSearch[1]->setText(QDate::currentDate().toString(QStringLiteral("yyyy")));
            break;
        default:
            break;
    }
    if (Action == clsDBForm::actCopy) {
        // A copy keeps what it shows: its files, attachments and departments become its own new
        // rows (the source's stay with the source).
        for (int c = 2; c <= 3; ++c)
            for (int i = 0; i < cmbEdit[c]->count(); ++i) cmbEdit[c]->setItemData(i, 0);
        for (int l = 0; l < 2; ++l)
            for (int i = 0; i < lstEdit[l]->count(); ++i) {
                QListWidgetItem* item = lstEdit[l]->item(i);
                item->setData(Qt::UserRole, qAbs(item->data(Qt::UserRole).toLongLong()));
            }
    }
    if (Action == clsDBForm::actNew || Action == clsDBForm::actUpdate)
        cmdEdit[11]->setEnabled(auth() & Rights::ProtocolDelete);
    if (Action != clsDBForm::actSearchReset) UpdateOpenButton();
}

void frmProtocol::UpdateOpenButton() {
    // Only while there is a document file to open: attachments are texts, not files.
    cmdEdit[1]->setEnabled(cmbEdit[2]->count() > 0);
}

void frmProtocol::mclsDBForm_PostShowRec(const QVariant& recID, bool& OK) {
    // The entry is one unit: the first read that fails ends the show, with its error pending.
    OK = false;
    const QString id = recID.toString();
    lblAA->setText(lblEdit[1]->text() + QStringLiteral(" / ") + lblEdit[2]->text());
    Err().Clear();
    if (!MarkDepartments(0, recID.toLongLong()) || !MarkDepartments(1, recID.toLongLong())) return;

    ComboFiller& filler = *m_filler;
    if (!filler.FillList(gConn, QStringLiteral("PROT_FILES"),
                         QStringLiteral("PR_ID=") + id + QStringLiteral(" AND FILETYPE IS NULL"),
                         QStringLiteral("F_ID"), QStringLiteral("FILENAME"), cmbEdit[2], m_fileIds,
                         QStringLiteral(","), 0, QStringLiteral("F_ID"), QStringLiteral("FILENAME")))
        return;
    ShowFilesCount(2);
    if (cmbEdit[2]->count() > 0) {
        BoundControl::SetLocked(cmbEdit[2], false);
        cmbEdit[2]->setCurrentIndex(0);
    }
    UpdateOpenButton();
    if (!filler.FillList(
            gConn, QStringLiteral("PROT_FILES"),
            QStringLiteral("PR_ID=") + id + QStringLiteral(" AND FILETYPE=") + QStringLiteral("'SYN'"),
            QStringLiteral("F_ID"), QStringLiteral("FILENAME"), cmbEdit[3], m_attachIds, QStringLiteral(","),
            0, QStringLiteral("F_ID"), QStringLiteral("FILENAME")))
        return;
    ShowFilesCount(3);
    if (cmbEdit[3]->count() > 0) cmbEdit[3]->setCurrentIndex(0);
    const QString name = DBHelper::LookupValue(gConn, QStringLiteral("USERS"),
                                               QStringLiteral("USER_ID=") + numberOf(lblEdit[4]),
                                               QStringLiteral("U_FNAME,U_LNAME"), 0, QStringLiteral(" "));
    if (Err().Pending()) return;
    lblModif->setText(u'[' + ModFlagText(lblEdit[3]->text()) + QStringLiteral("] [Χρήστης: ") + name + u']');
    OK = true;
}

void frmProtocol::mclsDBForm_ClearRec() {
    lblAA->clear();
    lblModif->clear();
    UnmarkDepartments(0);
    UnmarkDepartments(1);
    // No stored file or attachment is left that a save could take for the shown entry's.
    for (int c = 2; c <= 3; ++c) {
        cmbEdit[c]->clear();
        ShowFilesCount(c);
    }
    m_fileIds.clear();
    m_attachIds.clear();
    UpdateOpenButton();
}

void frmProtocol::mclsDBForm_ValuesOK(bool& OK) {
    const QString incoming = StrHelper::SqlValue(tbText(1));
    const QString sender = StrHelper::SqlValue(tbText(0));
    const QString subject = StrHelper::SqlValue(tbText(9));
    const QString year = StrHelper::SqlValue(lblEdit[2]->text());
    const QVariant day = dtEdit[0]->Value();
    OK = true;
    const long action = mclsDBForm ? mclsDBForm->CurAction() : 0;
    const bool isNew = action == clsDBForm::actNew || action == clsDBForm::actCopy;
    const QString crlf = QStringLiteral("\r\n");

    QString head, cond;
    if (incoming != QLatin1String("''")) {
        head = QStringLiteral("Εισερχ. Πρωτόκολλο: ") + incoming + QStringLiteral("/Από: ") + sender + crlf +
               crlf + QStringLiteral("Είναι ήδη καταχωρημένο");
        cond = QStringLiteral("PROT_EIS=") + incoming + QStringLiteral(" AND APO=") + sender +
               QStringLiteral(" AND ETOS=") + year;
        if (!isNew) cond += QStringLiteral(" AND ID<>") + numberOf(lblEdit[0]);
    } else if (isNew) {
        head = QStringLiteral("Εισερχ. Πρωτόκολλο: Θέμα: ") + subject + QStringLiteral(" /Από: ") + sender +
               crlf + crlf + QStringLiteral("Είναι ήδη καταχωρημένο");
        cond = QStringLiteral("THEMA=") + subject + QStringLiteral(" AND APO=") + sender +
               QStringLiteral(" AND HMEROM=") + DBHelper::DateToSQL(day, QStringLiteral("dd/mm/yyyy"), true);
    } else {
        return;
    }
    const QString found = DBHelper::LookupValue(gConn, QStringLiteral("PROTOCOL"), cond,
                                                QStringLiteral("PROT_AA,HMEROM,THEMA"), 0, crlf);
    Err().Clear();
    if (found.isEmpty()) return;
    const int answer =
        MsgBox(head + QStringLiteral(" σε άλλη εγγραφή με AA Πρωτοκόλλου / Ημερομηνία / Θέμα:") + crlf +
                   found + crlf + crlf + QStringLiteral("Να γίνει αποδεκτό;"),
               vb::vbYesNoCancel | vb::vbExclamation | vb::vbDefaultButton2);
    OK = answer == vb::vbYes;
}

void frmProtocol::mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) {
    if (Action == clsDBForm::actNew || Action == clsDBForm::actCopy) {
        sFields += QStringLiteral("MODUSER");
        sValues += QString::number(userId());
    } else if (Action == clsDBForm::actUpdate) {
        sFields += QStringLiteral("MODUSER=") + QString::number(userId()) + QStringLiteral(",MODFLAG='M'");
    }
}

void frmProtocol::mclsDBForm_PostAction(const QVariant& key, long Action, bool success) {
    if (!success || Action == clsDBForm::actOther) return;
    const QString k = key.toString();
    const bool begun = gConn->BeginTrans();
    bool ok = true;
    const QString P = u'\'' + k + QStringLiteral("',");
    const QString user = QString::number(userId());

    const auto fail = [this] {
        // Rolled back before the box is shown: no lock is held while the user reads it.
        if (gConn->InTransaction()) gConn->RollbackTrans();
        if (gErr) gErr->DBErrorMsg(QStringLiteral("PostAction"), true, this);
    };
    const auto removeLink = [&](const QString& table, qlonglong id) {
        return DBHelper::DeleteRecs(
            gConn, table,
            QStringLiteral("PR_ID='") + k + QStringLiteral("' AND TM_ID=") + QString::number(id));
    };
    // Its level counts even when it failed (the save's transaction is gone): ending it ends all.
    if (!begun) {
        DBHelper::SetLastError(gConn->LastErrorText());
        return fail();
    }
    const auto addLink = [&](const QString& table, qlonglong id) {
        return !DBHelper::InsertRec(gConn, table, 0, QString(), QStringLiteral("PR_ID,TM_ID"),
                                    P + QString::number(id), {})
                    .isNull();
    };

    for (int l = 0; l < 2; ++l) {
        const QString table = l == 0 ? QStringLiteral("R_YPEYTH") : QStringLiteral("R_ANTIGRAFA");
        QListWidget* list = lstEdit[l];
        for (int i = 0; i < list->count(); ++i) {
            const QListWidgetItem* item = list->item(i);
            const qlonglong data = item->data(Qt::UserRole).toLongLong();
            const qlonglong id = qAbs(data);
            if (Action == clsDBForm::actNew) {
                if (item->isSelected()) ok = addLink(table, id);
            } else if (Action == clsDBForm::actUpdate) {
                if (!(auth() & Rights::ProtocolEditIncoming)) break;
                if (data < 0 && !item->isSelected())
                    ok = removeLink(table, id);
                else if (data >= 0 && item->isSelected())
                    ok = addLink(table, id);
            } else if (Action == clsDBForm::actDelete) {
                if (data < 0) ok = removeLink(table, id);
            }
            if (!ok) return fail();
        }
    }

    const auto addItems = [&](QComboBox* combo, bool attachment) {
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemData(i).toLongLong() != 0) continue;
            QStringList items{
                QStringLiteral("PR_ID=") + k,
                QStringLiteral("FILENAME=") + StrHelper::SqlValue(combo->itemText(i).left(250))};
            if (attachment) items << QStringLiteral("FILETYPE=") + QStringLiteral("'SYN'");
            items << QStringLiteral("MODUSER=") + user;
            if (DBHelper::InsertRec(gConn, QStringLiteral("PROT_FILES"), 0, QString(), QString(), QString(),
                                    items)
                    .isNull())
                return false;
        }
        return true;
    };
    const auto removeItems = [&](const QStringList& ids) {
        for (const QString& text : ids) {
            const qlonglong v = text.toLongLong();
            if (v < 0 || Action == clsDBForm::actDelete) {
                if (!DBHelper::DeleteRecs(gConn, QStringLiteral("PROT_FILES"),
                                          QStringLiteral("F_ID=") + QString::number(qAbs(v))))
                    return false;
            }
        }
        return true;
    };
    const bool adds = Action == clsDBForm::actNew || Action == clsDBForm::actUpdate;
    const bool removes = Action == clsDBForm::actUpdate || Action == clsDBForm::actDelete;
    if (adds && !addItems(cmbEdit[2], false)) return fail();
    if (removes && !removeItems(m_fileIds)) return fail();
    if (adds && !addItems(cmbEdit[3], true)) return fail();
    if (removes && !removeItems(m_attachIds)) return fail();

    if (!gConn->CommitTrans()) {
        DBHelper::SetLastError(gConn->LastErrorText());  // the commit's own reason, not a stale one
        return fail();
    }
}

void frmProtocol::mclsDBForm_PostCommit(const QVariant& key, long Action) {
    const QString k = key.toString();
    if (Action == clsDBForm::actNew) {
        Err().Clear();
        const QString number =
            DBHelper::LookupValue(gConn, QStringLiteral("PROTOCOL"), QStringLiteral("ID=") + k,
                                  QStringLiteral("PROT_AA"), 0, QStringLiteral(","));
        // Stored whatever this read does: a failed read is reported, never shown as no number.
        if (number.isEmpty() && gErr && Err().Pending())
            gErr->DBErrorMsg(QStringLiteral("PostCommit"), true, this);
        else
            MsgBox(QStringLiteral("Η εγγραφή αποθηκεύτηκε με Α/Α Πρωτόκολλου: ") + number, vb::vbInformation,
                   QStringLiteral("Πρωτόκολλο"));
    }
}

void frmProtocol::mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool&) {
    // Only the entry as it was shown is deleted: one another user changed or deleted meanwhile
    // is left alone, and the framework tells the user.
    qint64 affected = 0;
    OK = DBHelper::UpdateRec(
             gConn, QStringLiteral("PROTOCOL"),
             QStringLiteral("ID='") + recID.toString() + u'\'' +
                 RowVersion::Condition(mclsDBForm ? mclsDBForm->ShownVersion() : QVariant()),
             QStringLiteral("MODDATE=getdate(),MODFLAG='D',MODUSER=") + QString::number(userId()), {},
             &affected) &&
         affected > 0;
    if (OK) {
        // The links and files the delete removes are the ones read here: an entry not read whole
        // is not deleted (its error stays pending for the framework's report).
        mclsDBForm_PostShowRec(recID, OK);
    }
}

void frmProtocol::mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) {
    long selection = 0;
    {
        frmRptProtocol dlg(this);
        dlg.exec();
        selection = dlg.Rpt_Selection();
    }
    switch (selection) {
        case 1:
            clsRptProtDet::New()->Main(sWhereCond, mExtraCond, arFields);
            break;
        case 2:
            clsRptProtGroup::New()->Main(sWhereCond);
            break;
        case 3: {
            // The entry on the record page, else the first selected row of the list.
            qlonglong id = 0;
            if (tabA->currentIndex() == clsDBForm::RecordPage) {
                id = lblEdit[0]->text().trimmed().toLongLong();
            } else {
                const QVariantList rows = SelectedRecs(QStringLiteral("ID")).toList();
                if (!rows.isEmpty()) id = rows.first().toLongLong();
            }
            QString cond = QStringLiteral("ID=") + QString::number(id);
            clsRptProtReceipt::New()->Main(clsRptProtReceipt::rptCurrent, cond, mExtraCond, arFields);
            break;
        }
        case 4:
            clsRptProtReceipt::New()->Main(clsRptProtReceipt::rptList, sWhereCond, mExtraCond, arFields);
            break;
        default:
            break;
    }
}

void frmProtocol::mclsDBForm_SearchCond(QString& sCond) {
    for (int i = 0; i <= 5; ++i)
        if (dtSearch[i]->HasDate()) dtSearch[i]->SetValue(DBHelper::NormDate(dtSearch[i]->Value()));

    QString C;
    const auto add = [&C](const QString& cond) {
        if (!cond.isEmpty()) C += cond + QStringLiteral(" AND ");
    };
    const auto text = [this](int i) { return txtSearch[i]->text(); };
    const auto field = [this](int i) { return clsDBForm::FieldOf(txtSearch[i]); };
    const auto range = [this](int from) {
        QString out;
        CondBuilder::DateRange(clsDBForm::FieldOf(dtSearch[from]), dtSearch[from], dtSearch[from + 1], 0,
                               out);
        return out;
    };
    const auto types = [&](int i, const char* column) -> QString {
        const QString c = fieldCond(QStringLiteral("CODE"), text(i), FieldCondBuilder::Equal);
        return c.isEmpty()
                   ? QString()
                   : QLatin1String(column) + QStringLiteral(" in (select ID FROM L_TYPOI WHERE ") + c + u')';
    };
    const auto departments = [&](int i, const QString& table) -> QString {
        const QString c = fieldCond(QStringLiteral("CODE"), text(i), FieldCondBuilder::Equal);
        if (c.isEmpty()) return QString();
        if (!m_searchFiller) m_searchFiller = std::make_unique<ComboFiller>();
        QStringList ids, unused;
        m_searchFiller->ReadColumns(gConn, QStringLiteral("L_TMHMATA"), c, QStringLiteral("ID"),
                                    QStringLiteral("ID"), ids, unused, QStringLiteral(" - "), QString());
        Err().Clear();
        ids.removeAll(QString());
        const QString joined = ids.join(u',');
        if (joined.isEmpty()) return QString();
        return QStringLiteral("P.ID in (select PR_ID FROM ") + table + QStringLiteral(" WHERE ") +
               QStringLiteral("TM_ID IN (") + joined + QStringLiteral("))");
    };

    add(fieldCond(field(0), text(0), FieldCondBuilder::Equal));
    if (!text(1).trimmed().isEmpty()) add(QStringLiteral("ETOS=") + leadingNumber(text(1)));
    add(range(0));
    add(fieldCond(field(2), text(2), FieldCondBuilder::Contains));
    add(types(3, "EIS_TYPOS_ID"));
    add(fieldCond(field(4), text(4), FieldCondBuilder::Contains));
    add(fieldCond(field(14), text(14), FieldCondBuilder::Contains));
    add(range(2));
    add(fieldCond(field(13), text(13), FieldCondBuilder::Contains));
    add(fieldCond(field(5), text(5), FieldCondBuilder::Contains));
    add(range(4));
    add(fieldCond(field(6), text(6), FieldCondBuilder::Contains));
    add(types(7, "EX_TYPOS_ID"));
    add(fieldCond(field(8), text(8), FieldCondBuilder::Contains));
    add(fieldCond(field(9), text(9), FieldCondBuilder::Contains));
    add(departments(10, QStringLiteral("R_YPEYTH")));
    add(departments(11, QStringLiteral("R_ANTIGRAFA")));
    add(fieldCond(field(12), text(12), FieldCondBuilder::Contains));
    add(fieldCond(field(15), text(15), FieldCondBuilder::Contains));
    if (C.endsWith(QLatin1String(" AND "))) C = StrHelper::CutRight(C, 5);
    gSearchWhere = C;

    sCond = QStringLiteral("%%SELECT P.*, EIS.CODE as EIS_TYPOS_CODE, EX.CODE as EX_TYPOS_CODE ") +
            QStringLiteral(" FROM PROTOCOL P") +
            QStringLiteral(" LEFT JOIN L_TYPOI EIS ON EIS.ID = P.EIS_TYPOS_ID") +
            QStringLiteral(" LEFT JOIN L_TYPOI EX ON EX.ID = P.EX_TYPOS_ID");
    if (!C.isEmpty()) sCond += QStringLiteral(" WHERE ") + C;
}

void frmProtocol::cmdSearch_Click(int Index) {
    static const struct {
        const char* table;
        const char16_t* caption;
        int box;
    } pickers[] = {{"L_APO", u"Επιλογή 'Από'", 2},
                   {"L_PROS", u"Επιλογή 'Προς'", 6},
                   {"L_ARMODIOS", u"Επιλογή Αρμοδίου", 13}};
    auto picker = std::make_unique<frmPhrases>(this);
    if (Index < 0 || Index > 2) return;
    const auto& p = pickers[Index];
    if (picker->Init(QLatin1String(p.table), QString::fromUtf16(p.caption))) {
        picker->exec();
        if (!picker->Phrase().isEmpty() && !picker->Canceled()) {
            QLineEdit* box = txtSearch[p.box];
            box->setText(StrHelper::MergeList(box->text(), picker->Phrase(), QStringLiteral(",")));
        }
    }
}
