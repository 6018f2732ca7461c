#pragma once

// Tells the main window how to open the register's windows.
namespace RegisterWindows {
void Install();
}
