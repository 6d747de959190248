// Payload crafting for tests, on top of the shared encodings.
#include "tests/support/payloads.h"

Bytes StartupSections(const StartupFields& f)
{
  Bytes out;
  PutString(out, f.Name, 42);
  PutWord(out, f.Flags);
  PutInt32(out, f.Top);
  PutInt32(out, f.Bottom);
  PutString(out, f.Face, 32);
  PutInt32(out, f.FontSize);
  PutString(out, f.Footer, 41);
  PutByte(out, f.Panel ? 1 : 0);
  if (f.Panel) {
    for (int i = 0; i < 106712; ++i) PutByte(out, i * 7);
  }
  return out;
}

Bytes StandInImage()
{
  Bytes image(64, 0);
  image[0] = 'M';
  image[1] = 'Z';
  return image;
}
