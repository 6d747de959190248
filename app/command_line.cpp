// Scans the command line after the program name for the letters T and V.
// The letters are matched as characters, so the trail byte of a two-byte
// Japanese character in a path argument never counts as one.
#include "app/command_line.h"
#include "app/flags.h"
#include "app/sjis.h"

unsigned CommandLineFlags(const char* commandLine)
{
  if (commandLine == nullptr || commandLine[0] == '\0') return 0;
  const char end = commandLine[0] == '"' ? '"' : ' ';
  const char* p = NextSjisChar(commandLine);
  while (*p != '\0' && *p != end) p = NextSjisChar(p);
  if (*p == '\0') return 0;
  ++p;
  while (*p == ' ') ++p;

  unsigned flags = 0;
  for (; *p != '\0'; p = NextSjisChar(p)) {
    if (*p == 'T') flags |= RF_DIALOGS_AT_200;
    else if (*p == 'V') flags |= RF_CONFIRM_STEPS;
  }
  return flags;
}
