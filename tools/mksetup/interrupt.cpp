// The noted signal and the handlers that note it.
#include "tools/mksetup/interrupt.h"
#include <csignal>

static volatile sig_atomic_t Noted = 0;
static const int Signals[] = {SIGINT, SIGHUP, SIGTERM};

static void Note(int signal) { Noted = signal; }

void CatchInterrupts()
{
  for (int signal : Signals) std::signal(signal, Note);
}

bool Interrupted() { return Noted != 0; }

void ReleaseInterrupts()
{
  for (int signal : Signals) std::signal(signal, SIG_DFL);
  if (Noted != 0) std::raise(Noted);
}
