#include "MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>

#include "App.h"

namespace {
struct HookState {
    bool installed = false;
    QQueue<int> answers;
    QList<MsgBoxHook::Shown> log;
};
HookState& hook() {
    static HookState s;
    return s;
}

QList<int> buttonsOf(int set) {
    switch (set) {
        case vb::vbOKCancel:
            return {vb::vbOK, vb::vbCancel};
        case vb::vbAbortRetryIgnore:
            return {vb::vbAbort, vb::vbRetry, vb::vbIgnore};
        case vb::vbYesNoCancel:
            return {vb::vbYes, vb::vbNo, vb::vbCancel};
        case vb::vbYesNo:
            return {vb::vbYes, vb::vbNo};
        case vb::vbRetryCancel:
            return {vb::vbRetry, vb::vbCancel};
        default:
            return {vb::vbOK};
    }
}

QMessageBox::StandardButton standardOf(int result) {
    switch (result) {
        case vb::vbOK:
            return QMessageBox::Ok;
        case vb::vbCancel:
            return QMessageBox::Cancel;
        case vb::vbAbort:
            return QMessageBox::Abort;
        case vb::vbRetry:
            return QMessageBox::Retry;
        case vb::vbIgnore:
            return QMessageBox::Ignore;
        case vb::vbYes:
            return QMessageBox::Yes;
        case vb::vbNo:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// Greek captions of the buttons, as the users' Windows shows them.
QString captionOf(int result) {
    switch (result) {
        case vb::vbOK:
            return QStringLiteral("OK");
        case vb::vbCancel:
            return QStringLiteral("Άκυρο");
        case vb::vbAbort:
            return QStringLiteral("Ματαίωση");
        case vb::vbRetry:
            return QStringLiteral("Επανάληψη");
        case vb::vbIgnore:
            return QStringLiteral("Παράβλεψη");
        case vb::vbYes:
            return QStringLiteral("Ναι");
        case vb::vbNo:
            return QStringLiteral("Όχι");
    }
    return QString();
}
}  // namespace

int MsgBoxDefaultAnswer(int buttons) {
    const QList<int> set = buttonsOf(buttons & 0x7);
    int index = (buttons & 0xF00) / 256;
    if (index >= set.size()) index = 0;
    return set.at(index);
}

int MsgBox(const QString& prompt, int buttons, const QString& title) {
    const QString caption = title.isEmpty() ? App::Title() : title;
    HookState& h = hook();
    if (h.installed) {
        MsgBoxHook::Shown shown{prompt, buttons, caption, 0};
        shown.answer = h.answers.isEmpty() ? MsgBoxDefaultAnswer(buttons) : h.answers.dequeue();
        h.log.append(shown);
        return shown.answer;
    }

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(prompt);
    switch (buttons & 0x70) {
        case vb::vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vb::vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vb::vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vb::vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    const QList<int> set = buttonsOf(buttons & 0x7);
    for (int result : set) {
        QPushButton* b = box.addButton(standardOf(result));
        b->setText(captionOf(result));
    }
    box.setDefaultButton(standardOf(MsgBoxDefaultAnswer(buttons)));
    // The close box means Cancel where there is one, else the only button.
    if (set.contains(vb::vbCancel))
        box.setEscapeButton(standardOf(vb::vbCancel));
    else if (set.size() == 1)
        box.setEscapeButton(standardOf(set.first()));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int result : set)
        if (box.button(standardOf(result)) == clicked) return result;
    return set.contains(vb::vbCancel) ? int(vb::vbCancel) : set.first();
}

namespace MsgBoxHook {
void Install() {
    hook().installed = true;
}
void Uninstall() {
    hook().installed = false;
    Clear();
}
bool Installed() {
    return hook().installed;
}
void QueueAnswer(int answer) {
    hook().answers.enqueue(answer);
}
QList<Shown>& Log() {
    return hook().log;
}
void Clear() {
    hook().answers.clear();
    hook().log.clear();
}
}  // namespace MsgBoxHook
