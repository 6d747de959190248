// The exit codes of a run with a switch (the setup program) or of the
// uninstaller's mode s, in the conventions that deployment tools read.
// Without a switch the setup program ends with 0, whatever happened.
#pragma once

enum : unsigned {
  EXIT_DONE = 0,                  // installed, or taken back
  EXIT_RESTART_NEEDED = 3010,     // done; files wait for the next start of Windows
  EXIT_CANCELLED = 1602,          // the user cancelled; the roll-back ran
  EXIT_FAILED = 1603,             // a step failed (the roll-back ran), or the run could not start
  EXIT_ANOTHER_RUN = 1618,        // another setup or uninstaller of this engine is running
  EXIT_PAYLOAD_UNREADABLE = 1620, // the payload ends early, is damaged, or a volume is missing
  EXIT_BAD_COMMAND_LINE = 1639,   // an unknown switch, a value that does not fit, a folder refused
};
