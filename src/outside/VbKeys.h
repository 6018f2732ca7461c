#pragma once

#include <Qt>

class QKeyEvent;

// Key codes and shift states of a key press as the system's KeyDown handlers read them.
namespace VbKeys {
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

constexpr int vbKeyReturn = 13;
constexpr int vbKeyEscape = 27;
constexpr int vbKeyF1 = 112;

// The virtual key code: letters as capitals (65-90), digits 48-57, F1-F12 112-123, the named keys
// by their codes; 0 for keys without one.
int KeyCode(const QKeyEvent* event);
int KeyCode(int qtKey);
// 1 Shift, 2 Ctrl, 4 Alt, added.
int Shift(Qt::KeyboardModifiers modifiers);
}  // namespace VbKeys
