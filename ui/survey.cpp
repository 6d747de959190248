// The survey thread. Until the confirmation page needs free-space figures
// it has nothing to measure and ends at once.
#include "ui/survey.h"

DWORD WINAPI SurveyDrives(void*)
{
  return 0;
}
