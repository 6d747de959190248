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
  return bad.empty() ? bad : "holds " + bad + "; a name cannot hold \\ / : * ? \" < > | or control characters";
}

static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string DefaultFolderProblem(const std::string& sjis)
{
  // "$(SYSDRV)" stands for the Windows drive's letter, the other two for full paths.
  std::string rest = sjis;
  for (const char* macro : {"$(SYSDIR)", "$(WINDIR)", "$(SYSDRV)"}) {
    if (rest.compare(0, 9, macro) != 0) continue;
    rest.replace(0, 9, std::string(macro) == "$(SYSDRV)" ? "C" : "C:\\W");
    break;
  }
  const bool drive = rest.size() >= 3 && IsLetter(rest[0]) && rest[1] == ':' && rest[2] == '\\';
  const bool share = rest.size() >= 3 && rest[0] == '\\' && rest[1] == '\\' && rest[2] != '\\';
  if (!drive && !share)
    return "is not a full path: a drive, a colon and a backslash (\"$(SYSDRV):\\Product\"), a share, or a path after "
           "$(SYSDIR) or $(WINDIR)";
  return std::string();
}

std::string TargetProblem(const std::string& sjis, const char* logHead)
{
  const std::string& path = sjis;
  if (path.size() >= 2 && path[1] == ':' && IsLetter(path[0]))
    return "names a drive; give a path below the install folder";
  if (!path.empty() && path[0] == '\\') return "must not start with a backslash; give a path below the install folder";
  const std::vector<std::string> parts = Components(path);
  for (const std::string& part : parts) {
    if (part.empty()) return "has an empty component (a doubled or trailing backslash)";
    if (part == "." || part == "..") return "must not hold a \".\" or \"..\" component";
    const std::string bad = ForbiddenCharacter(part, "/:*?\"<>|");
    if (!bad.empty()) return "holds " + bad + "; a file name cannot hold / : * ? \" < > | or control characters";
    if (part.back() == '.' || part.back() == ' ') return "has a component \"" + part + "\" that ends with a dot or blank";
    if (IsDeviceName(part)) return "names the device " + part + ", which Windows reserves";
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
  return std::string();
}
