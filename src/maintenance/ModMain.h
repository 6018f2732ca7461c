#pragma once

#include <QString>

// Kessbo's module: its start and its one error box.
namespace ModMain {
// When an error is pending: shows it under the label (critical icon, the program's title), clears
// it and returns true. Otherwise shows nothing and returns false.
bool ShowErr(const QString& label);

// The program's start: refuses a second copy, else shows frmActions. True when the window lives
// and the event loop should run.
bool Main();
}  // namespace ModMain
