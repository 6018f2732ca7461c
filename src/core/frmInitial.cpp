#include "frmInitial.h"

#include <QDate>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <limits>

#include "App.h"
#include "DBHelper.h"
#include "Err.h"
#include "MsgBox.h"
#include "PswFormat.h"
#include "SettingsStore.h"
#include "StrHelper.h"
#include "cls_Connection.h"
#include "cls_Error.h"
#include "frm_Psw.h"
#include "modDeclare.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
const QString kUserFields = QStringLiteral("USER_ID,U_AUTH,U_PSW,USER_GROUP_ID,U_EXP_DATE,U_EXP_DAYS");
const QString kDateFormat = QStringLiteral("dd/mm/yyyy");
constexpr int kMaxTries = 3;
constexpr int kEndTries = 4;  // a refusal ends the log-in at once

// The numeric value of a text, 0 when it is not a number.
double numberOf(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : 0;
}

// Whole values out of range are clamped rather than wrapped.
template <typename T>
T clampTo(double v) {
    if (v <= double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (v >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return T(v);
}

void reportDbError(const QString& source, const QObject* caller) {
    if (modDeclare::gErr) {
        modDeclare::gErr->DBErrorMsg(source, true, caller);
        return;
    }
    // No reporter yet: still tell the user, without a log.
    cls_Error reporter;
    reporter.Init(false);
    reporter.DBErrorMsg(source, true, caller);
}
}  // namespace

frmInitial::frmInitial(QWidget* parent) : QDialog(parent) {
    buildControls();
    connect(txtLoginName, &QLineEdit::textChanged, this, [this] { txtLoginName_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    // Kept from the start, so that a window that never connects does not forget the remembered name.
    m_loginName =
        SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), QString(), true).trimmed();
}

frmInitial::~frmInitial() {
    Form_Unload();
}

bool frmInitial::Init() {
    QString dbUser, dbPassword;
    const QString l = SettingsStore::GetValue(kSection, QStringLiteral("L"), QString(), false);
    if (!l.isEmpty()) PswFormat::ParseL(l, dbUser, dbPassword);

    long mode = 3;  // read-write
    m_conn = cls_Connection().ConnectDB(kSection, dbUser, dbPassword, QString(), QString(), mode);
    if (!m_conn) return false;

    fraLogin->setVisible(true);
    Label1->setVisible(false);  // the frame takes the waiting text's place
    lblVersion->setText(QStringLiteral("Έκδοση ") + QString::number(App::Major()) + QLatin1Char('.') +
                        QString::number(App::Minor()) + QLatin1Char('.') + QString::number(App::Revision()));
    m_loginName =
        SettingsStore::GetValue(kSection, QStringLiteral("LastLoginName"), QString(), true).trimmed();
    txtLoginName->setText(m_loginName);
    m_loginTries = 0;
    m_loginOK = false;
    return true;
}

QString frmInitial::WrongNameOrPasswordText() {
    return QStringLiteral("Το όνομα χρήστη ή ο κωδικός ασφαλείας είναι λάθος. Πληκτρολογήστε τα ξανά.");
}

QString frmInitial::LoginName() const {
    return txtLoginName->text();
}

long frmInitial::UserGroupFlag() const {
    if (!m_conn) return 0;
    const QString flag =
        DBHelper::LookupValue(m_conn, QStringLiteral("L_USER_GROUPS"),
                              QStringLiteral("USER_GROUP_ID=") + QString::number(m_userGroupID),
                              QStringLiteral("USER_GROUP_FLAG"), 0, QStringLiteral(","));
    return clampTo<std::int32_t>(numberOf(flag));
}

bool frmInitial::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QDialog::event(e);
}

void frmInitial::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Some platforms show a window without activating it.
    Form_Activate();
}

void frmInitial::paintEvent(QPaintEvent*) {
    // The window's background picture.
    QPainter p(this);
    QLinearGradient g(rect().topLeft(), rect().bottomRight());
    g.setColorAt(0, QColor(0xE8, 0xEE, 0xF6));
    g.setColorAt(1, QColor(0xB4, 0xC6, 0xDE));
    p.fillRect(rect(), g);
}

void frmInitial::Form_Activate() {
    if (!txtLoginName->text().isEmpty()) txtPassword->setFocus();
}

void frmInitial::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    SettingsStore::SaveValue(kSection, QStringLiteral("LastLoginName"), m_loginName, true);
    SettingsStore::SaveValue(kSection, QStringLiteral("Lang"), m_lang, true);
    m_conn.reset();  // the caller holds its own reference when the log-in succeeded
}

void frmInitial::txtLoginName_Change() {
    cmdOK->setEnabled(!txtLoginName->text().isEmpty());
}

void frmInitial::cmdCancel_Click() {
    m_loginOK = false;
    done(QDialog::Rejected);
}

void frmInitial::reject() {
    cmdCancel_Click();
}

void frmInitial::cmdOK_Click() {
    ++m_loginTries;
    m_loginName = txtLoginName->text().trimmed();

    const Outcome outcome = attempt();
    if (outcome == Outcome::Ok) {
        m_loginOK = true;
        done(QDialog::Accepted);
        return;
    }
    if (outcome == Outcome::Failed) reportDbError(QStringLiteral("Η σύνδεση με την βάση απέτυχε"), nullptr);
    m_loginOK = false;
    if (m_loginTries >= kMaxTries) {
        done(QDialog::Rejected);
        return;
    }
    // What is typed next replaces the refused text instead of being appended to it; OK alone
    // tries the same again (a failure of the database, not of the password).
    txtPassword->setFocus();
    txtPassword->selectAll();
}

frmInitial::Outcome frmInitial::attempt() {
    // An unknown name and a wrong password are told alike; a failed look-up by its own reason.
    const auto wrongNameOrPassword = [] {
        DBHelper::SetLastError(WrongNameOrPasswordText());
        return Outcome::Failed;
    };
    Err().Clear();
    DBHelper::SetLastError(QString());
    const QString row = DBHelper::LookupValue(m_conn, QStringLiteral("USERS"),
                                              QStringLiteral("U_NAME=") + StrHelper::SqlValue(m_loginName),
                                              kUserFields, 0, QStringLiteral("\t"));
    if (row.isEmpty()) return DBHelper::LastError().isEmpty() ? wrongNameOrPassword() : Outcome::Failed;
    const QStringList f = row.split(QLatin1Char('\t'));
    if (f.size() < 6) return Outcome::Failed;
    m_userId = f[0].toLong();
    m_auth = clampTo<std::int32_t>(numberOf(f[1]));
    // A stored password is the third column; should it ever hold a tab, it is everything in between.
    const QString stored = f.mid(2, f.size() - 5).join(QLatin1Char('\t'));
    m_userGroupID = clampTo<std::int32_t>(numberOf(f[f.size() - 3]));
    const QDate expDate = DBHelper::NormDate(f[f.size() - 2]);
    m_expDays = clampTo<std::int16_t>(numberOf(f[f.size() - 1]));

    const QString password = PswFormat::Read(stored);
    if (txtPassword->text().toUpper() != password.toUpper()) return wrongNameOrPassword();

    if (m_auth == 0) {
        MsgBox(QStringLiteral("Δεν έχετε δικαίωμα να ανοίξετε αυτή την εφαρμογή"), vb::vbCritical);
        m_loginTries = kEndTries;
        return Outcome::Refused;
    }

    const Outcome ageing = checkAgeing(expDate, password);
    if (ageing != Outcome::Ok) return ageing;

    return openSession() ? Outcome::Ok : Outcome::Failed;
}

frmInitial::Outcome frmInitial::checkAgeing(const QDate& expDate, const QString& password) {
    if (m_expDays == 0) return Outcome::Ok;

    double warningDays = numberOf(DBHelper::LookupValue(m_conn, QStringLiteral("PARAM"),
                                                        QStringLiteral("PCODE=") + QStringLiteral("'PCHK'"),
                                                        QStringLiteral("PVAL"), 0, QStringLiteral(",")));
    if (warningDays < 0) warningDays = 0;

    const QVariant today = DBHelper::ServerDate(m_conn);
    if (today.isNull()) return Outcome::Failed;
    // A missing expiry date counts as expired: the change then gives the user a proper one.
    const qint64 daysLeft = expDate.isValid() ? today.toDate().daysTo(expDate) : 0;

    if (double(daysLeft) > warningDays) return Outcome::Ok;
    if (daysLeft >= 1) {
        const int answer =
            MsgBox(QStringLiteral("Ο Κωδικός ασφαλείας σας θα λήξει σε ") + QString::number(daysLeft) +
                       QStringLiteral(" ημέρες. Θέλετε να τον αλλάξετε τώρα;"),
                   vb::vbYesNo | vb::vbQuestion);
        if (answer == vb::vbYes) ChangePassword(password);
        return Outcome::Ok;
    }
    MsgBox(QStringLiteral("Ο Κωδικός ασφαλείας σας έληξε. Πρέπει να τον αλλάξετε τώρα."), vb::vbCritical);
    if (!ChangePassword(password).isEmpty()) return Outcome::Ok;
    MsgBox(QStringLiteral("Δεν έχετε δικαίωμα να ανοίξετε την εφαρμογή μέχρι να αλλάξετε ") +
               QStringLiteral("τον προσωπικό Κωδικό ασφαλείας."),
           vb::vbCritical);
    m_loginTries = kEndTries;
    return Outcome::Refused;
}

bool frmInitial::openSession() {
    const QString userId = QString::number(m_userId);
    // An empty answer is both "no open row" and a failed lookup; only the pending error tells them apart.
    Err().Clear();
    const QString openRow = DBHelper::LookupValue(
        m_conn, QStringLiteral("USER_LOG"),
        QStringLiteral("USER_ID=") + userId + QStringLiteral(" and LOGOUT_TIME is null"),
        QStringLiteral("ULOG_ID"), 0, QStringLiteral(","));
    if (Err().Pending()) return false;
    if (!openRow.isEmpty()) {
        // Without the server's time the row would be "closed" with Null and stay open.
        const QVariant now = DBHelper::ServerNow(m_conn);
        if (now.isNull()) return false;
        if (!DBHelper::UpdateRec(m_conn, QStringLiteral("USER_LOG"), QStringLiteral("ULOG_ID=") + openRow,
                                 QStringLiteral("LOGOUT_TIME=") + DBHelper::DateToSQL(now, kDateFormat, true),
                                 {}))
            return false;
    }
    return !DBHelper::InsertRec(m_conn, QStringLiteral("USER_LOG"), 0, QString(), QStringLiteral("USER_ID"),
                                userId, {})
                .isNull();
}

QString frmInitial::ChangePassword(const QString& oldPsw) {
    frm_Psw dlg(this);
    dlg.setOldPsw(oldPsw);
    dlg.exec();
    QString newPsw = dlg.newPsw();
    if (newPsw.isEmpty()) return newPsw;

    const QString stored = PswFormat::Store(newPsw, PswFormat::NewKeyCode());
    const QVariant today = DBHelper::ServerDate(m_conn);
    // Without the server's date the expiry would be stored as Null: count it as a failed store.
    const bool saved =
        !today.isNull() &&
        DBHelper::UpdateRec(
            m_conn, QStringLiteral("USERS"), QStringLiteral("USER_ID=") + QString::number(m_userId),
            QStringLiteral("U_PSW=") + StrHelper::SqlValue(stored) + QStringLiteral(",U_EXP_DATE=") +
                DBHelper::DateToSQL(today.toDate().addDays(m_expDays), kDateFormat, true),
            {});
    if (!saved) {
        reportDbError(QStringLiteral("Πρόβλημα στην αποθήκευση του νέου Κωδικού"), this);
        newPsw.clear();
    }
    return newPsw;
}
