// The random background colours of PayloadFlags 0x0020. Portable: colours
// are COLORREF values (0x00BBGGRR) held in an unsigned int.
#pragma once

// Seeds the generator's 32-bit state.
void SeedRandomColour(unsigned seed);

// Draws blue, green and red from the generator and lowers the brighter of
// any two channels above 208 to at most 127, so the title stays readable.
unsigned RandomColour();
