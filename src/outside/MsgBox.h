#pragma once

#include <QList>
#include <QString>

class QWidget;

// Button sets, icons, default buttons and results, numbered as the system's code uses them.
namespace vb {
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};
}  // namespace vb

// Shows a modal message box; the title defaults to the application's title. Returns a vb result.
int MsgBox(const QString& prompt, int buttons = vb::vbOKOnly, const QString& title = QString());

// Test hook: while installed, boxes are recorded and answered from a queue instead of shown.
// A box with no queued answer takes its default button (Esc-like Cancel is never assumed).
namespace MsgBoxHook {
struct Shown {
    QString prompt;
    int buttons = 0;
    QString title;
    int answer = 0;
    int icon() const { return buttons & 0x70; }
    int buttonSet() const { return buttons & 0x7; }
    int defaultButton() const { return buttons & 0xF00; }
};
void Install();
void Uninstall();
bool Installed();
void QueueAnswer(int answer);
QList<Shown>& Log();
void Clear();  // forgets the log and any queued answers
}  // namespace MsgBoxHook

// The result a box gives when its default button is pressed.
int MsgBoxDefaultAnswer(int buttons);
