#include "CommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
struct HookState {
    bool installed = false;
    QQueue<QString> answers;
    QList<CommonDialogHook::Shown> log;
};
HookState& hook() {
    static HookState s;
    return s;
}

QString runDialog(CommonDialog& d, bool save, QWidget* parent) {
    HookState& h = hook();
    if (h.installed) {
        h.log.append({save, d.DialogTitle, d.Filter, d.InitDir, d.FileName});
        return h.answers.isEmpty() ? QString() : h.answers.dequeue();
    }
    QString start = d.FileName;
    if (!d.InitDir.isEmpty()) start = QDir(d.InitDir).filePath(QFileInfo(d.FileName).fileName());
    const QString filter = CommonDialog::QtFilter(d.Filter);
    return save ? QFileDialog::getSaveFileName(parent, d.DialogTitle, start, filter)
                : QFileDialog::getOpenFileName(parent, d.DialogTitle, start, filter);
}
}  // namespace

QString CommonDialog::QtFilter(const QString& vbFilter) {
    const QStringList parts = vbFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses: keep one pair, ours.
        QString name = parts.at(i).trimmed();
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            name = name.left(name.lastIndexOf(QLatin1Char('('))).trimmed();
        out << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

void CommonDialog::ShowOpen(QWidget* parent) {
    FileName = runDialog(*this, false, parent);
    Canceled = FileName.isEmpty();
}

void CommonDialog::ShowSave(QWidget* parent) {
    FileName = runDialog(*this, true, parent);
    Canceled = FileName.isEmpty();
}

namespace CommonDialogHook {
void Install() {
    hook().installed = true;
}
void Uninstall() {
    hook().installed = false;
    hook().answers.clear();
    hook().log.clear();
}
bool Installed() {
    return hook().installed;
}
void QueueAnswer(const QString& fileName) {
    hook().answers.enqueue(fileName);
}
QList<Shown>& Log() {
    return hook().log;
}
}  // namespace CommonDialogHook
