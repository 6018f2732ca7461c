#include "frmUsers.h"

#include <QTableView>

#include "BoundControl.h"
#include "ComboFiller.h"
#include "DBHelper.h"
#include "Err.h"
#include "FormLayout.h"
#include "ListHelper.h"
#include "MsgBox.h"
#include "NewEntryDate.h"
#include "PswFormat.h"
#include "ReportHooks.h"
#include "Rights.h"
#include "RowVersion.h"
#include "Screen.h"
#include "StrHelper.h"
#include "clsDBForm.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "modResIDs.h"
#include "mod_Grid.h"

using namespace modDeclare;

namespace {
constexpr int kMinPassword = 5;
constexpr int kMaxPassword = 29;
}  // namespace

const QList<frmUsers::Right>& frmUsers::RightsTable() {
    using namespace Rights;
    static const QList<Right> table{
        {QStringLiteral("Supervisor (Διαχείριση χρηστών)"), Supervisor},
        {QStringLiteral("Πρωτόκολλο: Διάβασμα-Εκτύπωση"), ProtocolRead},
        {QStringLiteral("Πρωτόκολλο: Προσθήκες - Διορθώσεις"), ProtocolEdit},
        {QStringLiteral("Πρωτόκολλο: Προσθήκες - Διορθ. (και των ΕΙΣΕΡΧ.)"), ProtocolEditIncoming},
        {QStringLiteral("Πρωτόκολλο: Διαγραφές"), ProtocolDelete},
        {QStringLiteral("Τροποποίηση πίνακα Τμημάτων"), Departments},
        {QStringLiteral("Τροποποίηση Τύπων Εισ.-Εξ."), DocTypes},
        {QStringLiteral("Τροποποίηση πίνακα 'Από'"), Senders},
        {QStringLiteral("Τροποποίηση πίνακα 'Προς'"), Recipients},
        {QStringLiteral("Τροποποίηση πίνακα Τόπων"), Places},
        {QStringLiteral("Τροποποίηση πίνακα Αρμοδίων"), Persons},
        {QStringLiteral("Τροποποίηση πίνακα Φράσεων"), Phrases},
        {QStringLiteral("Εξαγωγή εκτυπώσεων σε αρχεία"), ExportReports},
    };
    return table;
}

frmUsers::frmUsers(QWidget* parent) : DBFormWindow(parent) {
    setObjectName(QStringLiteral("frmUsers"));
    buildControls();
    for (const ControlArrayBase* a : std::initializer_list<const ControlArrayBase*>{
             &txtEdit, &dtEdit, &numEdit, &cmbEdit, &lstEdit, &lblEdit, &cmd, &lbl, &txtSearch, &lblSearch})
        Controls().add(*a);
    for (int i = 0; i < 2; ++i) connect(cmd[i], &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
    Form_Load();
}

frmUsers::~frmUsers() {
    // The window's placement is restored at load, never saved.
    if (mclsDBForm) {
        mclsDBForm->Terminate();
        mclsDBForm.reset();
    }
}

void frmUsers::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());
    mod_Grid::SetGridHighlight(tdbg);
    bool flag1 = true, flag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 10000, 7200, QStringLiteral("\\Protocol") + objectName(), flag1,
                                 flag2);
}

bool frmUsers::Init() {
    Screen::SetMousePointer(Screen::vbHourglass);
    m_ready = false;
    FillRights();
    {
        ComboFiller filler;
        QStringList unused;
        // Without its groups every user would show none and no save could pass: the window is
        // not opened on a failed read.
        Err().Clear();
        if (!filler.FillList(gConn, QStringLiteral("L_USER_GROUPS"), QStringLiteral("MODFLAG<>'D'"),
                             QString(), QStringLiteral("USER_GROUP_DESCR"), cmbEdit[0], unused,
                             QStringLiteral(","), 0, QStringLiteral("USER_GROUP_ID"),
                             QStringLiteral("USER_GROUP_DESCR"))) {
            if (gErr) gErr->DBErrorMsg(QStringLiteral("Init"), true, this);
            Err().Clear();
            Screen::SetMousePointer(Screen::vbDefault);
            return false;
        }
    }
    m_ready = true;

    const QString script = modResIDs::GetResString(100, QStringLiteral("users.frs"));
    mclsDBForm = std::make_unique<clsDBForm>();
    mclsDBForm->ConnString(gOleDbConnStr);
    const bool ok = mclsDBForm->Init(script, this, gConn, QString(), QString(), QStringLiteral("\\Protocol"),
                                     &frmMDI::instance()->imlDBForm, 255, 2, 0, QVariant(QString()),
                                     QStringLiteral("U_NAME>=''"), QStringLiteral("U_NAME"), QString(), 16,
                                     QString(), nullptr, short(gAppID), 1);
    if (ok) {
        mclsDBForm->Refresh(QString());
        m_masked = true;
        ShowPassword(true, false);
    } else {
        mclsDBForm.reset();
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return ok;
}

QVariant frmUsers::SelectedRecs(const QString& column) const {
    return mclsDBForm ? mclsDBForm->SelectedRecs(column) : QVariant();
}

void frmUsers::FillRights() {
    QListWidget* list = lstEdit[0];
    list->clear();
    for (const Right& r : RightsTable()) {
        auto* item = new QListWidgetItem(r.caption, list);
        item->setData(Qt::UserRole, qlonglong(r.bit));
    }
}

void frmUsers::ShowRights(long Auth) {
    lblEdit[2]->setText(QString::number(Auth));
    QListWidget* list = lstEdit[0];
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        item->setSelected((item->data(Qt::UserRole).toLongLong() & Auth) > 0);
    }
    if (list->count() > 0) list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

long frmUsers::CheckedRights() const {
    long mask = 0;
    const QListWidget* list = lstEdit[0];
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) mask |= long(list->item(i)->data(Qt::UserRole).toLongLong());
    return mask;
}

void frmUsers::ShowPassword(bool Masked, bool ClearStored) {
    if (ClearStored) lblEdit[1]->clear();
    QLineEdit* box = txtEdit[3];
    // The mask is one longer than any typed password may be; it shows only in a read-only box.
    box->setMaxLength(Masked ? int(MaskText().size()) : kMaxPassword);
    box->setText(Masked ? MaskText() : PswFormat::Read(lblEdit[1]->text()));
    // Typing outside an edit would be lost: the framework locks the page then.
    const bool editing = mclsDBForm && mclsDBForm->Editing();
    box->setReadOnly(Masked || !editing);
    m_masked = Masked;
}

void frmUsers::cmd_Click(int Index) {
    if (Index != 0 && Index != 1) return;
    // Outside an edit the rights shown are the stored ones.
    if (BoundControl::IsLocked(lstEdit[0])) return;
    ListHelper helper;
    helper.SelectAll(lstEdit[0], Index == 0);
}

void frmUsers::Form_KeyDown(int& KeyCode, int& Shift) {
    if (KeyCode == 'A' && Shift == 6) ShowPassword(!m_masked, false);
    DBFormWindow::Form_KeyDown(KeyCode, Shift);
}

void frmUsers::Form_Resize() {
    if (!m_ready || isMinimized()) return;
    DBFormWindow::Form_Resize();
}

void frmUsers::mclsDBForm_PostInitRec(long Action) {
    const bool editing = mclsDBForm && mclsDBForm->Editing();
    for (int i = 0; i < 2; ++i) cmd[i]->setEnabled(editing);
    switch (Action) {
        case clsDBForm::actView:
            ShowRights(0);
            ShowPassword(m_masked, false);
            break;
        case clsDBForm::actUpdate:
            ShowPassword(m_masked, false);
            break;
        case clsDBForm::actNew: {
            ShowRights(0);
            ShowPassword(m_masked, true);
            if (cmbEdit[0]->count() > 0) cmbEdit[0]->setCurrentIndex(0);
            // No new user without the expiry the server gives: said once, and no edit is left.
            const QVariant today = NewEntryDate(this, mclsDBForm.get());
            if (today.isNull()) return;
            BoundControl::SetValue(dtEdit[0], today.toDate().addDays(30));
            break;
        }
        case clsDBForm::actCopy:
            ShowPassword(m_masked, true);
            break;
        case clsDBForm::actOther:
            ShowPassword(true, false);
            break;
        default:
            break;
    }
}

void frmUsers::mclsDBForm_PostShowRec(const QVariant&, bool&) {
    // The rights and the group come with the row itself: nothing more is read.
    ShowPassword(m_masked, false);
    ShowRights(long(lblEdit[2]->text().toLongLong()));
}

void frmUsers::mclsDBForm_ClearRec() {
    ShowRights(0);
    lblEdit[2]->clear();
    ShowPassword(m_masked, false);
}

void frmUsers::mclsDBForm_ValuesOK(bool& OK) {
    OK = false;
    bool passes = false;
    if (m_masked) {
        passes = lblEdit[1]->text().size() - 1 >= kMinPassword;
    } else {
        const QString typed = txtEdit[3]->text().trimmed();
        if (typed.size() >= kMinPassword) {
            // A fresh key at every save in clear display, even for an unchanged password.
            lblEdit[1]->setText(PswFormat::Store(typed, PswFormat::NewKeyCode()));
            passes = true;
        }
    }
    if (!passes) {
        MsgBox(QStringLiteral("O Κωδικός πρεπει να έχει τουλάχιστον ") + QString::number(kMinPassword) +
                   QStringLiteral(" χαρακτήρες."),
               vb::vbExclamation);
        txtEdit[3]->setFocus();
        return;
    }
    OK = true;
    if (cmbEdit[0]->currentIndex() < 0) {
        MsgBox(QStringLiteral("Πρέπει να επιλέξετε την ομάδα που ανήκει ο χρήστης"), vb::vbExclamation);
        cmbEdit[0]->setFocus();
        OK = false;
        return;
    }
    // The log-in takes the typed name without blanks around it, and finds a user by name alone:
    // a name stored with blanks, or a second user of the same name, could never log in.
    txtEdit[2]->setText(txtEdit[2]->text().trimmed());
    QString cond = QStringLiteral("U_NAME=") + StrHelper::SqlValue(txtEdit[2]->text());
    if (mclsDBForm && mclsDBForm->CurAction() == clsDBForm::actUpdate)
        cond += QStringLiteral(" AND USER_ID<>") + QString::number(mclsDBForm->CurrentKey().toLongLong());
    Err().Clear();
    DBHelper::SetLastError(QString());
    const bool taken = DBHelper::RecExists(gConn, QStringLiteral("USERS"), cond);
    if (!taken && !DBHelper::LastError().isEmpty()) {
        if (gErr) gErr->DBErrorMsg(QStringLiteral("ValuesOK"), true, this);
        OK = false;
    } else if (taken) {
        MsgBox(QStringLiteral("Υπάρχει ήδη χρήστης με όνομα Login «%1».").arg(txtEdit[2]->text()),
               vb::vbExclamation);
        txtEdit[2]->setFocus();
        OK = false;
    }
}

void frmUsers::mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) {
    const QString mask = QString::number(CheckedRights());
    const QString user = QString::number(gUser ? gUser->UserId : 0);
    if (Action == clsDBForm::actNew || Action == clsDBForm::actCopy) {
        sFields += QStringLiteral("U_AUTH,MODUSER");
        sValues += mask + QLatin1Char(',') + user;
    } else if (Action == clsDBForm::actUpdate) {
        sFields += QStringLiteral("U_AUTH=") + mask + QStringLiteral(",MODUSER=") + user;
    }
}

QString frmUsers::RecoveredMessage() {
    return QStringLiteral(
        "Η σύνδεση με τη βάση δεδομένων χάθηκε πριν φτάσει η απάντηση της βάσης· ο χρήστης βρέθηκε "
        "αποθηκευμένος: προστέθηκε.");
}

void frmUsers::mclsDBForm_PostCommit(const QVariant&, long Action) {
    // A normal addition says nothing; one whose answer was lost says that it was stored after all.
    if (Action == clsDBForm::actNew && mclsDBForm && mclsDBForm->SaveRecovered())
        MsgBox(RecoveredMessage(), vb::vbInformation);
}

void frmUsers::mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool& bAbortDeletion) {
    const QString cond = QStringLiteral("USER_ID=") + QString::number(recID.toLongLong());
    // A failed look-up must not pass for "never logged in".
    Err().Clear();
    DBHelper::SetLastError(QString());
    const bool logged = DBHelper::RecExists(gConn, QStringLiteral("USER_LOG"), cond);
    // The delete runs in the framework's transaction: end it before any box, so that no lock is
    // held while the user reads it.
    const auto endTransaction = [] {
        if (gConn->InTransaction()) gConn->RollbackTrans();
    };
    if (!logged && !DBHelper::LastError().isEmpty()) {
        endTransaction();
        if (gErr) gErr->DBErrorMsg(QStringLiteral("Απέτυχε η διαγραφή του χρήστη"), true, this);
        bAbortDeletion = true;
        return;
    }
    if (logged) {
        endTransaction();
        MsgBox(QStringLiteral("Δεν μπορείτε να διααγράψετε αυτόν τον χρήστη γιατί έχει καταχωρήσεις") +
                   QStringLiteral(" login ή / και κλήσεων."),
               vb::vbCritical);
        bAbortDeletion = true;
        return;
    }
    // Only the user as shown is deleted: one another administrator changed or deleted meanwhile is
    // left alone, and the framework tells why.
    qint64 affected = 0;
    const bool deleted = DBHelper::DeleteRecs(
        gConn, QStringLiteral("USERS"),
        cond + RowVersion::Condition(mclsDBForm ? mclsDBForm->ShownVersion() : QVariant()), &affected);
    OK = deleted && affected > 0;
    if (!deleted) {
        endTransaction();
        if (gErr) gErr->DBErrorMsg(QStringLiteral("Απέτυχε η διαγραφή του χρήστη"), true, this);
    }
}

void frmUsers::mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) {
    if (ReportHooks::UsersList) ReportHooks::UsersList(sWhereCond, mExtraCond, arFields);
}
