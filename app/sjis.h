// Shift-JIS (code page 932) text helpers that need no Windows API. A lead
// byte starts a two-byte character whose trail byte may be any of 0x40-0xFC,
// including 0x5C ('\') and ASCII letters, so scans step by character.
#pragma once
#include <cstddef>

// True when c starts a two-byte character in code page 932.
bool IsSjisLeadByte(unsigned char c);

// Pointer to the character after the one at p (never past the NUL).
const char* NextSjisChar(const char* p);

// Length in bytes of the longest prefix of text (at most limit bytes) that
// ends on a character boundary.
size_t SjisFitLength(const char* text, size_t limit);

// Removes every control character (below 0x20, or 0x7F) from the text in
// place; a trail byte is never one of them.
void StripControlCharacters(char* text);

// Removes one trailing backslash, if the text's last character is one (the
// trail byte of a two-byte character never counts). True when one was removed.
bool CutTrailingBackslash(char* text);

// True when a and b name the same path as Windows compares names: equal
// but for ASCII case and one trailing backslash each (double-byte
// characters compared as they are).
bool SameSjisPath(const char* a, const char* b);

// True when the length bytes at a and at b are the same text as Windows
// compares names: equal but for ASCII case, a double-byte character
// compared as its two bytes (a trail byte that is a letter is never folded).
bool SameSjisText(const char* a, const char* b, size_t length);

// The rest of path after folder and a backslash when path lies strictly
// below folder (compared as SameSjisPath does; one trailing backslash of
// folder allowed); null otherwise, and for an empty folder.
const char* SjisPathBelow(const char* path, const char* folder);

// True for a full path: a drive letter, a colon and a backslash, or a UNC
// path. Anything else would be taken from the current folder, then logged
// and registered as it was typed.
bool IsFullPath(const char* path);

// True for a path that starts with a drive ("C:", of any letter) or a share
// ("\\"): one that no folder it is found in is put in front of.
inline bool IsAbsolutePath(const char* path)
{
  return (path[0] == '\\' && path[1] == '\\') || (path[0] != '\0' && path[1] == ':');
}
