#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>

class QWidget;

// The common file dialog: set the properties, call ShowOpen or ShowSave, read FileName.
// A cancelled dialog leaves FileName empty and Canceled true.
class CommonDialog {
public:
    QString DialogTitle;
    QString Filter;  // "Text (*.txt)|*.txt|All (*.*)|*.*" pairs, as the system writes them
    int FilterIndex = 1;
    QString InitDir;
    QString FileName;
    bool Canceled = false;

    void ShowOpen(QWidget* parent = nullptr);
    void ShowSave(QWidget* parent = nullptr);

    // Converts the "name|pattern|name|pattern" filter into Qt's ";;" form.
    static QString QtFilter(const QString& vbFilter);
};

// Test hook: while installed, dialogs record themselves and answer from the queue
// (an empty string, or an empty queue, means the user cancelled).
namespace CommonDialogHook {
struct Shown {
    bool save = false;
    QString title;
    QString filter;
    QString initDir;
    QString fileName;  // the proposed name
};
void Install();
void Uninstall();
bool Installed();
void QueueAnswer(const QString& fileName);
QList<Shown>& Log();
}  // namespace CommonDialogHook
