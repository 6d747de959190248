// One run of this engine at a time: the setup program and the uninstaller
// each hold a named mutex from their start to their end, so that no two
// runs rewrite the uninstaller pool, WININIT.INI or the shared counts at once.
#pragma once

// Opens the mutex, creating it where no other run holds it, and keeps it
// until the process ends (Windows closes it then, whatever ends the
// process). False when another run held it already.
bool ClaimSingleRun();
