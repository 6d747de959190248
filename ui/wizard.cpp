// The wizard. Until its pages exist, a run ends as if the user had cancelled
// on the first page.
#include "ui/wizard.h"

int RunWizard()
{
  return 0;
}
