// Whether a name or path that the payload gives for the install folder
// stays where it says. The payload is untrusted: a path that climbs out with
// "..", starts at a drive's root, or names the open install log is damaged
// data, never something to write. Portable: bytes in, verdict out.
#pragma once

// 1 for a path below the install folder ("bin\viewer.exe"); 0 for an empty
// path, a drive, a leading backslash, a '/' or ':' anywhere (an alternate
// data stream), an empty, "." or ".." component, a control character, or a
// top-level "setup.inf" or "setup.$$$".
int IsSafeInstallPath(const char* path);

// 1 for a file name without folders: no \ / : * ? " < > | and no control
// character (an empty name is allowed: it stands for a default).
int IsSafeFileName(const char* name);
