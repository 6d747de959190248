// The command line's two option letters. Portable: the scan works on any
// text, so it is tested natively; the run sequence feeds it GetCommandLineA.
#pragma once

// RunFlags bits named by a command line: RF_DIALOGS_AT_200 for each "T" and
// RF_CONFIRM_STEPS for each "V" after the program name, wherever they stand.
// A quoted program name without its closing quote means no options.
unsigned CommandLineFlags(const char* commandLine);
