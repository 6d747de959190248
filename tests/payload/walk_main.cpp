// payload_walk.exe SETUP VOLUMES: walks a setup file's payload with the engine's
// reader, answering each "FD交換" prompt, and prints the listing (Shift-JIS). Exits 0
// only when it read every record, met every prompt and ended at the last volume's end.
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/state.h"
#include "payload/stream.h"
#include "payload/walk.h"
#include "tests/support/ui_driver.h"

int main(int argc, char** argv)
{
  if (argc != 3) return fprintf(stderr, "usage: payload_walk SETUP VOLUMES\n"), 2;
  InitSetupState();
  lstrcpynA(State.OwnPath, argv[1], sizeof State.OwnPath);
  const int volumes = atoi(argv[2]);
  BoxAnswerer answerer(std::vector<ExpectedBox>(volumes - 1, ExpectedBox{"FD交換", IDOK}));
  std::string listing;
  const bool walked = OpenPayload() && WalkPayload(&listing);
  _setmode(_fileno(stdout), _O_BINARY);
  fwrite(listing.data(), 1, listing.size(), stdout);
  const PayloadStream& s = State.Payload;
  // A signed setup's payload ends where its signature table starts, but for up to 7 bytes of padding.
  const bool fileEnd = s.Position == s.Count && SetFilePointer(s.File, 0, nullptr, FILE_CURRENT) == GetFileSize(s.File, nullptr);
  const bool atEnd = walked && s.VolumeNumber == volumes && (fileEnd || (s.Left == 0 && s.Count - s.Position < 8));
  ClosePayload();
  answerer.Finish();
  if (walked && atEnd && answerer.AllAnswered()) return 0;
  fprintf(stderr, "payload_walk: walked %d, at the end %d, prompts as expected %d\n", walked, atEnd, answerer.AllAnswered());
  return 1;
}
