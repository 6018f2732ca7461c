#include "CommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <memory>

#include "Err.h"
#include "RegionalSettings.h"

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

// Qt's own file dialog writes the modification dates and the sizes through the system locale,
// whatever the program's default ("10 Dec 2026", "17.03 KiB" under C): the dates are written in
// the user's regional patterns, the sizes in the Greek way ("17,03 KiB").
class FileDates final : public QIdentityProxyModel {
public:
    // The patterns are read once: every painted cell would otherwise read the settings file.
    explicit FileDates(QObject* parent)
        : QIdentityProxyModel(parent),
          m_pattern(RegionalSettings::ShortDateFormat() + u' ' + RegionalSettings::TimeFormat()) {}
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && (index.column() == DateColumn || index.column() == SizeColumn))
            if (const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel())) {
                const QModelIndex source = mapToSource(index);
                if (index.column() == SizeColumn) {
                    if (!files->isDir(source)) return m_greek.formattedDataSize(files->size(source));
                } else {
                    const QDateTime time = files->lastModified(source);
                    if (time.isValid()) return QLocale().toString(time, m_pattern);
                }
            }
        return QIdentityProxyModel::data(index, role);
    }
    static constexpr int SizeColumn = 1;  // QFileSystemModel's "Size"
    static constexpr int DateColumn = 3;  // QFileSystemModel's "Date Modified"

private:
    const QString m_pattern;
    const QLocale m_greek{QLocale::Greek, QLocale::Greece};
};

QString runDialog(CommonDialog& d, bool save, QWidget* parent) {
    HookState& h = hook();
    const QString start = d.StartPath();
    if (h.installed) {
        h.log.append({save, d.DialogTitle, d.Filter, d.InitDir, d.FileName, start, d.FilterIndex,
                      d.DefaultExt, d.Flags, d.CancelError});
        const QString answer = h.answers.isEmpty() ? QString() : h.answers.dequeue();
        return answer == CommonDialogHook::AcceptProposed ? d.FileName : answer;
    }
    const QString filter = CommonDialog::QtFilter(d.Filter);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    QString selected = filters.value(d.FilterIndex - 1);
    const std::unique_ptr<QFileDialog> dialog(
        CommonDialog::NewQtDialog(parent, d.DialogTitle, start, filter, save));
    if (!selected.isEmpty()) dialog->selectNameFilter(selected);
    QString name = dialog->exec() == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
    if (save && !name.isEmpty() && QFileInfo(name).suffix().isEmpty()) {
        const QString ext = d.DefaultExt.startsWith(QLatin1Char('.')) ? d.DefaultExt.mid(1) : d.DefaultExt;
        if (!ext.isEmpty() && !ext.contains(QLatin1Char('*'))) name += QLatin1Char('.') + ext;
    }
    return name;
}

bool hasWildcard(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}
}  // namespace

QString CommonDialog::QtFilter(const QString& vbFilter) {
    const QStringList parts = vbFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (QString p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p.startsWith(QLatin1String("*.*.")) && p.size() > 4) p.remove(0, 2);
            if (!p.isEmpty()) patterns << p;
        }
        // Qt reads the patterns from the last parentheses: keep one pair, ours.
        QString name = parts.at(i).trimmed();
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            name = name.left(name.lastIndexOf(QLatin1Char('('))).trimmed();
        out << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString CommonDialog::StartPath() const {
    const QFileInfo proposed(FileName);
    const QString name =
        FileName.isEmpty() || hasWildcard(proposed.fileName()) ? QString() : proposed.fileName();
    if (!InitDir.isEmpty()) return name.isEmpty() ? InitDir : QDir(InitDir).filePath(name);
    if (FileName.isEmpty()) return QString();
    // A name without a folder opens in the current folder, as Qt's dialog would.
    if (!FileName.contains(QLatin1Char('/'))) return name;
    return name.isEmpty() ? proposed.path() : FileName;
}

QFileDialog* CommonDialog::NewQtDialog(QWidget* parent, const QString& title, const QString& start,
                                       const QString& filter, bool save) {
    // As QFileDialog::getOpenFileName and getSaveFileName set their dialogs up.
    auto* dialog = new QFileDialog(parent, title, start, filter);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setProxyModel(new FileDates(dialog));
    return dialog;
}

void CommonDialog::ShowOpen(QWidget* parent) {
    FileName = runDialog(*this, false, parent);
    Canceled = FileName.isEmpty();
    if (Canceled && CancelError)
        Err().Raise(CancelErrorNumber, QStringLiteral("CommonDialog"),
                    QStringLiteral("Cancel was selected."));
}

void CommonDialog::ShowSave(QWidget* parent) {
    FileName = runDialog(*this, true, parent);
    Canceled = FileName.isEmpty();
    if (Canceled && CancelError)
        Err().Raise(CancelErrorNumber, QStringLiteral("CommonDialog"),
                    QStringLiteral("Cancel was selected."));
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
