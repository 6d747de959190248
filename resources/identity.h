// The engine's identity, shared by every version resource that carries it:
// an uninstaller is recognised as this engine's by these values.
#pragma once

#define ENGINE_COMPANY_NAME   "Norvalex."
#define ENGINE_FILE_VERSION   3,0,0,0
#define ENGINE_VERSION_TEXT   "3.0.0.0"
