// The arithmetic of the background window's gradient: band height, shadow
// offset and band colours. Portable: no Windows types.
#pragma once

enum { GRADIENT_BANDS = 256 };

// Screen height / 256, rounded up.
int BandHeight(int screenHeight);

// Screen width / 1023 + 1.
int ShadowOffset(int screenWidth);

// The COLORREF of band i (0 to 255) from top to bottom colour.
unsigned BandColour(unsigned top, unsigned bottom, int band);
