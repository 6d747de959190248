// The step runner: the install steps in order under the progress dialog.
#pragma once

// Runs the install steps; returns when they are done or one has failed.
void RunSteps();
