// The drive space survey: a thread started first at start-up that measures
// every drive while the user reads the first pages, the destination's free
// space for the confirmation page, and the space check when it is left.
#pragma once
#include <windows.h>

enum : unsigned char { SPACE_UNKNOWN = 255, SPACE_NOT_ASKED = 254 };

// Thread procedure of the survey: fills State.DriveSpaceTable once; returns 0.
DWORD WINAPI SurveyDrives(void* unused);

// Shows the destination's free space in label 1006 of `page` ("不明" when
// unknown) and records the destination in State.DestinationDrive.
void DestinationSpace(HWND page);

// The check when the confirmation page is left: backwards removes a folder
// the wizard created and passes; forwards compares State.RequiredSizeText
// with the destination's free space and refuses a shortage with a message.
// 1 = the page may be left.
int CheckDiskSpace(int backwards);
