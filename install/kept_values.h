// Registry values an installation rewrites: each one's type and data (or
// its absence) is kept before the first write, so that a roll-back writes
// back what was there.
#pragma once
#include <windows.h>

// Keeps the value `name` (null: the key's default value) of root\subKey
// as it is now. 0 with the system's error set when it could not be kept;
// the caller reports and writes nothing.
int KeepValue(HKEY root, const char* subKey, const char* name);

// Writes every kept value back, the last kept first (a value that was not
// there is deleted again), and forgets them. Reports nothing.
void GiveBackValues();

// The run went through: the kept values are forgotten.
void ForgetValues();
