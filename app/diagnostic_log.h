// The diagnostic log that /LOG= asks for: what a run did and met, one line
// an event, each with the date and time.
#pragma once
#include <windows.h>

// Creates the log at path, or empties the file there; other programs may
// read it while the run writes it. 0 with the system's error set.
int OpenDiagnosticLog(const char* path);

// Appends "<date> <time> <head>: <text>"; each line break of the text
// starts an indented line. Nothing while no log is open.
void LogEvent(const char* head, const char* text);

// Appends the exit code and closes the log. Safe without a log.
void CloseDiagnosticLog(unsigned exitCode);
