// Shortcuts on the desktop and in the Start menu's programs folder.
#pragma once

// Step of row 3: the desktop shortcut record, then the Start-menu record,
// each only when the payload has it. 0 after reporting.
int InstallShortcuts();
