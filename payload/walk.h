// A walk over a whole payload, from the product header to the launch
// record, that lists every section and record as text lines (texts stay in
// Shift-JIS). The builder's lister and the engine-side tests run the same
// walk over their own readers, so the two cannot disagree silently. Not
// part of setup.exe.
#pragma once
#include <string>

// Appends the listing to *out. 1 when the whole payload was read; 0 when a
// record could not be read (the listing stops there with an "error" line).
int WalkPayload(std::string* out);
