// The drive space survey: a thread started first at start-up that measures
// every drive while the user reads the first pages.
#pragma once
#include <windows.h>

// Thread procedure of the survey; ends by itself.
DWORD WINAPI SurveyDrives(void* unused);
