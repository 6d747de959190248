// Restarting Windows, for the setup program and the uninstaller alike.
#pragma once

// Enables the shutdown privilege (the NT family asks for it) and restarts
// Windows. The caller goes on running until Windows ends it.
void RestartWindows();
