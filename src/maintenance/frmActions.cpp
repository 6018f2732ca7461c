#include "frmActions.h"

#include <sys/stat.h>

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "App.h"
#include "BackupProgress.h"
#include "Connection.h"
#include "FileHelper.h"
#include "FileModes.h"
#include "KessboPlaces.h"
#include "MsgBox.h"
#include "NetInfo.h"
#include "PswFormat.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "TextHelper.h"
#include "cls_SQLServer.h"
#include "cls_Zip.h"

namespace {
const QString kSection = QStringLiteral("\\Kessbo");
const QString kCrLf = QStringLiteral("\r\n");
const QString kTitle = QStringLiteral("Δημιουργία Αντιγράφων Ασφαλείας");
}  // namespace

frmActions::frmActions(QWidget* parent) : QWidget(parent) {
    buildControls();
    connect(txtReg[0], &QLineEdit::textChanged, this, [this] { txtReg_Change(0); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdBackup, &QPushButton::clicked, this, [this] { cmdBackup_Click(); });
}

frmActions::~frmActions() {
    Form_Unload();
}

void frmActions::Init() {
    SSTab1->setCurrentIndex(0);
    gMachine = NetInfo().ComputerName();
    gApp_RegMain = SettingsStore::GetValue(kSection, QStringLiteral("RegMain"), QString(), true);
    txtReg[0]->setText(gApp_RegMain);
    lblBackup[0]->setText(QStringLiteral("1. Επιλέξτε τον κατάλογο προορισμού, όπου θα αντιγραφεί ") +
                          QStringLiteral("το συμπιεσμένο (ZIP) αντίγραφο της βάσης δεδομένων."));
    optZip[1]->setText(QStringLiteral("Ο κατάλογος της εφαρμογής (") + KessboPlaces::ProgramFolder() +
                       QLatin1Char(')'));
    lblBackup[1]->setText(QStringLiteral("2. Πατώντας το κουμπί 'Εναρξη' θα δημιουργηθεί ") +
                          QStringLiteral("ένα συμπιεσμένο (ZIP) αντίγραφο της βάσης δεδομένων ") +
                          QStringLiteral("στον κατάλογο που έχετε επιλέξει παραπάνω."));
    optZip[0]->setChecked(true);
    showHint();
    showKind();
}

void frmActions::showHint() {
    const QString file = SettingsStore::MachineFile();
    const QStringList sections = SettingsStore::SectionsWith(QStringLiteral("connStr"), false);
    QString text = QStringLiteral(
        "Πληκτρολογήστε το όνομα της ενότητας των ρυθμίσεων της εφαρμογής, χωρίς την "
        "αρχική «\\» (συνήθως «Protocol»).");
    if (sections.isEmpty())
        text +=
            QStringLiteral(" Το αρχείο ρυθμίσεων %1 δεν έχει καμία ενότητα με στοιχεία σύνδεσης (ConnStr).")
                .arg(file);
    else
        text += QStringLiteral(" Ενότητες με στοιχεία σύνδεσης στο %1: «%2».")
                    .arg(file, sections.join(QStringLiteral("», «")));
    lblHint->setText(text);
}

QString frmActions::ArchiveName(const QString& database, const QDateTime& localTime) {
    return database + QLatin1Char('-') + localTime.toString(QStringLiteral("yyyy-MM-dd_HHmmss")) +
           QStringLiteral(".zip");
}

void frmActions::closeEvent(QCloseEvent* event) {
    // Nothing may unload the window under a running backup; once it ends the window closes freely.
    if (m_running) {
        event->ignore();
        return;
    }
    Form_Unload();
    QWidget::closeEvent(event);
}

void frmActions::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    SettingsStore::SaveValue(kSection, QStringLiteral("RegMain"), gApp_RegMain, true);
}

void frmActions::txtReg_Change(int index) {
    gApp_RegMain = txtReg[index]->text().trimmed();
    showKind();
}

void frmActions::showKind() {
    // The sentence names the kind of database of the installation typed; one without a Provider,
    // or not found, is the system's SQL Server.
    const QString section = QLatin1Char('\\') + gApp_RegMain;
    const QString provider = gApp_RegMain.isEmpty()
                                 ? QString()
                                 : SettingsStore::GetValue(section, QStringLiteral("Provider"), QString(), false).trimmed();
    bool known = true;
    const Backend backend = provider.isEmpty() ? Backend::SqlServer : Connection::BackendForProvider(provider, &known);
    QString kind = QStringLiteral("μία SQL Server Database. ");
    if (known && backend == Backend::SQLite)
        kind = QStringLiteral("μία SQLite Database, ένα αρχείο σε αυτόν τον υπολογιστή. ");
    else if (known && backend == Backend::PostgreSQL)
        kind = QStringLiteral("μία PostgreSQL Database. ");
    lblPath[1]->setText(QStringLiteral("Με την επιλογή αυτή, δηλώνετε την ονομασία της Βάσης Δεδομένων της "
                                       "εφαρμογής σας. Η βάση αυτή είναι  ") +
                        kind);
}

void frmActions::cmdCancel_Click() {
    close();
}

void frmActions::backupRefused(const QString& reason) {
    Screen::SetMousePointer(Screen::vbDefault);
    MsgBox(QStringLiteral("Πρόβλημα: Δεν δημιουργήθηκε το Αντίγραφο Ασφαλείας !") + kCrLf + reason, vb::vbCritical,
           App::Title());
}

void frmActions::cmdBackup_Click() {
    if (m_running) return;
    Screen::SetMousePointer(Screen::vbHourglass);
    const QString section = QLatin1Char('\\') + gApp_RegMain;
    const QString connection = SettingsStore::GetValue(section, QStringLiteral("connStr"), QString(), false);
    if (connection.isEmpty()) {
        SSTab1->setCurrentIndex(0);
        txtReg[0]->setFocus();
        backupRefused(QStringLiteral("Δεν βρέθηκαν στοιχεία για την ΒΔ."));
        return;
    }

    // The first two fields by position: "server=host[\instance]" then "database=name".
    const QStringList fields = connection.split(QLatin1Char(';'));
    QString server, database;
    TextHelper::KeyValue(fields.value(0), QStringLiteral("server"), server, QStringLiteral("="));
    if (server.isEmpty()) return backupRefused(QStringLiteral("Το όνομα του db Server είναι κενό"));
    if (fields.size() > 1) TextHelper::KeyValue(fields.at(1), QStringLiteral("database"), database, QStringLiteral("="));
    if (database.isEmpty()) return backupRefused(QStringLiteral("Το όνομα της database είναι κενό"));

    const qsizetype slash = server.indexOf(QLatin1Char('\\'));
    const QString host = slash < 0 ? server : server.left(slash);
    const QString instance = slash < 0 ? QString() : server.mid(slash + 1).section(QLatin1Char('\\'), 0, 0);
    if (!KessboPlaces::IsThisComputer(host, gMachine))
        return backupRefused(QStringLiteral("O db Server πρέπει να βρίσκεται σε αυτόν τον υπολογιστή.") + kCrLf +
                             QStringLiteral("dbServer:") + host.toUpper() + kCrLf + QStringLiteral("gMachine:") +
                             gMachine.toUpper());

    // The installation's backend; an installation without one is the system's SQL Server.
    const QString provider = SettingsStore::GetValue(section, QStringLiteral("Provider"), QString(), false).trimmed();
    bool known = true;
    const Backend backend = provider.isEmpty() ? Backend::SqlServer : Connection::BackendForProvider(provider, &known);
    if (!known) return backupRefused(QStringLiteral("Άγνωστος τύπος βάσης δεδομένων (Provider): ") + provider);
    QString dbUser, dbPassword;
    const QString l = SettingsStore::GetValue(section, QStringLiteral("L"), QString(), false);
    if (!l.isEmpty()) PswFormat::ParseL(l, dbUser, dbPassword);

    // Without a medium the archive has nowhere to go: say so before anything is done.
    if (optZip[0]->isChecked() && !KessboPlaces::HasFloppy()) {
        SSTab1->setCurrentIndex(1);
        optZip[1]->setFocus();
        return backupRefused(
            QStringLiteral("Δεν βρέθηκε αφαιρούμενο μέσο (δισκέτα). Αναζητήθηκαν: η ρύθμιση FloppyFolder της "
                           "ενότητας «\\Kessbo» στο %1 (δεν υπάρχει) και τα μέσα στους φακέλους %2 (κανένα).")
                .arg(SettingsStore::MachineFile(), KessboPlaces::MediaFolders().join(QStringLiteral(", "))) +
            kCrLf + QStringLiteral("Τοποθετήστε ένα μέσο, ή επιλέξτε «") + optZip[1]->text() +
            QStringLiteral("»."));
    }

    // Backups hold the whole register: their folders and files are made for this user alone.
    const FileModes::Private privateFiles;
    const QString backupFolder = KessboPlaces::BackupFolder();
    if (!FileHelper::FileSystem().FolderExists(backupFolder) && !FileHelper::FileSystem().CreateFolder(backupFolder))
        return backupRefused(QStringLiteral("Δεν δημιουργήθηκε ο φάκελος των αντιγράφων: ") + backupFolder);
    // In a folder every user may write and rename in (no sticky bit), another user could take the
    // finished .bak away or put a file of theirs in its place before it is archived.
    struct stat folderStat {};
    if (::stat(QFile::encodeName(backupFolder).constData(), &folderStat) == 0 &&
        (folderStat.st_mode & S_IWOTH) && !(folderStat.st_mode & S_ISVTX))
        return backupRefused(
            QStringLiteral("Ο φάκελος των αντιγράφων ") + backupFolder +
            QStringLiteral(" επιτρέπει σε κάθε χρήστη να σβήνει και να αντικαθιστά αρχεία του: "
                           "ένας άλλος χρήστης θα μπορούσε να αντικαταστήσει το αντίγραφο. "
                           "Αφαιρέστε την εγγραφή από τους άλλους χρήστες (chmod o-w) ή "
                           "ορίστε άλλον φάκελο (BackupFolder)."));
    const QString label = KessboPlaces::DatabaseLabel(database);
    const QString bak = FileHelper::BuildPath(backupFolder, label + QStringLiteral(".bak"));
    // The previous .bak stays until the new one is complete: the backup replaces it in one step.

    m_running = true;
    cmdBackup->setEnabled(false);
    m_progress = new BackupProgress(this);
    bool ok = false;
    {
        cls_SQLServer sql(backend, dbUser, dbPassword);
        // An SQLite register shared through its group has its backups shared the same way.
        if (backend == Backend::SQLite) sql.Sharing = FileModes::SharingOf(database);
        sql.Progress = [this](qint64 done, qint64 total) {
            m_progress->Show(QStringLiteral("Αντίγραφο ασφαλείας της βάσης δεδομένων..."), done, total);
        };
        m_progress->Show(QStringLiteral("Σύνδεση με τον db Server..."), 0, 0);
        ok = sql.Backup_db(host, instance, database, bak, QString());
    }
    if (ok) {
        QString target = optZip[0]->isChecked() ? KessboPlaces::FloppyFolder() : KessboPlaces::ProgramFolder();
        if (optZip[1]->isChecked()) FileHelper::FileSystem().CreateFolder(target);
        const QString zipName = FileHelper::BuildPath(target, ArchiveName(label, QDateTime::currentDateTime()));
        cls_Zip zip;
        zip.Progress = [this](qint64 done, qint64 total) {
            m_progress->Show(QStringLiteral("Συμπίεση του αντιγράφου (ZIP)..."), done, total);
        };
        const bool zipped = zip.ZipFile(bak, zipName, QString());
        m_progress->hide();
        if (zipped) {
            MsgBox(QStringLiteral("Η διαδικασία ολοκληρώθηκε επιτυχώς!") + kCrLf + kCrLf +
                       QStringLiteral("Το Backup αρχείο που δημιουργήθηκε είναι το: ") + zipName + kCrLf + zip.ZipInfo(),
                   vb::vbInformation, kTitle);
        } else {
            MsgBox(QStringLiteral("Η διαδικασία δεν ολοκληρώθηκε επιτυχώς!"), vb::vbCritical, kTitle);
        }
    }
    delete m_progress;
    m_progress = nullptr;
    cmdBackup->setEnabled(true);
    m_running = false;
    Screen::SetMousePointer(Screen::vbDefault);
}
