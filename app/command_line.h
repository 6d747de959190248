// The command line after the program name: the two option letters, and the
// switches of an unattended run. Portable: the scans work on any text, so
// they are tested natively; the run sequence feeds them GetCommandLineA.
#pragma once

// RunFlags bits named by a command line: RF_DIALOGS_AT_200 for each "T" and
// RF_CONFIRM_STEPS for each "V" after the program name, wherever they stand.
// A quoted program name without its closing quote means no options.
unsigned CommandLineFlags(const char* commandLine);

enum {
  SWITCH_PATH_BYTES = 260,  // MAX_PATH: /D= and /LOG=
  SWITCH_NAME_BYTES = 80,   // a field of the user page
};

// The switches: the words after the program name that begin with "/",
// their names in any case. A value is quoted (to its closing quote) or runs
// to the next blank; /D= is the last word and runs to the end of the line,
// blanks included. A switch may also be quoted whole ("/D=C:\a b").
struct CommandSwitches {
  unsigned Flags;                   // RF_SILENT, RF_PASSIVE; RF_EXIT_CODES once any switch is met
  char Folder[SWITCH_PATH_BYTES];   // /D=, a full path; empty when not given
  char User[SWITCH_NAME_BYTES];     // /USER=
  char Company[SWITCH_NAME_BYTES];  // /COMPANY=
  char Log[SWITCH_PATH_BYTES];      // /LOG=
  const char* Fault;                // why the command line is refused, or null
  const char* FaultAt;              // the refused word and what follows it in the line, or null
};

// Reads the switches into out. False, with Fault and FaultAt set for the
// first one, for an unknown switch, an empty value, a value that does not
// fit (never cut), an unclosed quote, anything after /D=, a /D= that is not
// a full path (a drive, a colon and a backslash, or a UNC path), or /S with
// /P; the words after a refused one are read all the same (a /LOG= there
// still counts).
bool ParseSwitches(const char* commandLine, CommandSwitches* out);
