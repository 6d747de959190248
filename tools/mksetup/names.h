// What a name or an install path in a manifest may hold, judged in
// Shift-JIS by character (a trail byte may be '\' or '|'). Each check
// returns an empty text when the name is fine, else the rule it breaks,
// for the builder's refusal message.
#pragma once
#include <string>

// A product or shortcut name: it ends up in a file name, a registry key
// name and a quoted command line, so it holds no character a file name
// cannot and names no device.
std::string NameProblem(const std::string& sjis);

// A file type's extension: given without its dot, not empty, and with no
// character that a file name cannot hold.
std::string ExtensionProblem(const std::string& sjis);

// The default folder or a shared file's path: a full path once its leading
// macro, one of the known three, is expanded (a drive, a colon and a
// backslash, or a share), below a drive's root, with components as a
// target's. Empty when it is one.
std::string FullPathProblem(const std::string& sjis);

// A path below the install folder ("bin\viewer.exe"), never a drive or a
// colon and no folder macro (which only full paths take): no empty, "." or
// ".." components, no reserved device names, no characters Windows refuses
// in a file name, no component ending in a dot or blank, short enough that
// its log line "<head><folder>\<path>" fits even under the shortest install
// folder, and not the name of the install log itself.
std::string TargetProblem(const std::string& sjis, const char* logHead);

// A registry key path below its root: no empty components, no trailing
// backslash, no control character.
std::string KeyProblem(const std::string& sjis);

// A registry value's name: no backslash (the setup would take it for a
// key) and no control character (the install log could not name it).
std::string ValueNameProblem(const std::string& sjis);

// A registry key, or key and value name, whose install-log line would not
// fit; empty when it fits.
std::string RegistryLineProblem(const std::string& path);

// True when the text holds a backslash as a character of its own.
bool HasBackslash(const std::string& sjis);

// The text with ASCII letters in upper case, for comparing file names as
// Windows does.
std::string FoldCase(const std::string& sjis);
