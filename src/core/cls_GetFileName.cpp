#include "cls_GetFileName.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "CommonDialog.h"
#include "Err.h"

namespace {
// The first name matching the folder/pattern; false when the folder cannot be listed.
bool probe(const QString& folderAndPattern) {
    const QFileInfo info(folderAndPattern);
    const QDir dir(info.path());
    if (!dir.exists() || !dir.isReadable()) return false;
    // Only the first match is looked at: a documents folder may hold thousands of files.
    QDirIterator it(dir.path(), info.fileName().split(QLatin1Char(';'), Qt::SkipEmptyParts), QDir::Files);
    if (it.hasNext()) it.next();
    return true;
}
}  // namespace

QString cls_GetFileName::GetFileName(CommonDialog& dlg, const QString& folder, const QString& ext) {
    const QString sep = QDir::separator();
    const QString pattern = QStringLiteral("*.") + ext;
    dlg.FileName = folder.endsWith(sep) ? QString(folder + pattern) : QString(folder + sep + pattern);
    if (!probe(dlg.FileName)) dlg.FileName = QString();

    dlg.CancelError = true;
    dlg.DefaultExt = QLatin1Char('.') + ext;
    dlg.DialogTitle = QStringLiteral("Επιλογή");
    dlg.Filter = QStringLiteral("Αρχεία ") + ext + QStringLiteral("|*.") + ext +
                 QStringLiteral("|Όλα τα αρχεία (*.*)|*.*");
    dlg.FilterIndex = 1;
    dlg.Flags = 0x280804;
    dlg.ShowOpen(QApplication::activeWindow());
    if (dlg.Canceled) {
        // The cancel is an answer here, not a failure.
        if (Err().Number == CommonDialog::CancelErrorNumber) Err().Clear();
        return QString();
    }
    return dlg.FileName;
}
