#include "cls_Connection.h"

#include <QChar>
#include <climits>
#include <cmath>

#include "App.h"
#include "Err.h"
#include "MsgBox.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "modDeclare.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString setting(const QString& section, const QString& name, const QString& defaultValue) {
    return SettingsStore::GetValue(section, name, defaultValue, false);
}

// A number written the same on every computer ("12.6"); nothing else around it but blanks.
bool parseNumber(const QString& text, double* value) {
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

// "0" and "False" are false, "True" and any other number true (the words in any case). Any other
// text counts as false: these flags put the password on the screen, so only a clear yes turns them on.
bool settingBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    double v = 0;
    return parseNumber(t, &v) && v != 0;
}

// Whole seconds; a text that is not a number, or a negative one, gives 0 (no limit).
int settingSeconds(const QString& text) {
    double v = 0;
    if (!parseNumber(text, &v) || v <= 0) return 0;
    return v >= double(INT_MAX) ? INT_MAX : int(std::lround(v));
}

// Exact names only: "useclient" is not "UseClient".
int cursorLocation(const QString& text) {
    if (text == QLatin1String("UseServer")) return 2;
    if (text == QLatin1String("UseClient")) return 3;
    return 1;
}
}  // namespace

ConnectionPtr cls_Connection::ConnectDB(const QString& regMain, const QString& sLoginName,
                                        const QString& sLoginPsw, const QString& connProvider,
                                        const QString& connStr, long& connMode) {
    // What counts at the end is whether any step left an error, so start from none.
    Err().Clear();

    const bool errLogging = settingBool(setting(regMain, QStringLiteral("errLogging"), QStringLiteral("0")));
    const bool logging = settingBool(setting(regMain, QStringLiteral("Logging"), QStringLiteral("0")));

    auto conn = std::make_shared<Connection>();

    QString provider = connProvider;
    QString str = connStr;
    if (provider.isEmpty()) provider = setting(regMain, QStringLiteral("Provider"), QString());
    if (str.isEmpty()) str = setting(regMain, QStringLiteral("ConnStr"), QString()).trimmed();

    QString details;
    if (provider.isEmpty() || str.isEmpty()) {
        MsgBox(QStringLiteral("Δεν βρέθηκαν τα στοιχεία σύνδεσης στη βάση! ") +
                   QStringLiteral("Παρακαλώ σιγουρευτείτε ότι τρέξατε το πρόγραμμα εγκατάστασης"),
               vb::vbCritical, App::ProductName());
    } else {
        conn->Provider = provider;
        conn->ConnectionString = str;
        conn->IsolationLevel = 0x1000;  // read committed
        conn->Mode = int(connMode);

        conn->CursorLocation =
            cursorLocation(setting(regMain, QStringLiteral("CursorLocation"), QStringLiteral("UseClient")));
        conn->CommandTimeout =
            settingSeconds(setting(regMain, QStringLiteral("CmdTimeout"), QStringLiteral("200")));
        conn->ConnectionTimeout =
            settingSeconds(setting(regMain, QStringLiteral("ConnTimeout"), QStringLiteral("200")));

        details = QStringLiteral("connStr=") + conn->ConnectionString + kCrLf + QStringLiteral("Provider=") +
                  conn->Provider + kCrLf + QStringLiteral("Mode=") + QString::number(conn->Mode) + kCrLf +
                  QStringLiteral("CursorLocation=") + QString::number(conn->CursorLocation) + kCrLf +
                  QStringLiteral("CommandTimeout=") + QString::number(conn->CommandTimeout) + kCrLf +
                  QStringLiteral("U=") + sLoginName + kCrLf + QStringLiteral("P=") + sLoginPsw + kCrLf;

        Screen::SetMousePointer(Screen::vbHourglass);
        const bool opened = conn->Open(QString(), sLoginName, sLoginPsw);
        Screen::SetMousePointer(Screen::vbDefault);
        if (!opened && !Err().Pending())
            Err().Raise(ErrNo::DbOpenFailed, QStringLiteral("Connection"), conn->LastErrorText());

        if (!Err().Pending()) {
            if (logging) MsgBox(details, vb::vbOKOnly, QStringLiteral("Στοιχεία Σύνδεσης"));
            modDeclare::gOleDbConnStr =
                QStringLiteral("Provider=") + provider + QStringLiteral(";") + QStringLiteral("Password=") +
                sLoginPsw + QStringLiteral(";User ID=") + sLoginName +
                QStringLiteral(";Extended Properties=") + QLatin1Char('"') + str + QLatin1Char('"');
            return conn;
        }

        MsgBox(QStringLiteral("Η σύνδεση με την βάση απέτυχε!") + kCrLf + Err().Description +
                   QLatin1Char(' ') + QString::number(Err().Number),
               vb::vbExclamation, App::ProductName());
        // Written to the error log as every reported error is; the box above is what the user reads.
        if (modDeclare::gErr)
            modDeclare::gErr->ErrorMsg(QStringLiteral("Η σύνδεση με την βάση απέτυχε"), false,
                                       "cls_Connection");
        Err().Clear();
    }

    if (errLogging) MsgBox(details, vb::vbOKOnly, QStringLiteral("Αποτυχία Σύνδεσης"));
    conn.reset();
    return nullptr;
}
