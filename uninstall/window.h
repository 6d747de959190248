// The small progress window of the ordinary mode.
#pragma once

// Shows the window for a log of `lines` lines and makes it Run.Window.
// Nothing in roll-back mode, where the setup program shows its own.
void OpenProgress(long lines);

// Moves the bar to line `done` and names the entry being taken back.
void ShowProgress(long done, const char* item);

// Destroys the window and empties Run.Window.
void CloseProgress();
