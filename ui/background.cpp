// The background window. Until it is drawn, the run has no background:
// MainWindow stays null, as in simple mode.
#include "ui/background.h"

void CreateBackgroundWindow()
{
}
