// The step runner: the install steps in their fixed order under the
// progress dialog, the log merge on every path, and the roll-back after a
// failure once the uninstaller exists.
#pragma once

// Runs the install steps; returns when they are done or one has failed.
void RunSteps();
