#include "cls_SQLServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

#include "App.h"
#include "Err.h"
#include "ModMain.h"
#include "MsgBox.h"
#include "Screen.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// A folder of this user's alone inside the backup's folder, and the temporary backup in it. Both
// folders are held open; a run that fails removes what it made.
struct PrivatePlace {
    int folder = -1, own = -1, file = -1;
    QByteArray ownName, fileName, targetName;
    QString path;

    bool open(const QString& target) {
        const QFileInfo info(target);
        targetName = QFile::encodeName(info.fileName());
        const QByteArray folderPath = QFile::encodeName(info.absolutePath());
        folder = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) return false;
        QByteArray made = folderPath + "/.kessbo-dump-XXXXXX";
        if (!::mkdtemp(made.data())) return false;
        ownName = made.mid(folderPath.size() + 1);
        own = ::openat(folder, ownName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        // Another user may have put a folder of theirs in its place before it was opened.
        if (own < 0 || ::fstat(own, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
            if (own >= 0) ::close(own);
            own = -1;
            errno = EACCES;
            return false;
        }
        fileName = targetName + ".tmp";
        file = ::openat(own, fileName.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (file < 0) return false;
        path = QFile::decodeName(made + '/' + fileName);
        return true;
    }

    // Syncs the finished file and renames it over the backup: a power cut after the rename must
    // not leave a name that points at unwritten data.
    bool putInPlace() {
        if (::fsync(file) != 0) return false;
        if (::renameat(own, fileName.constData(), folder, targetName.constData()) != 0) return false;
        fileName.clear();
        ::fsync(folder);
        return true;
    }

    ~PrivatePlace() {
        if (file >= 0) ::close(file);
        if (own >= 0) {
            if (!fileName.isEmpty()) ::unlinkat(own, fileName.constData(), 0);
            ::close(own);
        }
        if (folder >= 0) {
            if (!ownName.isEmpty()) ::unlinkat(folder, ownName.constData(), AT_REMOVEDIR);
            ::close(folder);
        }
    }
};
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
            // It is written in a folder of this user's alone, made inside the backup folder and held
            // open: the file is created, given its mode and renamed into place through descriptors,
            // never reopened by name in a folder others may write.
            PrivatePlace place;
            if (place.open(dbBackup_FileName)) {
                temp = place.path;
            } else {
                RaiseFileError(errno, QStringLiteral("Kessbo"), dbBackup_FileName);
            }
            oSQLServer->Progress = Progress;
            oSQLServer->Output = place.file;

            msStep = QStringLiteral("b3");
            if (Err().Number == 0) oSQLServer->Backup(dbName, temp);
            oSQLServer->Output = -1;
            if (Err().Number == 0 && !FileModes::Apply(place.file, Sharing))
                RaiseFileError(errno, QStringLiteral("Kessbo"), dbBackup_FileName);
            if (Err().Number == 0 && !place.putInPlace())
                RaiseFileError(errno, QStringLiteral("Kessbo"), dbBackup_FileName);
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
        Err().Clear();
        MsgBox(msStep + QStringLiteral(" Δεν δημιουργήθηκε με το Αντίγραφο Ασφαλείας.") + kCrLf +
                   QStringLiteral("Αιτία: ") + reason,
               vb::vbInformation, App::Title());
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return result;
}

QString cls_SQLServer::SQL_Info() const {
    return QString::number(oSQLServer->VersionMajor()) + QLatin1Char('.') +
           QString::number(oSQLServer->VersionMinor()) + QLatin1Char('.') + oSQLServer->VersionString();
}
