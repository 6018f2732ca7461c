#include "cls_SQLServer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>

#include "App.h"
#include "Err.h"
#include "FileSync.h"
#include "ModMain.h"
#include "MsgBox.h"
#include "Screen.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

cls_SQLServer::cls_SQLServer(Backend backend, const QString& storedUser, const QString& storedPassword)
    : oSQLServer(DbServer::ForBackend(backend, storedUser, storedPassword)) {}

cls_SQLServer::~cls_SQLServer() = default;

bool cls_SQLServer::TurnOn_and_Connect_SQLServer(QString dbServerName, QString dbInstanceName, QString saPassword) {
    oSQLServer->LoginTimeout = 90;
    const QString fullName =
        dbInstanceName.isEmpty() ? dbServerName : dbServerName + QLatin1Char('\\') + dbInstanceName;

    msStep = QStringLiteral("1");
    oSQLServer->DisConnect();
    Err().Clear();

    msStep = QStringLiteral("2");
    oSQLServer->Start(fullName);
    if (Err().Number == ServiceErr::ServiceRunning) Err().Clear();
    if (Err().Number == ServiceErr::ServiceMissing) {
        Err().Clear();
        MsgBox(QStringLiteral("Πρέπει να εγκαταστήσετε τον SQL Server (MSDE2000)"), vb::vbCritical, App::Title());
        return false;
    }
    if (Err().Number != 0) {
        ModMain::ShowErr(QStringLiteral("Server_start ") + msStep);
        return false;
    }

    msStep = QStringLiteral("3");
    oSQLServer->Connect(fullName, QStringLiteral("sa"), saPassword);
    if (Err().Number == 0) return true;
    ModMain::ShowErr(QStringLiteral("Server_connect ") + msStep);
    return false;
}

bool cls_SQLServer::Backup_db(QString dbServerName, QString dbInstanceName, QString dbName,
                              QString dbBackup_FileName, QString saPassword) {
    Screen::SetMousePointer(Screen::vbHourglass);
    // The temporary file, the dump the server's program writes: the owner's alone from the start.
    const FileModes::Private privateFiles;
    bool result = false;
    QString reason;
    QString temp;
    if (!TurnOn_and_Connect_SQLServer(dbServerName, dbInstanceName, saPassword)) {
        reason = QStringLiteral("Αδύνατη η σύνδεση με τον db Server");
    } else {
        msStep = QStringLiteral("b1");
        oSQLServer->FindDatabase(dbName);
        if (Err().Number != 0) {
            reason = QStringLiteral("Ανύπαρκτη database: ") + dbName;
        } else {
            msStep = QStringLiteral("b2");
            // The backup goes to a new file beside the old one; the old stays until this one is whole.
            QTemporaryFile file(dbBackup_FileName + QStringLiteral(".XXXXXX.tmp"));
            file.setAutoRemove(false);
            if (file.open()) {
                temp = file.fileName();
                file.close();
            } else {
                RaiseFileError(EACCES, QStringLiteral("Kessbo"), dbBackup_FileName);
            }
            oSQLServer->Progress = Progress;

            msStep = QStringLiteral("b3");
            if (Err().Number == 0) oSQLServer->Backup(dbName, temp);
            if (Err().Number == 0 && !FileModes::Apply(temp, Sharing))
                RaiseFileError(errno, QStringLiteral("Kessbo"), dbBackup_FileName);
            if (Err().Number == 0) putInPlace(temp, dbBackup_FileName);
            if (Err().Number == 0) {
                result = true;
            } else {
                // The user knows the backup by its own name, not by the temporary one.
                reason = QString::number(Err().Number) + QStringLiteral(" - ") +
                         QString(Err().Description).replace(temp, dbBackup_FileName);
            }
        }
    }
    if (!result) {
        if (!temp.isEmpty()) QFile::remove(temp);
        Err().Clear();
        MsgBox(msStep + QStringLiteral(" Δεν δημιουργήθηκε με το Αντίγραφο Ασφαλείας.") + kCrLf +
                   QStringLiteral("Αιτία: ") + reason,
               vb::vbInformation, App::Title());
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return result;
}

void cls_SQLServer::putInPlace(const QString& temp, const QString& target) {
    // A power cut after the rename must not leave a name that points at unwritten data.
    if (!FileSync::File(temp)) {
        RaiseFileError(errno, QStringLiteral("Kessbo"), target);
        return;
    }
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        RaiseFileError(errno, QStringLiteral("Kessbo"), target);
        return;
    }
    FileSync::Folder(QFileInfo(target).absolutePath());
}

QString cls_SQLServer::SQL_Info() const {
    return QString::number(oSQLServer->VersionMajor()) + QLatin1Char('.') +
           QString::number(oSQLServer->VersionMinor()) + QLatin1Char('.') + oSQLServer->VersionString();
}
