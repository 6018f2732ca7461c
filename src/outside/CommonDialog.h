#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// The common file dialog: set the properties, call ShowOpen or ShowSave, read FileName.
// A cancelled dialog leaves FileName empty and Canceled true; with CancelError it also leaves the
// pending error CancelErrorNumber, as the system's callers expect to trap it.
class CommonDialog {
public:
    QString DialogTitle;
    QString Filter;  // "Text (*.txt)|*.txt|All (*.*)|*.*" pairs, as the system writes them
    int FilterIndex = 1;
    QString InitDir;
    QString FileName;
    bool Canceled = false;
    bool CancelError = false;
    static constexpr long CancelErrorNumber = 32755;
    QString DefaultExt;  // ".txt": added to a saved name typed without one
    long Flags = 0;      // the system's OFN flags; kept, Qt's dialog already behaves so

    // The folder the dialog opens in and the name it proposes there: InitDir when given, else the
    // folder of FileName; a wildcard name proposes nothing.
    QString StartPath() const;

    void ShowOpen(QWidget* parent = nullptr);
    void ShowSave(QWidget* parent = nullptr);

    // Qt's dialog as ShowOpen and ShowSave show it (the caller owns it): its dates in the user's
    // regional patterns.
    static QFileDialog* NewQtDialog(QWidget* parent, const QString& title, const QString& start,
                                    const QString& filter, bool save);

    // Converts the "name|pattern|name|pattern" filter into Qt's ";;" form. Patterns are separated
    // by ";"; a leading "*.*." (an extension list glued to "*.") reads as "*.".
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
    QString fileName;   // the proposed name
    QString startPath;  // where the dialog opens (StartPath)
    int filterIndex = 1;
    QString defaultExt;
    long flags = 0;
    bool cancelError = false;
};
void Install();
void Uninstall();
bool Installed();
void QueueAnswer(const QString& fileName);
// An answer that accepts the name the dialog proposes, as OK pressed at once does.
inline const QString AcceptProposed = QStringLiteral("<accept the proposed name>");
QList<Shown>& Log();
}  // namespace CommonDialogHook
