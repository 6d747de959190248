// The three COM identifiers that setup.exe uses (the shell's link object and
// its two interfaces), defined here so that the image does not take in the
// system's whole table of identifiers for them.
#include <windows.h>

extern "C" {
extern const GUID CLSID_ShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern const GUID IID_IShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern const GUID IID_IPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
