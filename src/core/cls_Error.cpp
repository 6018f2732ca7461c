#include "cls_Error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

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
    // A relative XDG_STATE_HOME is to be ignored.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base =
        QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/Protocol"));
}

bool cls_Error::Init(bool bSaveError) {
    m_logging = bSaveError;
    m_logFile.clear();
    if (m_logging) {
        const QString folder = LogFolder(App::Path());
        // A folder that cannot be made loses the entries, as an unwritable log does.
        if (folder != App::Path() && !QFileInfo(folder).isDir() && QDir().mkpath(folder))
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_logFile = LogFileName(folder, App::EXEName(), App::Major(), App::Minor());
        // A read-only log must still take new entries; a missing one is created by the first entry.
        QFile file(m_logFile);
        if (file.exists()) file.setPermissions(file.permissions() | QFile::WriteOwner | QFile::WriteUser);
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
    QFile file(txtFilename);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    file.write(Cp1253::encode(entry));
    file.close();
}
