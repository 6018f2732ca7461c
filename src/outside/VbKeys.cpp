#include "VbKeys.h"

#include <QKeyEvent>
#include <QString>

namespace VbKeys {

namespace {
// With the Greek layout the letter keys give Greek letters; the key code is the key's Latin letter.
int greekKeyCode(int key) {
    static const char16_t greek[] = u"ΑΒΨΔΕΦΓΗΙΞΚΛΜΝΟΠΡΣΤΘΩΧΥΖ";
    static const char latin[] = "ABCDEFGHIJKLMNOPRSTUVXYZ";
    if (key == 0x03C2) return 'W';  // final sigma
    // Accented letters sit on the plain letter's key.
    const QString base = QString(QChar(char16_t(key))).normalized(QString::NormalizationForm_D);
    const QChar c = base.isEmpty() ? QChar() : base.at(0).toUpper();
    for (int i = 0; greek[i]; ++i)
        if (c == QChar(greek[i])) return latin[i];
    return 0;
}
}  // namespace

int KeyCode(int key) {
    if (key >= 0x0386 && key <= 0x03CE) return greekKeyCode(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // Qt uses the capitals' codes
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vbKeyF1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vbKeyReturn;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return vbKeyEscape;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_NumLock:
            return 144;
        default:
            return 0;
    }
}

int KeyCode(const QKeyEvent* event) {
    return event ? KeyCode(event->key()) : 0;
}

int Shift(Qt::KeyboardModifiers modifiers) {
    int s = 0;
    if (modifiers & Qt::ShiftModifier) s |= vbShiftMask;
    if (modifiers & Qt::ControlModifier) s |= vbCtrlMask;
    if (modifiers & Qt::AltModifier) s |= vbAltMask;
    return s;
}

}  // namespace VbKeys
