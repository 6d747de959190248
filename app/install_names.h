// The names by which every program of the engine, and the folder page,
// find an installation: its log in the install folder and the key under
// which Add/Remove Programs lists it. Portable.
#pragma once

inline constexpr char LOG_FILE_NAME[] = "setup.inf";
#define UNINSTALL_KEY_PATH "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"  // under HKEY_LOCAL_MACHINE
