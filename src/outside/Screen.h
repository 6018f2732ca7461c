#pragma once

// The screen's mouse pointer: the hourglass over the whole program during long steps.
namespace Screen {
enum MousePointerKind { vbDefault = 0, vbHourglass = 11 };
void SetMousePointer(int pointer);
int MousePointer();
}  // namespace Screen
