// The engine's identity, shared by every version resource that carries it:
// an uninstaller is recognised as this engine's by these values, and the
// builder tells the setup program from the uninstaller by its internal name.
#pragma once

// The version is set here alone: the version resources, the uninstaller
// check and the install log's VER line are built from these two numbers.
#define ENGINE_COMPANY_NAME   "Norvalex."
#define ENGINE_SETUP_NAME     "setup"
// The mutex that lets one setup or uninstaller of this engine, of any
// version, run at a time.
#define ENGINE_RUN_MUTEX      "Norvalex.SetupEngine"
#define ENGINE_VERSION_MAJOR  3
#define ENGINE_VERSION_MINOR  0
#define ENGINE_FILE_VERSION   ENGINE_VERSION_MAJOR,ENGINE_VERSION_MINOR,0,0
#define ENGINE_TEXT_OF(n)     #n
#define ENGINE_TEXT(n)        ENGINE_TEXT_OF(n)
#define ENGINE_VERSION_TEXT   ENGINE_TEXT(ENGINE_VERSION_MAJOR) "." ENGINE_TEXT(ENGINE_VERSION_MINOR) ".0.0"
