// Name and path rules of the manifest: the characters and components that
// Windows refuses or reads as something else, checked before anything is
// written, so that a setup never fails on them halfway through.
#include "tools/mksetup/names.h"
#include <cstring>
#include <vector>
#include "app/sjis.h"
#include "install/log_format.h"

namespace {

// The shortest install folder is a drive's root ("C:\").
enum { SHORTEST_FOLDER = 3 };

// Splits at backslashes that are characters of their own; each component
// keeps its bytes unchanged.
std::vector<std::string> Components(const std::string& sjis)
{
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < sjis.size(); ++i) {
    const unsigned char c = sjis[i];
    if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      parts.back() += sjis.substr(i, 2);
      ++i;
    } else if (c == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(c);
    }
  }
  return parts;
}

// The single-byte characters (outside two-byte ones) that no file name may
// hold; empty when there are none.
std::string ForbiddenCharacter(const std::string& sjis, const char* forbidden)
{
  for (size_t i = 0; i < sjis.size(); ++i) {
    const unsigned char c = sjis[i];
    if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) return "a control character";
    if (std::strchr(forbidden, c) != nullptr) return std::string("the character ") + static_cast<char>(c);
  }
  return std::string();
}

bool IsDeviceName(const std::string& component)
{
  std::string base = FoldCase(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
  for (const char* device : devices)
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// The rules every component of a path follows, wherever the path is given.
std::string ComponentProblem(const std::string& part)
{
  if (part.empty()) return "has an empty component (a doubled or trailing backslash)";
  if (part == "." || part == "..") return "must not hold a \".\" or \"..\" component";
  const std::string bad = ForbiddenCharacter(part, "/:*?\"<>|");
  if (!bad.empty()) return "holds " + bad + "; a file name cannot hold / : * ? \" < > | or control characters";
  if (part.back() == '.' || part.back() == ' ') return "has a component \"" + part + "\" that ends with a dot or blank";
  if (IsDeviceName(part)) return "names the device " + part + ", which Windows reserves";
  return std::string();
}

// The macro that starts at `at`, up to its closing parenthesis.
std::string MacroAt(const std::string& sjis, size_t at)
{
  const size_t end = sjis.find(')', at);
  return sjis.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

}  // namespace

std::string FoldCase(const std::string& sjis)
{
  std::string folded = sjis;
  for (size_t i = 0; i < folded.size(); ++i) {
    const unsigned char c = folded[i];
    if (IsSjisLeadByte(c)) ++i;
    else if (c >= 'a' && c <= 'z') folded[i] = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

bool HasBackslash(const std::string& sjis) { return Components(sjis).size() > 1; }

std::string NameProblem(const std::string& sjis)
{
  const std::string bad = ForbiddenCharacter(sjis, "\\/:*?\"<>|");
  if (!bad.empty()) return "holds " + bad + "; a name cannot hold \\ / : * ? \" < > | or control characters";
  return IsDeviceName(sjis) ? "names the device " + sjis + ", which Windows reserves" : bad;
}

std::string ExtensionProblem(const std::string& sjis)
{
  if (sjis.empty() || sjis[0] == '.') return "an extension is given without its dot and is not empty";
  const std::string bad = ForbiddenCharacter(sjis, "\\/:*?\"<>|");
  if (!bad.empty()) return "holds " + bad + "; a file name cannot hold \\ / : * ? \" < > | or control characters";
  if (sjis.size() > EXTENSION_LIMIT)
    return "is " + std::to_string(sjis.size()) + " bytes; at most " + std::to_string(EXTENSION_LIMIT) +
           " fit, so that its longest key fits the install-log line that names it";
  return std::string();
}

static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string FullPathProblem(const std::string& sjis)
{
  // What the rules take each macro for: "$(SYSDRV)" is the Windows drive's
  // letter, the other two are full paths.
  static const char* const macros[][2] = {{"$(SYSDIR)", "C:\\W\\S"}, {"$(WINDIR)", "C:\\W"}, {"$(SYSDRV)", "C"}};
  std::string rest = sjis;
  if (rest.compare(0, 2, "$(") == 0) {
    const std::string macro = MacroAt(rest, 0);
    for (const auto& known : macros)
      if (macro == known[0]) rest.replace(0, macro.size(), known[1]);
    if (rest == sjis) return "starts with the unknown macro " + macro + "; the macros are $(SYSDIR), $(WINDIR) and $(SYSDRV)";
    // A folder's name would run on into the next one's ("SYSTEMx.dll").
    if (macro != "$(SYSDRV)" && sjis.size() > macro.size() && sjis[macro.size()] != '\\')
      return "goes on after " + macro + " without a backslash";
  }
  if (const size_t at = rest.find("$("); at != std::string::npos)
    return "holds the macro " + MacroAt(rest, at) + " past its start; a macro stands only at the start of the folder";
  const bool drive = rest.size() >= 3 && IsLetter(rest[0]) && rest[1] == ':' && rest[2] == '\\';
  const bool share = rest.size() >= 3 && rest[0] == '\\' && rest[1] == '\\' && rest[2] != '\\';
  if (!drive && !share)
    return "is not a full path: a drive, a colon and a backslash (\"$(SYSDRV):\\Product\"), a share, or a path after "
           "$(SYSDIR) or $(WINDIR)";
  if (rest.size() == 3 && drive) return "is a drive's root; the setup installs into a folder of its own";
  for (const std::string& part : Components(rest.substr(drive ? 3 : 2))) {
    const std::string problem = ComponentProblem(part);
    if (!problem.empty()) return problem;
  }
  return std::string();
}

std::string TargetProblem(const std::string& sjis, const char* logHead)
{
  const std::string& path = sjis;
  if (path.size() >= 2 && path[1] == ':' && IsLetter(path[0]))
    return "names a drive; give a path below the install folder";
  if (!path.empty() && path[0] == '\\') return "must not start with a backslash; give a path below the install folder";
  // The setup expands macros only where a full path is expected.
  if (const size_t at = path.find("$("); at != std::string::npos)
    return "holds the macro " + MacroAt(path, at) +
           ", which is expanded only in a [[shared]] path and the default folder; a file for the system or Windows "
           "folder goes in [[shared]]";
  const std::vector<std::string> parts = Components(path);
  for (const std::string& part : parts) {
    const std::string problem = ComponentProblem(part);
    if (!problem.empty()) return problem;
  }
  if (parts.size() == 1) {
    const std::string name = FoldCase(parts[0]);
    if (name == FoldCase(LOG_FILE_NAME) || name == FoldCase(EARLIER_LOG_FILE_NAME))
      return "is the name of the install log in the install folder";
  }
  const size_t line = std::strlen(logHead) + SHORTEST_FOLDER + 1 + sjis.size();
  if (line > LOG_LINE_LIMIT)
    return "is too long for its install-log line (" + std::to_string(line) + " characters even under \"C:\\\"; at most " +
           std::to_string(LOG_LINE_LIMIT) + ")";
  return std::string();
}

std::string KeyProblem(const std::string& sjis)
{
  for (const std::string& part : Components(sjis))
    if (part.empty()) return "has an empty component (a doubled or trailing backslash)";
  // The key goes into the install log, whose lines hold no control character.
  if (!ForbiddenCharacter(sjis, "").empty()) return "holds a control character, which the install log cannot hold";
  return std::string();
}

std::string ValueNameProblem(const std::string& sjis)
{
  if (HasBackslash(sjis)) return "a value name cannot hold a backslash: the setup would read it as a key";
  if (!ForbiddenCharacter(sjis, "").empty()) return "holds a control character, which the install log cannot hold";
  return std::string();
}

std::string RegistryLineProblem(const std::string& path)
{
  // REGKEY= and REGDAT= are as long.
  static_assert(sizeof LOG_KEY == sizeof LOG_VALUE, "one length for both registry lines");
  const size_t line = std::strlen(LOG_VALUE) + path.size();
  if (line <= LOG_LINE_LIMIT) return std::string();
  return "makes an install-log line of " + std::to_string(line) + " characters; at most " +
         std::to_string(LOG_LINE_LIMIT) + " fit";
}
