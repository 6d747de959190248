// The wizard: the pages that lead the user to the installation.
#pragma once

// Runs the wizard's pages. 1 when the user consented to install, 0 when the
// wizard was cancelled.
int RunWizard();
