// payload_walk.exe SETUP [VOLUMES]: walks the payload of a setup executable
// with the engine's own reader, answering the "FD交換" prompt of each of
// VOLUMES - 1 continuation volumes, and prints the listing (Shift-JIS) for
// comparison with the builder's lister. Exits 0 only when the walk read
// every record, met every prompt and ended exactly at the end of the data.
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/state.h"
#include "payload/stream.h"
#include "payload/walk.h"
#include "tests/support/box_answerer.h"

int main(int argc, char** argv)
{
  if (argc < 2) {
    fprintf(stderr, "usage: payload_walk SETUP [VOLUMES]\n");
    return 2;
  }
  InitSetupState();
  lstrcpynA(State.OwnPath, argv[1], sizeof State.OwnPath);
  const int volumes = argc > 2 ? atoi(argv[2]) : 1;
  std::vector<ExpectedBox> prompts(volumes > 1 ? volumes - 1 : 0, ExpectedBox{"FD交換", IDOK});
  BoxAnswerer answerer(prompts);

  std::string listing;
  int status = 0;
  if (!OpenPayload()) {
    fprintf(stderr, "payload_walk: no payload in %s\n", argv[1]);
    status = 1;
  } else if (!WalkPayload(&listing)) {
    fprintf(stderr, "payload_walk: the walk stopped early\n");
    status = 1;
  }
  _setmode(_fileno(stdout), _O_BINARY);
  fwrite(listing.data(), 1, listing.size(), stdout);

  // Nothing may follow the launch record: the buffer is used up and the
  // current volume is read to its end.
  const PayloadStream& s = State.Payload;
  if (status == 0) {
    DWORD high = 0;
    const DWORD size = GetFileSize(s.File, &high);
    const DWORD at = SetFilePointer(s.File, 0, nullptr, FILE_CURRENT);
    if (s.Position != s.Count || at != size) {
      fprintf(stderr, "payload_walk: %d bytes follow the launch record\n",
              static_cast<int>(size - at) + (s.Count - s.Position));
      status = 1;
    }
    if (s.VolumeNumber != volumes) {
      fprintf(stderr, "payload_walk: read %d volumes, expected %d\n", s.VolumeNumber, volumes);
      status = 1;
    }
  }
  ClosePayload();
  answerer.Finish();
  if (!answerer.AllAnswered()) {
    fprintf(stderr, "payload_walk: the disk prompts were not as expected\n");
    status = 1;
  }
  return status;
}
