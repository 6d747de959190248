// The start-up sections read into SetupState. A payload that ends inside
// either section ends the run without a message of their own.
#include "payload/header.h"
#include "app/flags.h"
#include "app/state.h"
#include "payload/layout.h"
#include "payload/random_colour.h"
#include "payload/stream.h"

enum { DARK_BOTTOM_MASK = 0x3F3F3F };

// The run's record keeps what the start-up records carry in buffers of
// exactly their capacities, so a record read whole always fits.
static_assert(sizeof State.ProductName == NAME_CAPACITY, "product name");
static_assert(sizeof State.FontFace == FACE_CAPACITY, "font face");
static_assert(sizeof State.FooterText == FOOTER_CAPACITY, "footer");
static_assert(sizeof State.PanelBitmap == PANEL_BYTES, "panel picture");
static_assert(sizeof State.DefaultFolder == PATH_CAPACITY && sizeof State.InstallFolder == PATH_CAPACITY &&
                  sizeof TextBuffer == PATH_CAPACITY,
              "paths");

int ReadProductHeader()
{
  if (!OpenPayload()) return 0;
  ProductHeader header;
  if (!ReadHeaderFields(&header)) return 0;
  lstrcpynA(State.ProductName, header.Name, sizeof State.ProductName);
  State.PayloadFlags = header.Flags;
  State.GradientTop = header.Top;
  State.GradientBottom = header.Bottom;

  if (State.PayloadFlags & PF_RANDOM_COLOURS) {
    // The clock's milliseconds, as the system time's would be.
    SeedRandomColour(static_cast<unsigned>(GetTickCount() % 1000) * 2u);
    State.GradientTop = RandomColour();
    State.GradientBottom = RandomColour() & DARK_BOTTOM_MASK;
  }
  return 1;
}

int ReadScreenSettings()
{
  ScreenSettings settings;
  if (!ReadScreenFields(&settings, State.PanelBitmap)) return 0;
  lstrcpynA(State.FontFace, settings.Face, sizeof State.FontFace);
  State.FontSize = settings.FontSize;
  lstrcpynA(State.FooterText, settings.Footer, sizeof State.FooterText);
  State.FooterLength = lstrlenA(State.FooterText);
  State.PanelFlag = settings.PanelFlag;
  return 1;
}
