// The digests a product's Uninstall entry holds for its install log, read
// alike by the setup program and the uninstaller. Reports nothing and
// touches no state of either program.
#pragma once
#include "app/sha256.h"

// Reads the values LOG_DIGEST_VALUE and EARLIER_LOG_DIGEST_VALUE of the
// entry HKLM\<UNINSTALL_KEY_PATH>\<product>. Each text is the digest, empty
// where the value (or the entry) is absent, or "-" where the value is not a
// digest: it then vouches for no log.
void ReadEntryDigests(const char* product, char log[SHA256_TEXT_BYTES], char earlier[SHA256_TEXT_BYTES]);
