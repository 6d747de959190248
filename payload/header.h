// The two start-up sections of the payload: the product header (name,
// PayloadFlags, gradient colours) and the screen settings (title font,
// footer, side-panel picture). Both fill their fields of SetupState.
#pragma once

// Opens the payload and reads the product header; with PF_RANDOM_COLOURS the
// colours are replaced by random ones. 0 ends the run (any message has been
// shown by the reader).
int ReadProductHeader();

// Reads the screen settings that follow the header. 0 ends the run.
int ReadScreenSettings();
