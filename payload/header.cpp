// Readers of the product header and the screen settings. A payload that ends
// inside either section ends the run without a message of their own.
#include "payload/header.h"
#include "app/flags.h"
#include "app/state.h"
#include "payload/random_colour.h"
#include "payload/stream.h"

enum { DARK_BOTTOM_MASK = 0x3F3F3F };

int ReadProductHeader()
{
  if (!OpenPayload()) return 0;
  if (!ReadString(State.ProductName, sizeof State.ProductName)) return 0;
  if (State.ProductName[0] == '\0') {
    // An empty first name is followed by a block of n + 2 bytes to skip and
    // then the real name; an early end of the data drops a single byte.
    const int n = ReadByte();
    for (int i = 0; i < n + 2; ++i) ReadByte();
    if (!ReadString(State.ProductName, sizeof State.ProductName)) return 0;
  }
  const int flags = ReadWord();
  if (flags < 0) return 0;
  State.PayloadFlags = static_cast<unsigned>(flags);
  if (!ReadBytes(&State.GradientTop, 4) || !ReadBytes(&State.GradientBottom, 4)) return 0;

  if (State.PayloadFlags & PF_RANDOM_COLOURS) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    SeedRandomColour(now.wMilliseconds * 2u);
    State.GradientTop = RandomColour();
    State.GradientBottom = RandomColour() & DARK_BOTTOM_MASK;
  }
  return 1;
}

int ReadScreenSettings()
{
  if (!ReadString(State.FontFace, sizeof State.FontFace) || !ReadBytes(&State.FontSize, 4) ||
      !ReadString(State.FooterText, sizeof State.FooterText)) {
    return 0;
  }
  State.FooterLength = lstrlenA(State.FooterText);
  // A payload cut short in the panel would leave a picture of stray bytes
  // and the next section misread, so it ends the run here.
  const int panelFlag = ReadByte();
  if (panelFlag < 0) return 0;
  State.PanelFlag = panelFlag;
  if (panelFlag != 0 && !ReadBytes(State.PanelBitmap, PANEL_BITMAP_BYTES)) return 0;
  return 1;
}
