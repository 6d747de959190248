// The step runner. It is reached only after the user's consent, which the
// wizard does not give yet, so there is nothing to run.
#include "install/steps.h"

void RunSteps()
{
}
