// A build ended by Ctrl-C, a hang-up or a termination request cleans up
// after itself: the handlers only note the signal, the output's writer
// sees it at its next write and fails, and the signal is raised again once
// the temporaries are gone, so that the exit status tells of it.
#pragma once

void CatchInterrupts();    // from now on, SIGINT, SIGHUP and SIGTERM are noted
bool Interrupted();        // true once one of them has come
void ReleaseInterrupts();  // the handlers from before again; a noted signal is raised now
