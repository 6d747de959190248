// The noted signal and the handlers that note it. A signal ignored when the
// build starts (as for a job started in the background of a script) stays
// ignored.
#include "tools/mksetup/interrupt.h"
#include <csignal>

static volatile sig_atomic_t Noted = 0;
static const int Signals[] = {SIGINT, SIGHUP, SIGTERM};
static void (*Before[3])(int);

static void Note(int signal) { Noted = signal; }

void CatchInterrupts()
{
  for (int i = 0; i < 3; ++i) {
    Before[i] = std::signal(Signals[i], Note);
    if (Before[i] == SIG_IGN) std::signal(Signals[i], SIG_IGN);
  }
}

bool Interrupted() { return Noted != 0; }

void ReleaseInterrupts()
{
  for (int i = 0; i < 3; ++i) std::signal(Signals[i], Before[i]);
  if (Noted != 0) std::raise(Noted);
}
