// The step runner: the install steps in their fixed order under the
// progress dialog, the log merge on every path, and the roll-back after a
// failure once the uninstaller exists.
#pragma once

// Runs the install steps; returns 1 when they all went through, 0 when one
// failed or was cancelled (after the roll-back, once the uninstaller exists).
int RunSteps();
