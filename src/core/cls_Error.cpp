#include "cls_Error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <cerrno>

#include "App.h"
#include "Cp1253.h"
#include "DBHelper.h"
#include "Err.h"
#include "FileHelper.h"
#include "MsgBox.h"
#include "Screen.h"
#include "StrHelper.h"
#include "VbFormat.h"
#include "modDeclare.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// "$XDG_STATE_HOME/Protocol" (else ~/.local/state/Protocol); a relative XDG_STATE_HOME is ignored.
QString stateFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base =
        QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/Protocol"));
}

// Makes the state folder when it is missing, for this user alone; one that cannot be made loses
// the entries, as an unwritable log does.
void makeStateFolder(const QString& folder) {
    if (!QFileInfo(folder).isDir() && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Opens the log to append, creating it for this user alone; a link in its place is never
// followed (-1, ELOOP).
int openLog(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                  0600);
}
}  // namespace

QString cls_Error::LogFileName(const QString& folder, const QString& exeName, int major, int minor) {
    const QString name = exeName + QLatin1Char('.') + QString::number(major) + QLatin1Char('.') +
                         StrHelper::PadLeft(QString::number(minor), 2, QStringLiteral("0")) +
                         QStringLiteral(".err");
    return FileHelper::BuildPath(folder, name);
}

QString cls_Error::LogFolder(const QString& programFolder) {
    const QFileInfo program(programFolder);
    if (!programFolder.isEmpty() && program.isDir() && program.isWritable()) return programFolder;
    return stateFolder();
}

bool cls_Error::Init(bool bSaveError) {
    m_logging = bSaveError;
    m_logFile.clear();
    if (m_logging) {
        const QString folder = LogFolder(App::Path());
        if (folder != App::Path()) makeStateFolder(folder);
        m_logFile = LogFileName(folder, App::EXEName(), App::Major(), App::Minor());
        // A read-only log must still take new entries; a missing one is created by the first entry.
        // Only a file of this user's own gets its mode changed, never what a link points at.
        struct stat st {};
        const QByteArray name = QFile::encodeName(m_logFile);
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::chmod(name.constData(), (st.st_mode & 07777) | S_IWUSR);
    }
    return true;
}

void cls_Error::ErrRaise(long ErrorNumber, const QString& source, const QString& description) {
    ErrObject& err = Err();
    const long number = ErrorNumber != 0 ? ErrorNumber : err.Number;
    const QString src = ErrorNumber != 0 ? source : err.Source;
    const QString desc = ErrorNumber != 0 ? description : err.Description;
    err.Raise(number, QLatin1Char('[') + src + QStringLiteral("] "),
              QLatin1Char('[') + desc + QStringLiteral("] "));
}

bool cls_Error::ErrorMsg(const QString& source, bool bShowMsgBox, const QObject* caller) {
    return ErrorMsg(source, bShowMsgBox, caller ? caller->metaObject()->className() : nullptr);
}

bool cls_Error::ErrorMsg(const QString& source, bool bShowMsgBox, const char* callerClass) {
    const ErrObject& err = Err();
    if (!err.Pending()) return false;
    const QString message = QStringLiteral("Προέλευση: ") + err.Source + kCrLf +
                            QStringLiteral("Κωδικός  : ") + QString::number(err.Number) + kCrLf +
                            QStringLiteral("Περιγραφή: ") + err.Description;
    report(source, bShowMsgBox, QString::fromLatin1(callerClass), message);
    return true;
}

bool cls_Error::DBErrorMsg(const QString& source, bool bShowMsgBox, const QObject* caller) {
    return DBErrorMsg(source, bShowMsgBox, caller ? caller->metaObject()->className() : nullptr);
}

bool cls_Error::DBErrorMsg(const QString& source, bool bShowMsgBox, const char* callerClass) {
    report(source, bShowMsgBox, QString::fromLatin1(callerClass), DBHelper::LastError());
    return false;
}

bool cls_Error::report(const QString& source, bool show, const QString& callerClass, const QString& message) {
    QString header = QStringLiteral("#");
    if (!callerClass.isEmpty()) header += callerClass + QStringLiteral(" -> ");
    header += source;

    if (show) {
        Screen::SetMousePointer(Screen::vbDefault);
        MsgBox(header.left(200) + kCrLf + message, vb::vbCritical + vb::vbOKOnly, App::Title());
    }
    if (m_logging) Msg_2_TxtFile(m_logFile, header + kCrLf + message, false, 30, QStringLiteral("-"));
    Err().Clear();
    return true;
}

void cls_Error::Msg_2_TxtFile(const QString& txtFilename, const QString& text, bool bWriteOnlyMsg,
                              int delimiterLength, const QString& delimiterChar) {
    if (txtFilename.isEmpty()) return;

    QString entry;
    if (!bWriteOnlyMsg) {
        // The server's clock dates the entry; without a usable connection, this computer's.
        QDateTime when;
        const ErrObject savedErr = Err();
        const QString savedDbError = DBHelper::LastError();
        const QVariant serverNow = DBHelper::ServerNow(modDeclare::gConn);
        Err() = savedErr;
        DBHelper::SetLastError(savedDbError);
        if (!serverNow.isNull()) when = serverNow.toDateTime();
        if (!when.isValid()) when = QDateTime::currentDateTime();
        entry +=
            QStringLiteral("# ") + VbFormat::GeneralDate(when) + QStringLiteral(" # ") + m_header + kCrLf;
    }
    entry += text;
    if (delimiterLength > 0) {
        const QChar dash = delimiterChar.isEmpty() ? QLatin1Char(' ') : delimiterChar.at(0);
        entry += kCrLf + QString(delimiterLength, dash);
    }
    entry += kCrLf;

    // The log loses the entry silently when it cannot be written: the reporter has no one to tell.
    int fd = openLog(txtFilename);
    if (fd < 0 && errno == ELOOP && txtFilename == m_logFile) {
        // A link planted in the log's place: this and later entries go to the state folder's log,
        // which says why.
        const QString folder = stateFolder();
        makeStateFolder(folder);
        const QString link = txtFilename;  // a reference to m_logFile, which changes now
        const QString moved = LogFileName(folder, App::EXEName(), App::Major(), App::Minor());
        if (moved != link) {
            m_logFile = moved;
            fd = openLog(moved);
            entry = QStringLiteral("Το αρχείο καταγραφής ") + link +
                    QStringLiteral(
                        " είναι συμβολικός σύνδεσμος και δεν χρησιμοποιείται· οι καταχωρίσεις "
                        "γράφονται εδώ.") +
                    kCrLf + entry;
        }
    }
    if (fd < 0) return;
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    file.write(Cp1253::encode(entry));
    file.close();
}
