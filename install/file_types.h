// File-type associations under HKEY_CLASSES_ROOT: extension, class key,
// description, icon and the open and print commands.
#pragma once

// Step of row 6; tells the shell once after the list. 0 after reporting.
int InstallFileTypes();
