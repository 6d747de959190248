// The wizard: the pages that lead the user to the installation, or their
// proposals taken as they stand.
#pragma once

// Runs the wizard's pages. 1 when the user consented to install, 0 when the
// wizard was cancelled.
int RunWizard();

// Instead of the pages, in an unattended run: reads what they read, in the
// same order, and takes what they propose (the folder and the names given
// on the command line first), checked as the pages check them. 1 when the
// installation may start; 0 when a check refused (its message went to the
// diagnostic log), and the folder it created is gone again.
int TakeWizardProposals();
