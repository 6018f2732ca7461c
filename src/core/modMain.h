#pragma once

// Start-up and the end of a session.
namespace modMain {
// Runs the start-up. True when a window now lives and the event loop should run; false when the
// process is to end at once.
bool Main();
// Closes the current user's open session rows with the server's time.
void LogoutUser();
// Ends the session: log-out, close the connection, close the connected-users window, drop the user.
// Safe to call twice.
void CloseDown();
}  // namespace modMain
