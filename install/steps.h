// The step runner: the install steps in their fixed order under the
// progress dialog, the log merge on every path, and the roll-back after a
// failure once the uninstaller exists.
#pragma once

// Runs the install steps; returns when they are done or one has failed.
void RunSteps();

// True once the user has confirmed a cancel of the running installation;
// the steps then stop at their next block or item.
bool InstallCancelled();
