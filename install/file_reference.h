// File references of the payload: a file named inside InstallFolder, or a
// file carried in the payload and extracted there under a generated name.
#pragma once

// Reads one file reference and leaves the file's full path in `path` (260
// bytes); an embedded file is extracted as "setupNNN.<extension>" and
// logged. 0 after reporting.
int ReadFileReference(const char* extension, char* path);
