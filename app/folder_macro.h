// Folder names from the payload: macro expansion and the refusal of a name
// too long for a path.
#pragma once

// Expands a leading "$(SYSDIR)", "$(WINDIR)" or "$(SYSDRV)" of source into
// destination (260 bytes). 0 after a message when the result would not fit.
int ExpandFolderMacro(const char* source, char* destination);

// Tells the user that a folder name is too long for a path (a box owned by
// the current dialog); returns 0.
int RefuseLongFolder();
