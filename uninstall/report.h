// What the uninstaller could not take back, gathered during the run and
// told once at its end, and the message boxes of the ordinary mode.
#pragma once

// Notes a path (or registry path) that stays. `refused` marks a log line
// whose path has a shape that is never acted on.
void NoteLeftover(const char* text, int refused);

// A question with Yes and No owned by the progress window; IDNO without a
// box in roll-back mode. safeNo makes No the default button.
int Ask(const char* text, const char* caption, int safeNo);

// An ordinary-mode message with the exclamation icon; nothing in roll-back mode.
void Tell(const char* text);

// The one final message (done, and what stays) and, when a file waits for
// the next start of Windows, the restart question. Ordinary mode only.
void TellOutcome();
