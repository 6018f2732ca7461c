#include "cls_Word.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUrl>

#include "Err.h"
#include "Screen.h"
#include "Shell.h"
#include "modDeclare.h"

namespace {
const QString kSource = QStringLiteral("cls_Word");

// Reports the pending error under the step's text; true when one was pending.
bool reported(const QString& step, const QObject* caller) {
    if (!Err().Pending()) return false;
    if (modDeclare::gErr) return modDeclare::gErr->ErrorMsg(step, true, caller);
    cls_Error fallback;
    return fallback.ErrorMsg(step, true, caller);
}

bool setBoxText(QWidget* box, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(box)) return e->setText(text), true;
    if (auto* e = qobject_cast<QPlainTextEdit*>(box)) return e->setPlainText(text), true;
    if (auto* e = qobject_cast<QTextEdit*>(box)) return e->setPlainText(text), true;
    return false;
}

// The document must be a file that is there; a relative name counts from the working folder.
bool checkDocument(const QString& docName) {
    const QFileInfo file(docName);
    if (docName.trimmed().isEmpty() || !file.isFile()) {
        Err().Raise(ErrNo::FileNotFound, kSource, QStringLiteral("Το αρχείο δεν βρέθηκε: ") + docName);
        return false;
    }
    if (!file.isReadable()) {
        Err().Raise(ErrNo::PermissionDenied, kSource,
                    QStringLiteral("Δεν επιτρέπεται η ανάγνωση του αρχείου: ") + docName);
        return false;
    }
    return true;
}
}  // namespace

cls_Word::cls_Word(QObject* parent) : QObject(parent) {}

bool cls_Word::ConnectWord() {
    mWordApp.clear();
    for (const char* name : {"soffice", "libreoffice"}) {
        mWordApp = QStandardPaths::findExecutable(QLatin1String(name));
        if (!mWordApp.isEmpty()) return true;
    }
    Err().Raise(ErrNo::ObjectNotSet, kSource,
                QStringLiteral("Δεν βρέθηκε η εφαρμογή εγγράφων (LibreOffice, soffice)."));
    reported(QStringLiteral("Δεν θα μπορείτε να ανοίξετε έγγραφα DOC γιατί υπάρχει κάποιο πρόβλημα με το "
                            "Microsoft WORD."),
             this);
    return false;
}

bool cls_Word::WordOpened() {
    return ConnectWord();
}

bool cls_Word::OpenWordDOC(const QString& DocName) {
    if (!ConnectWord()) return false;
    Screen::SetMousePointer(Screen::vbHourglass);
    Err().Clear();
    if (checkDocument(DocName) && !Shell::Execute(nullptr, QFileInfo(DocName).absoluteFilePath()))
        Err().Raise(ErrNo::InvalidUse, kSource,
                    QStringLiteral("Η εφαρμογή εγγράφων δεν άνοιξε το αρχείο: ") + DocName);
    const bool failed = reported(QStringLiteral("Άνοιγμα αρχείου ") + DocName, this);
    Screen::SetMousePointer(Screen::vbDefault);
    return !failed;
}

bool cls_Word::WordDOC_into_TXT(const QString& DocName, QWidget* txt) {
    if (!ConnectWord()) return false;
    Screen::SetMousePointer(Screen::vbHourglass);
    Err().Clear();
    QString text;
    if (checkDocument(DocName)) convertToText(DocName, &text);
    const bool failed = reported(QStringLiteral("Μετατροπή αρχείου ") + DocName, this);
    if (!failed) {
        // As the word processor's copy of the whole text: through the clipboard into the box.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard) {
            clipboard->setText(text);
            setBoxText(txt, clipboard->text());
        }
    }
    Screen::SetMousePointer(Screen::vbDefault);
    return !failed;
}

bool cls_Word::convertToText(const QString& docName, QString* text) {
    QTemporaryDir out;
    if (!out.isValid()) {
        Err().Raise(ErrNo::PathNotFound, kSource,
                    QStringLiteral("Δεν έγινε προσωρινός φάκελος: ") + out.errorString());
        return false;
    }
    // A profile of the program's own: a document application the user has open would otherwise
    // take the request and convert nothing. One conversion at a time uses it.
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Protocol");
    QDir().mkpath(cache);
    QLockFile lock(cache + QStringLiteral("/soffice-profile.lock"));
    if (!lock.tryLock(ConversionTimeoutMs)) {
        Err().Raise(ErrNo::PermissionDenied, kSource,
                    QStringLiteral("Η εφαρμογή εγγράφων είναι απασχολημένη."));
        return false;
    }
    QProcess soffice;
    soffice.setProgram(mWordApp);
    // An absolute path: a name beginning with "-" is never taken for an option.
    soffice.setArguments({QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--nolockcheck"),
                          QStringLiteral("-env:UserInstallation=") +
                              QUrl::fromLocalFile(cache + QStringLiteral("/soffice-profile")).toString(),
                          QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                          QStringLiteral("--outdir"), out.path(), QFileInfo(docName).absoluteFilePath()});
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.start();
    const bool ended =
        soffice.waitForStarted(ConversionTimeoutMs) && soffice.waitForFinished(ConversionTimeoutMs);
    if (!ended) {
        soffice.kill();
        soffice.waitForFinished(5000);
        Err().Raise(ErrNo::InvalidUse, kSource,
                    QStringLiteral("Η μετατροπή δεν τελείωσε: ") + soffice.errorString());
        return false;
    }
    const QFileInfoList made = QDir(out.path()).entryInfoList({QStringLiteral("*.txt")}, QDir::Files);
    QFile result(made.isEmpty() ? QString() : made.first().absoluteFilePath());
    if (soffice.exitCode() != 0 || made.isEmpty() || !result.open(QIODevice::ReadOnly)) {
        const QString said = QString::fromLocal8Bit(soffice.readAll()).trimmed();
        Err().Raise(ErrNo::InvalidUse, kSource,
                    QStringLiteral("Η εφαρμογή εγγράφων δεν μετέτρεψε το αρχείο.") +
                        (said.isEmpty() ? QString() : QStringLiteral(" ") + said.left(300)));
        return false;
    }
    QString converted = QString::fromUtf8(result.readAll());
    if (converted.startsWith(QChar(0xFEFF))) converted.remove(0, 1);
    *text = converted;
    return true;
}
