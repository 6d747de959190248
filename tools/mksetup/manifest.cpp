// The product manifest: TOML read with toml++, checked field by field and
// converted into a Product. A refusal names the field, its line and the
// limit, so that the manifest's author can fix it without guessing; a
// refusal ends only the field or entry it is about, so that one run lists
// every mistake.
#include "tools/mksetup/manifest.h"
#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <toml++/toml.h>
#include "app/flags.h"
#include "install/log_format.h"
#include "payload/layout.h"
#include "tools/mksetup/images.h"
#include "tools/mksetup/names.h"
#include "tools/mksetup/sources.h"
#include "tools/mksetup/text.h"

namespace {

// Capacities of the payload's strings, NUL included.
enum {
  NAME_CAP = NAME_CAPACITY, FACE_CAP = FACE_CAPACITY, FOOTER_CAP = FOOTER_CAPACITY, PATH_CAP = PATH_CAPACITY,
  FILE_PATH_CAP = FILE_PATH_CAPACITY + 1,  // the file list's first path byte comes apart
  SHORTCUT_CAP = SHORTCUT_NAME_CAPACITY, MAX_DATA = MAX_REGISTRY_DATA,
};

struct Failure {};  // unwinds to the Guard of the field once the mistake is recorded

struct Mistake {
  uint32_t Line;  // 0: none
  std::string Text;
};

// The edit distance of two short words (insertions, deletions, changes).
size_t Distance(const std::string& a, const std::string& b)
{
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The key that `word` most likely misspells: within two edits, or one that
// begins the other; empty when none is near.
std::string Nearest(const std::string& word, const std::vector<std::string>& keys)
{
  std::string nearest;
  size_t best = 3;
  for (const std::string& key : keys) {
    const size_t shorter = std::min(key.size(), word.size());
    size_t distance = word.size() > 64 ? best : Distance(word, key);
    if (shorter >= 3 && key.compare(0, shorter, word, 0, shorter) == 0) distance = std::min<size_t>(distance, 2);
    if (distance < best) best = distance, nearest = key;
  }
  return nearest;
}

class Reader {
 public:
  Reader(std::string folder, std::vector<std::string> searchPath, std::vector<std::string>* warnings, uint64_t latestTime)
      : folder_(std::move(folder)), searchPath_(std::move(searchPath)), warnings_(warnings), latestTime_(latestTime) {}

  // Records a mistake and goes on.
  void Report(const std::string& field, const toml::node* node, const std::string& why)
  {
    const toml::node* at = node != nullptr ? node : within_;
    const uint32_t line = at != nullptr ? at->source().begin.line : 0;
    Mistakes.push_back({line, Where(field, at) + (about_.empty() ? "" : about_ + ": ") + why});
  }

  [[noreturn]] void Refuse(const std::string& field, const toml::node* node, const std::string& why)
  {
    Report(field, node, why);
    throw Failure{};
  }

  // Runs one reading step: a refusal ends that step alone.
  template <class Step>
  void Guard(Step step)
  {
    try {
      step();
    } catch (const Failure&) {
    }
  }

  // The table that a missing field is reported at.
  void Within(const toml::node* table) { within_ = table; }
  // The file inside a tree that the following refusals are about; "" for none.
  void About(const std::string& path) { about_ = path.empty() ? path : Printable(path); }

  void Warn(const std::string& field, const toml::node* node, const std::string& what)
  {
    if (warnings_ != nullptr) warnings_->push_back(Where(field, node) + what);
  }

  // Each key that is not one of `keys` is reported with the keys there are,
  // and the one it is nearest.
  void AllowOnly(const toml::table& table, const std::string& field, const std::vector<std::string>& keys)
  {
    for (const auto& [key, node] : table) {
      const std::string name(key.str());
      if (std::find(keys.begin(), keys.end(), name) != keys.end()) continue;
      std::string list;
      for (size_t i = 0; i < keys.size(); ++i) list += (i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
      const bool section = field.empty() && (node.is_table() || node.is_array_of_tables());
      const std::string nearest = Nearest(name, keys);
      Report(Join(field, name), &node,
             (section ? "unknown section; the sections are " : field.empty() ? "unknown key; the sections are "
                                                                            : "unknown key; " + field + " takes ") +
                 list + (nearest.empty() ? "" : "; did you mean `" + nearest + "`?"));
    }
  }

  static std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "." + b; }

  // A text converted to Shift-JIS, refused when over capacity - 1 bytes.
  std::string Text(const toml::node* node, const std::string& field, int capacity,
                   const std::string& fallback = std::string(), bool required = false)
  {
    if (node == nullptr) {
      if (required) Refuse(field, nullptr, "missing");
      return Sjis(fallback, field, nullptr, capacity);
    }
    const auto* value = node->as_string();
    if (value == nullptr) Refuse(field, node, "must be a text");
    return Sjis(value->get(), field, node, capacity);
  }

  std::string Sjis(const std::string& utf8, const std::string& field, const toml::node* node,
                   int capacity)
  {
    std::string sjis, problem;
    if (!ToSjis(utf8, &sjis, &problem)) Refuse(field, node, Printable(problem));
    if (sjis.find('\0') != std::string::npos) Refuse(field, node, "a text cannot hold a NUL character");
    if (capacity > 0 && sjis.size() > static_cast<size_t>(capacity - 1))
      Refuse(field, node, "is " + std::to_string(sjis.size()) + " bytes in Shift-JIS; at most " +
                              std::to_string(capacity - 1) + " fit");
    return sjis;
  }

  bool Flag(const toml::node* node, const std::string& field)
  {
    if (node == nullptr) return false;
    const auto* value = node->as_boolean();
    if (value == nullptr) Refuse(field, node, "must be true or false");
    return value->get();
  }

  int64_t Integer(const toml::node* node, const std::string& field, int64_t low, int64_t high)
  {
    const auto* value = node->as_integer();
    if (value == nullptr) Refuse(field, node, "must be a whole number");
    if (value->get() < low || value->get() > high)
      Refuse(field, node, "must be from " + std::to_string(low) + " to " + std::to_string(high));
    return value->get();
  }

  // A colour as "#RRGGBB" or as a COLORREF number 0x00BBGGRR.
  uint32_t Colour(const toml::node* node, const std::string& field, uint32_t fallback)
  {
    if (node == nullptr) return fallback;
    if (const auto* text = node->as_string()) {
      const std::string s = text->get();
      if (s.size() == 7 && s[0] == '#' && s.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
        const uint32_t rgb = static_cast<uint32_t>(std::stoul(s.substr(1), nullptr, 16));
        return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
      }
      Refuse(field, node, "a colour is \"#RRGGBB\" or a number 0x00BBGGRR");
    }
    return static_cast<uint32_t>(Integer(node, field, 0, 0xFFFFFF));
  }

  std::string SourcePath(const toml::node* node, const std::string& field)
  {
    const auto* value = node ? node->as_string() : nullptr;
    if (value == nullptr) Refuse(field, node, "must be the path of a source file");
    const std::string path = value->get();
    if (!path.empty() && path[0] == '/') return Used(path);
    // Relative sources are the manifest's own; built files may come from
    // the folders of the search path.
    const std::string own = folder_ + "/" + path;
    struct stat info;
    if (stat(own.c_str(), &info) == 0) return Used(own);
    for (const std::string& folder : searchPath_) {
      const std::string found = folder + "/" + path;
      if (stat(found.c_str(), &info) == 0) return Used(found);
    }
    return own;
  }

  std::vector<std::string> Sources;  // every source path found, for the output's check
  const std::string& Used(const std::string& path) { return Sources.emplace_back(path); }

  // `deferred`: contents read when the payload is written.
  SourceFile Source(const toml::node* node, const std::string& field, bool deferred = false)
  {
    return SourceAt(SourcePath(node, field), field, node, deferred);
  }

  SourceFile SourceAt(const std::string& path, const std::string& field, const toml::node* node, bool deferred)
  {
    SourceFile file;
    std::string problem;
    if (!ReadSourceFile(path, &file, &problem, deferred, latestTime_)) Refuse(field, node, Printable(problem));
    return file;
  }

  // A file reference: "name" for a file that [[files]] installs, or
  // { embed = "source" } for a file the payload carries (an .ico for an icon).
  FileReference Reference(const toml::node* node, const std::string& field, bool icon = false)
  {
    FileReference reference;
    if (node == nullptr) Refuse(field, nullptr, "missing");
    if (node->is_string()) {
      reference.Name = Text(node, field, PATH_CAP);
      if (reference.Name.empty()) Refuse(field, node, "an empty name; use { embed = \"file\" } for a carried file");
      const std::string problem = TargetProblem(reference.Name, LOG_FILE);
      if (!problem.empty()) Refuse(field, node, FromSjis(problem));
      if (Installed.count(FoldCase(reference.Name)) == 0)
        Refuse(field, node, "names " + FromSjis(reference.Name) +
                                ", which no [[files]] entry installs; install it there, or carry it with { embed = \"file\" }");
      return reference;
    }
    const auto* table = node->as_table();
    if (table == nullptr) Refuse(field, node, "must be a file name or { embed = \"source file\" }");
    AllowOnly(*table, field, {"embed"});
    reference.Embedded = true;
    reference.File = Source(table->get("embed"), Join(field, "embed"), true);
    if (const std::string problem = icon ? IconProblem(reference.File.Origin) : ""; !problem.empty())
      Refuse(Join(field, "embed"), table->get("embed"), reference.File.Origin + " " + problem);
    return reference;
  }

  uint32_t Attributes(const toml::node* node, const std::string& field, uint32_t derived)
  {
    if (node == nullptr) return derived;
    const auto* list = node->as_array();
    if (list == nullptr) Refuse(field, node, "must be a list such as [\"readonly\", \"hidden\"]");
    uint32_t attributes = 0;
    for (const auto& item : *list) {
      const auto* name = item.as_string();
      const std::string n = name ? name->get() : "";
      if (n == "readonly") attributes |= 0x01;
      else if (n == "hidden") attributes |= 0x02;
      else if (n == "system") attributes |= 0x04;
      else if (n == "archive") attributes |= 0x20;
      else Refuse(field, &item, "attributes are readonly, hidden, system and archive");
    }
    return attributes == 0 ? 0x80 : attributes;  // FILE_ATTRIBUTE_NORMAL
  }

  std::vector<Mistake> Mistakes;
  std::set<std::string> Installed;  // the files [[files]] installs, case-folded

 private:
  static std::string Where(const std::string& field, const toml::node* node)
  {
    if (node == nullptr || node->source().begin.line == 0) return field + ": ";
    return field + " (line " + std::to_string(node->source().begin.line) + "): ";
  }

  std::string folder_;
  std::vector<std::string> searchPath_;
  std::vector<std::string>* warnings_;  // null: not wanted
  uint64_t latestTime_;
  const toml::node* within_ = nullptr;
  std::string about_;
};

const toml::table* Table(Reader& r, const toml::table& root, const char* key)
{
  const toml::node* node = root.get(key);
  if (node == nullptr) return nullptr;
  if (!node->is_table()) r.Refuse(key, node, "must be a table [" + std::string(key) + "]");
  return node->as_table();
}

// "field (line N)", for naming where something was given first.
std::string Place(const std::string& field, const toml::node* node)
{
  return node != nullptr ? field + " (line " + std::to_string(node->source().begin.line) + ")" : field;
}

// Splits a target path into its folder levels ("a\b\c" -> "a", "a\b").
std::vector<std::string> ParentFolders(const std::string& sjisPath)
{
  std::vector<std::string> parents;
  for (size_t i = 0; i < sjisPath.size(); ++i) {
    const unsigned char c = sjisPath[i];
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ++i;  // the trail byte may be '\'
      continue;
    }
    if (c == '\\' && i > 0) parents.push_back(sjisPath.substr(0, i));
  }
  return parents;
}

void ReadProductTable(Reader& r, const toml::table& root, Product* p)
{
  const toml::table* t = Table(r, root, "product");
  if (t == nullptr) r.Refuse("product", nullptr, "missing: a manifest starts with [product] and its name");
  r.Within(t);
  r.AllowOnly(*t, "product", {"name", "default_folder", "required_size", "uninstaller"});
  r.Guard([&] {
    p->Name = r.Text(t->get("name"), "product.name", NAME_CAP, "", true);
    if (p->Name.empty()) r.Refuse("product.name", t->get("name"), "must not be empty");
    if (const std::string problem = NameProblem(p->Name); !problem.empty())
      r.Refuse("product.name", t->get("name"), problem);
  });
  r.Guard([&] {
    p->DefaultFolder = r.Text(t->get("default_folder"), "product.default_folder", PATH_CAP, "", true);
    if (p->DefaultFolder.empty()) r.Refuse("product.default_folder", t->get("default_folder"), "must not be empty");
    else if (const std::string problem = FullPathProblem(p->DefaultFolder); !problem.empty())
      r.Refuse("product.default_folder", t->get("default_folder"), FromSjis(problem));
  });
  if (const toml::node* n = t->get("required_size")) {
    r.Guard([&] {
      const int64_t bytes = r.Integer(n, "product.required_size", 0, 0xFFFFFFFFll * 4096);
      p->RequiredGiven = true;
      p->RequiredUnits = static_cast<uint32_t>((bytes + 4095) / 4096);
    });
  }
  if (const toml::node* n = t->get("uninstaller")) {
    r.Guard([&] {
      const SourceFile file = r.Source(n, "product.uninstaller");
      if (const std::string problem = ImageProblem(file.Data, ImageKind::Uninstaller); !problem.empty())
        r.Refuse("product.uninstaller", n, file.Origin + " " + problem);
      p->Uninstaller = file.Data;
    });
  }
}

void ReadFeatures(Reader& r, const toml::table& root, Product* p)
{
  const toml::table* t = Table(r, root, "features");
  if (t == nullptr) return;
  r.Within(t);
  r.AllowOnly(*t, "features", {"simple_mode", "framed_window", "plain_background", "random_colours",
                               "agreement", "user_page", "readme_offer", "stored"});
  const struct {
    const char* Key;
    unsigned Flag;
  } switches[] = {{"simple_mode", PF_SIMPLE_MODE},       {"framed_window", PF_FRAMED_WINDOW},
                  {"plain_background", PF_PLAIN_BACKGROUND}, {"random_colours", PF_RANDOM_COLOURS},
                  {"user_page", PF_USER_PAGE},           {"readme_offer", PF_OFFER_README}};
  for (const auto& s : switches)
    r.Guard([&] {
      if (r.Flag(t->get(s.Key), std::string("features.") + s.Key)) p->Flags |= s.Flag;
    });

  if (const toml::node* n = t->get("agreement")) r.Guard([&] {
    const SourceFile text = r.Source(n, "features.agreement");
    std::string utf8(text.Data.begin(), text.Data.end());
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    std::string crlf;
    for (size_t i = 0; i < utf8.size(); ++i) {
      if (utf8[i] == '\r') continue;
      if (utf8[i] == '\n') crlf += '\r';
      crlf += utf8[i];
    }
    if (LooksLikeSjis(crlf))
      r.Refuse("features.agreement", n, "is not UTF-8 (it looks like Shift-JIS); convert it with iconv -f CP932 -t UTF-8");
    p->Agreement = r.Sjis(crlf, "features.agreement", n, 0);
    // The setup shows at most 16 MiB of agreement and takes more for damage.
    if (p->Agreement.size() > MAX_AGREEMENT_BYTES)
      r.Refuse("features.agreement", n, "is " + std::to_string(p->Agreement.size()) + " bytes in Shift-JIS; at most " +
                                           std::to_string(MAX_AGREEMENT_BYTES) + " are shown");
    p->Flags |= PF_AGREEMENT_PAGE;
  });
  if (const toml::node* n = t->get("stored")) r.Guard([&] {
    const auto* v = n->as_string();
    const std::string s = v ? v->get() : "";
    if (s == "auto") p->Stored = StoredChoice::Automatic;
    else if (s == "always") p->Stored = StoredChoice::Always;
    else if (s == "never") p->Stored = StoredChoice::Never;
    else r.Refuse("features.stored", n, "is \"auto\", \"always\" or \"never\"");
  });
}

void ReadScreen(Reader& r, const toml::table& root, Product* p)
{
  static const toml::table empty;
  const toml::table* found = Table(r, root, "screen");
  const toml::table& t = found ? *found : empty;
  r.Within(found);
  r.AllowOnly(t, "screen", {"top_colour", "bottom_colour", "font", "font_size", "footer", "panel"});
  r.Guard([&] { p->Top = r.Colour(t.get("top_colour"), "screen.top_colour", 0xFF0000); });
  r.Guard([&] { p->Bottom = r.Colour(t.get("bottom_colour"), "screen.bottom_colour", 0x000000); });
  r.Guard([&] { p->Face = r.Text(t.get("font"), "screen.font", FACE_CAP, "標準フォント"); });
  p->FontSize = 24;
  if (t.get("font_size"))
    r.Guard([&] { p->FontSize = static_cast<int32_t>(r.Integer(t.get("font_size"), "screen.font_size", 1, 200)); });
  r.Guard([&] { p->Footer = r.Text(t.get("footer"), "screen.footer", FOOTER_CAP); });
  if (const toml::node* n = t.get("panel")) r.Guard([&] {
    std::string problem;
    if (!ReadPanelBitmap(r.SourcePath(n, "screen.panel"), &p->Panel, &problem)) r.Refuse("screen.panel", n, Printable(problem));
  });
}

// A name that Windows opens as text: *.txt, *.ini, and the readme by any
// extension.
bool TextByName(const std::string& target)
{
  const std::vector<std::string> parents = ParentFolders(target);
  const std::string name = FoldCase(target.substr(parents.empty() ? 0 : parents.back().size() + 1));
  const auto endsWith = [&](const char* tail) { return name.size() >= 4 && name.compare(name.size() - 4, 4, tail) == 0; };
  return endsWith(".TXT") || endsWith(".INI") || name.compare(0, 6, "README") == 0;
}

// The targets of the file list so far, by their case-folded form: Windows
// sees "Docs" and "docs" as one name.
using TargetSet = std::map<std::string, std::string>;

void CheckTarget(Reader& r, const std::string& target, const char* logHead, const std::string& field,
                 const toml::node* node)
{
  const std::string problem = TargetProblem(target, logHead);
  if (!problem.empty()) r.Refuse(field, node, FromSjis("target " + target + " " + problem));
}

void AddFolder(Reader& r, Product* p, TargetSet* targets, const std::string& target, const std::string& field,
               const toml::node* node)
{
  const auto known = targets->find(FoldCase(target));
  if (known != targets->end() && known->second == target) return;
  if (known != targets->end())
    r.Refuse(field, node, FromSjis("folder " + target + " differs only in case from " + known->second));
  CheckTarget(r, target, LOG_FOLDER, field, node);
  (*targets)[FoldCase(target)] = target;
  FileEntry entry;
  entry.Target = target;
  entry.Folder = true;
  p->Files.push_back(entry);
}

void AddFile(Reader& r, Product* p, TargetSet* targets, const std::string& target,
             SourceFile file, const std::string& field, const toml::node* node)
{
  if (target.empty()) r.Refuse(field, node, "a file needs a target name");
  CheckTarget(r, target, LOG_FILE, field, node);
  const auto known = targets->find(FoldCase(target));
  if (known != targets->end())
    r.Refuse(field, node, FromSjis("target " + target + (known->second == target ? " is named twice" : " differs only in case from " + known->second)));
  // Folders come before their contents: each level is created by its own entry.
  if (target.size() < 2 || target[1] != ':')
    for (const std::string& parent : ParentFolders(target)) AddFolder(r, p, targets, parent, field, node);
  (*targets)[FoldCase(target)] = target;
  r.Installed.insert(FoldCase(target));
  if (TextByName(target) && HoldsUnmarkedUtf8(file.Origin))
    r.Warn(field, node, file.Origin + " holds UTF-8 text without a byte-order mark; Japanese Windows reads it as Shift-JIS");
  FileEntry entry;
  entry.Target = target;
  entry.File = std::move(file);
  p->Files.push_back(std::move(entry));
}

void ReadFiles(Reader& r, const toml::table& root, Product* p)
{
  const toml::node* node = root.get("files");
  if (node == nullptr) return;
  const auto* list = node->as_array();
  if (list == nullptr) r.Refuse("files", node, "must be a list of [[files]] tables");
  TargetSet targets;
  int index = 0;
  for (const auto& item : *list) r.Guard([&] {
    const std::string field = "files[" + std::to_string(index++) + "]";
    const auto* t = item.as_table();
    if (t == nullptr) r.Refuse(field, &item, "must be a table");
    r.Within(t);
    r.AllowOnly(*t, field, {"tree", "source", "folder", "target", "attributes", "exclude"});
    std::string kinds;
    for (const char* kind : {"tree", "source", "folder"})
      if (t->get(kind)) kinds += (kinds.empty() ? "" : " and ") + std::string(kind);
    if (kinds.find(" and ") != std::string::npos)
      r.Refuse(field, &item, "give one of tree, source or folder; this entry has " + kinds);
    std::string target = r.Text(t->get("target"), field + ".target", FILE_PATH_CAP);
    if (const toml::node* n = t->get("tree")) {
      std::vector<TreeItem> items;
      std::string problem;
      const std::string tree = r.SourcePath(n, field + ".tree");
      std::vector<std::string> exclude;
      if (const toml::node* x = t->get("exclude")) {
        if (!x->is_array()) r.Refuse(field + ".exclude", x, "must be a list of patterns");
        for (const toml::node& pattern : *x->as_array()) {
          if (!pattern.is_string() || pattern.as_string()->get().empty())
            r.Refuse(field + ".exclude", &pattern, "a pattern is a text such as \"*.bak\" or 'docs\\old'");
          exclude.push_back(pattern.as_string()->get());
        }
      }
      if (!ListTree(tree, exclude, &items, &p->LeftOut, &problem)) r.Refuse(field + ".tree", n, Printable(problem));
      if (!target.empty()) {
        for (const std::string& parent : ParentFolders(target + "\\")) AddFolder(r, p, &targets, parent, field + ".target", t->get("target"));
      }
      const uint32_t attributes = r.Attributes(t->get("attributes"), field + ".attributes", 0);
      // Each file of the tree is judged alone, and named in what is said of
      // it; what lies in a refused folder is not judged again.
      std::string refusedFolder;
      for (const TreeItem& ti : items) r.Guard([&] {
        if (!refusedFolder.empty() && ti.Relative.compare(0, refusedFolder.size(), refusedFolder) == 0) return;
        if (ti.Folder) refusedFolder = ti.Relative + "/";  // until it is added
        r.About(tree + "/" + ti.Relative);
        std::string relative = ti.Relative;
        std::replace(relative.begin(), relative.end(), '/', '\\');
        // The target's rules (its log line among them) bound its length.
        const std::string sjis = r.Sjis(relative, field + ".tree", n, 0);
        const std::string full = target.empty() ? sjis : target + "\\" + sjis;
        if (ti.Folder) {
          AddFolder(r, p, &targets, full, field + ".tree", n);
          refusedFolder.clear();
        } else {
          SourceFile file = r.SourceAt(tree + "/" + ti.Relative, field + ".tree", n, true);
          if (t->get("attributes")) file.Attributes = attributes;
          AddFile(r, p, &targets, full, std::move(file), field + ".tree", n);
        }
      });
      r.About("");
    } else if (t->get("exclude")) {
      r.Refuse(field + ".exclude", t->get("exclude"), "applies to a tree only");
    } else if (const toml::node* n = t->get("source")) {
      SourceFile file = r.Source(n, field + ".source", true);
      if (target.empty()) {
        std::string name = file.Origin.substr(file.Origin.find_last_of('/') + 1);
        target = r.Sjis(name, field + ".source", n, FILE_PATH_CAP);
      }
      file.Attributes = r.Attributes(t->get("attributes"), field + ".attributes", file.Attributes);
      AddFile(r, p, &targets, target, std::move(file), field, &item);
    } else if (const toml::node* n = t->get("folder")) {
      const std::string folder = r.Text(n, field + ".folder", FILE_PATH_CAP);
      if (folder.empty()) r.Refuse(field + ".folder", n, "must not be empty");
      for (const std::string& parent : ParentFolders(folder + "\\")) AddFolder(r, p, &targets, parent, field + ".folder", n);
    } else {
      r.Refuse(field, &item, "needs tree, source or folder");
    }
  });
}

void ReadShortcut(Reader& r, const toml::table& shortcuts, const char* key, unsigned flag,
                  ShortcutRecord* s, Product* p)
{
  const toml::node* node = shortcuts.get(key);
  if (node == nullptr) return;
  const std::string field = std::string("shortcuts.") + key;
  const auto* t = node->as_table();
  if (t == nullptr) r.Refuse(field, node, "must be a table");
  r.Within(t);
  r.AllowOnly(*t, field, {"name", "target", "arguments"});
  s->Present = true;
  r.Guard([&] {
    s->Name = r.Text(t->get("name"), field + ".name", SHORTCUT_CAP);
    if (const std::string problem = NameProblem(s->Name); !problem.empty()) r.Refuse(field + ".name", t->get("name"), problem);
  });
  r.Guard([&] { s->Target = r.Reference(t->get("target"), field + ".target"); });
  r.Guard([&] { s->Arguments = r.Text(t->get("arguments"), field + ".arguments", PATH_CAP); });
  p->Flags |= flag;
}

void ReadShortcuts(Reader& r, const toml::table& root, Product* p)
{
  const toml::table* t = Table(r, root, "shortcuts");
  if (t == nullptr) return;
  r.AllowOnly(*t, "shortcuts", {"desktop", "start_menu"});
  r.Guard([&] { ReadShortcut(r, *t, "desktop", PF_DESKTOP_SHORTCUT, &p->Desktop, p); });
  r.Guard([&] { ReadShortcut(r, *t, "start_menu", PF_STARTMENU_SHORTCUT, &p->StartMenu, p); });
}

const toml::array* List(Reader& r, const toml::table& root, const char* key)
{
  const toml::node* node = root.get(key);
  if (node == nullptr) return nullptr;
  if (!node->is_array()) r.Refuse(key, node, std::string("must be a list of [[") + key + "]] tables");
  return node->as_array();
}

void ReadSharedFiles(Reader& r, const toml::table& root, Product* p)
{
  const toml::array* list = List(r, root, "shared");
  if (list == nullptr) return;
  int index = 0;
  std::map<std::string, std::string> paths;  // case-folded: where each was given first
  for (const auto& item : *list) r.Guard([&] {
    const std::string field = "shared[" + std::to_string(index++) + "]";
    const auto* t = item.as_table();
    if (t == nullptr) r.Refuse(field, &item, "must be a table");
    r.Within(t);
    r.AllowOnly(*t, field, {"path", "source", "version", "attributes"});
    SharedFileEntry entry;
    entry.Path = r.Text(t->get("path"), field + ".path", PATH_CAP, "", true);
    if (entry.Path.empty()) r.Refuse(field + ".path", t->get("path"), "must not be empty");
    if (const std::string problem = FullPathProblem(entry.Path); !problem.empty())
      r.Refuse(field + ".path", t->get("path"), FromSjis(problem));
    const auto [first, added] = paths.emplace(FoldCase(entry.Path), Place(field + ".path", t->get("path")));
    if (!added) r.Refuse(field + ".path", t->get("path"), FromSjis(entry.Path) + " is given twice, first by " + first->second);
    entry.File = r.Source(t->get("source"), field + ".source");
    entry.File.Attributes = r.Attributes(t->get("attributes"), field + ".attributes", entry.File.Attributes);
    if (const toml::node* v = t->get("version")) {
      const auto* text = v->as_string();
      unsigned a, b, c, d;
      char tail;
      if (text == nullptr || sscanf(text->get().c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 ||
          a > 0xFFFF || b > 0xFFFF || c > 0xFFFF || d > 0xFFFF)
        r.Refuse(field + ".version", v, "a version is four numbers 0-65535, as \"1.2.3.4\"");
      entry.VersionHigh = a << 16 | b;
      entry.VersionLow = c << 16 | d;
    } else if (!ReadPeVersion(entry.File.Data, &entry.VersionHigh, &entry.VersionLow)) {
      r.Refuse(field + ".version", &item, "the source has no version resource; give version = \"a.b.c.d\"");
    }
    p->SharedFiles.push_back(std::move(entry));
  });
}

void ReadRegistry(Reader& r, const toml::table& root, Product* p)
{
  static const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
                                      "HKEY_PERFORMANCE_DATA"};
  const toml::array* list = List(r, root, "registry");
  if (list == nullptr) return;
  int index = 0;
  std::map<std::string, std::string> values;  // case-folded: where each was given first
  for (const auto& item : *list) r.Guard([&] {
    const std::string field = "registry[" + std::to_string(index++) + "]";
    const auto* t = item.as_table();
    if (t == nullptr) r.Refuse(field, &item, "must be a table");
    r.Within(t);
    r.AllowOnly(*t, field, {"key", "value", "type", "data"});
    const std::string key = r.Text(t->get("key"), field + ".key", PATH_CAP, "", true);
    const std::string rootName = key.substr(0, key.find('\\'));
    bool known = false;
    for (const char* name : roots) known = known || rootName == name;
    if (!known) r.Refuse(field + ".key", t->get("key"), "the root key " + FromSjis(rootName) + " is not one of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA, HKEY_PERFORMANCE_DATA");
    if (key.find('\\') == std::string::npos) r.Refuse(field + ".key", t->get("key"), "names only a root key; add the sub-key after a backslash");
    if (const std::string problem = KeyProblem(key); !problem.empty()) r.Refuse(field + ".key", t->get("key"), problem);
    RegistryEntry entry;
    const toml::node* valueNode = t->get("value");
    if (valueNode == nullptr) {
      if (t->get("type") || t->get("data")) r.Refuse(field, &item, "type and data need a value name (value = \"\" for the default value)");
      if (const std::string problem = RegistryLineProblem(key); !problem.empty()) r.Refuse(field + ".key", t->get("key"), problem);
      entry.Path = key;
      p->Registry.push_back(entry);
      return;
    }
    const std::string value = r.Text(valueNode, field + ".value", PATH_CAP);
    if (const std::string problem = ValueNameProblem(value); !problem.empty()) r.Refuse(field + ".value", valueNode, problem);
    entry.Path = key + "\\" + value;
    if (const std::string problem = RegistryLineProblem(entry.Path); !problem.empty())
      r.Refuse(field + ".value", valueNode, "with its key, " + problem);
    const auto [first, added] = values.emplace(FoldCase(entry.Path), Place(field + ".value", valueNode));
    if (!added) r.Refuse(field + ".value", valueNode, "the value " + FromSjis(value) + " of " + FromSjis(key) + " is written twice, first by " + first->second);
    const toml::node* typeNode = t->get("type");
    const toml::node* data = t->get("data");
    if (typeNode == nullptr || data == nullptr) r.Refuse(field, &item, "a value needs type and data");
    const auto* typeName = typeNode->as_string();
    const std::string type = typeName ? typeName->get() : "";
    if (type == "sz" || type == "expand_sz") {
      entry.Type = type == "sz" ? 1 : 2;
      const std::string text = r.Text(data, field + ".data", 0);
      entry.Data.assign(text.begin(), text.end());
      entry.Data.push_back(0);
    } else if (type == "dword") {
      entry.Type = 4;
      PutInt32(entry.Data, static_cast<uint32_t>(r.Integer(data, field + ".data", 0, 0xFFFFFFFFll)));
    } else if (type == "binary") {
      entry.Type = 3;
      const auto* bytes = data->as_array();
      if (bytes == nullptr) r.Refuse(field + ".data", data, "binary data is a list of byte values");
      for (const auto& b : *bytes) PutByte(entry.Data, static_cast<unsigned>(r.Integer(&b, field + ".data", 0, 255)));
    } else if (type == "multi_sz") {
      entry.Type = 7;
      const auto* texts = data->as_array();
      if (texts == nullptr) r.Refuse(field + ".data", data, "multi_sz data is a list of texts");
      for (const auto& s : *texts) {
        const std::string text = r.Text(&s, field + ".data", 0);
        entry.Data.insert(entry.Data.end(), text.begin(), text.end());
        entry.Data.push_back(0);
      }
      entry.Data.push_back(0);
    } else {
      r.Refuse(field + ".type", typeNode, "is sz, expand_sz, dword, binary or multi_sz");
    }
    if (entry.Data.size() > MAX_DATA)
      r.Refuse(field + ".data", data, "is " + std::to_string(entry.Data.size()) + " bytes; a value holds at most 260");
    p->Registry.push_back(std::move(entry));
  });
}

Command ReadCommand(Reader& r, const toml::node* node, const std::string& field)
{
  Command command;
  if (node == nullptr) return command;
  const auto* t = node->as_table();
  if (t == nullptr) r.Refuse(field, node, "must be { program = ..., arguments = \"...\" }");
  r.Within(t);
  r.AllowOnly(*t, field, {"program", "arguments"});
  command.Present = true;
  r.Guard([&] { command.Program = r.Reference(t->get("program"), field + ".program"); });
  r.Guard([&] { command.Arguments = r.Text(t->get("arguments"), field + ".arguments", PATH_CAP); });
  return command;
}

void ReadFileTypes(Reader& r, const toml::table& root, Product* p)
{
  const toml::array* list = List(r, root, "file_types");
  if (list == nullptr) return;
  int index = 0;
  std::map<std::string, std::string> extensions;  // case-folded: where each was given first
  for (const auto& item : *list) r.Guard([&] {
    const std::string field = "file_types[" + std::to_string(index++) + "]";
    const auto* t = item.as_table();
    if (t == nullptr) r.Refuse(field, &item, "must be a table");
    r.Within(t);
    r.AllowOnly(*t, field, {"extension", "description", "icon", "icon_index", "open", "print"});
    FileTypeEntry entry;
    r.Guard([&] {
      const toml::node* n = t->get("extension");
      entry.Extension = r.Text(n, field + ".extension", PATH_CAP, "", true);
      if (const std::string problem = ExtensionProblem(entry.Extension); !problem.empty())
        r.Refuse(field + ".extension", n, problem);
      const auto [first, added] = extensions.emplace(FoldCase(entry.Extension), Place(field + ".extension", n));
      if (!added) r.Refuse(field + ".extension", n, FromSjis(entry.Extension) + " is registered twice (Windows does not tell case apart), first by " + first->second);
    });
    r.Guard([&] { entry.Description = r.Text(t->get("description"), field + ".description", PATH_CAP); });
    r.Guard([&] { entry.Icon = r.Reference(t->get("icon"), field + ".icon", true); });
    if (t->get("icon_index"))
      r.Guard([&] { entry.IconIndex = static_cast<int>(r.Integer(t->get("icon_index"), field + ".icon_index", 0, 255)); });
    r.Guard([&] { entry.Open = ReadCommand(r, t->get("open"), field + ".open"); });
    r.Guard([&] { entry.Print = ReadCommand(r, t->get("print"), field + ".print"); });
    if (t->get("open") == nullptr)
      r.Warn(field, &item, "has no open command, so a ." + FromSjis(entry.Extension) + " document opens with nothing");
    p->FileTypes.push_back(std::move(entry));
  });
}

void ReadLaunch(Reader& r, const toml::table& root, Product* p)
{
  const toml::table* t = Table(r, root, "launch");
  if (t == nullptr) return;
  r.Within(t);
  p->Launch = ReadCommand(r, t, "launch");
}

void ReadOutput(Reader& r, const toml::table& root, Product* p)
{
  const toml::table* t = Table(r, root, "output");
  if (t == nullptr) return;
  r.Within(t);
  r.AllowOnly(*t, "output", {"spanned", "volume_size"});
  r.Guard([&] { p->Spanned = r.Flag(t->get("spanned"), "output.spanned"); });
  // A volume size asks for volumes.
  if (const toml::node* n = t->get("volume_size")) {
    r.Guard([&] {
      p->VolumeSize = static_cast<uint64_t>(r.Integer(n, "output.volume_size", 4096, 0xFFFFFFFFll));
      if (t->get("spanned") && !p->Spanned)
        r.Refuse("output.volume_size", n, "sizes volumes, but spanned = false asks for none");
      p->Spanned = true;
    });
  }
}

}  // namespace

bool LoadManifest(const std::string& path, Product* product, std::string* error,
                  const std::vector<std::string>& searchPath, std::vector<std::string>* warnings, uint64_t latestTime)
{
  enum { MOST_SHOWN = 100 };  // a tree of bad names would bury the rest
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = path + ": " + (errno == ENOENT ? "no such file" : strerror(errno));
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    *error = path + ": is a folder, not a manifest";
    return false;
  }
  for (const std::string& folder : searchPath)
    if (warnings != nullptr && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
      warnings->push_back("-I " + folder + ": no such folder");
  toml::table root;
  try {
    root = toml::parse_file(path);
  } catch (const toml::parse_error& e) {
    *error = path + " (line " + std::to_string(e.source().begin.line) + "): " + std::string(e.description());
    return false;
  }
  const size_t slash = path.find_last_of('/');
  Reader reader(slash == std::string::npos ? "." : path.substr(0, slash), searchPath, warnings, latestTime);
  reader.AllowOnly(root, "", {"product", "features", "screen", "files", "shortcuts", "shared", "registry", "file_types",
                              "launch", "output"});
  for (void (*read)(Reader&, const toml::table&, Product*) :
       {ReadProductTable, ReadFeatures, ReadScreen, ReadFiles, ReadShortcuts, ReadSharedFiles, ReadRegistry,
        ReadFileTypes, ReadLaunch, ReadOutput})
    reader.Guard([&] { read(reader, root, product); });
  std::vector<Mistake>& mistakes = reader.Mistakes;
  std::stable_sort(mistakes.begin(), mistakes.end(), [](const Mistake& a, const Mistake& b) { return a.Line < b.Line; });
  error->clear();
  for (size_t i = 0; i < mistakes.size() && i < MOST_SHOWN; ++i) *error += (i ? "\n" : "") + mistakes[i].Text;
  if (mistakes.size() > 1)
    *error += "\n" + path + ": " + std::to_string(mistakes.size()) + " mistakes" +
              (mistakes.size() > MOST_SHOWN ? " (the first " + std::to_string(MOST_SHOWN) + " shown)" : "");
  product->Inputs = reader.Sources;
  return mistakes.empty();
}
