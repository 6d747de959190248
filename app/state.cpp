// The program-wide record and the scratch text. Everything starts empty;
// handles start at their sentinel values.
#include "app/state.h"

SetupState State;
char TextBuffer[MAX_PATH];

void InitSetupState()
{
  ZeroMemory(&State, sizeof State);
  State.ErrorBoxStyle = MB_ICONERROR;
  State.Payload.File = INVALID_HANDLE_VALUE;
  State.InstallLog = INVALID_HANDLE_VALUE;
  State.EarlierLog = INVALID_HANDLE_VALUE;
  State.DestinationDrive = -1;
  TextBuffer[0] = '\0';
}
