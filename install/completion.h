// The end of an installation: the launch of the product's program, the
// readme offer, the restart question or the completion message, and the
// roll-back that runs the uninstaller after a failure.
#pragma once

// Step of row 7: runs the program of the launch record and waits for it;
// an unattended run reads the record and runs nothing.
int LaunchStep();

// Step of row 8: closes the progress dialog and tells the user how the
// installation ended. Restarts Windows when the user accepts the restart;
// an unattended run offers neither the readme nor the restart.
int FinishStep();

// Runs the uninstaller in its roll-back mode under the "cleanUp" dialog
// (none in a silent run).
void RollBack();
