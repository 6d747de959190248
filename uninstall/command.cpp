// Splits the uninstaller's command line into its words: a word is quoted
// (the quotes removed, no escapes) or runs to the next blank. Texts that do
// not fit are refused, never cut: a cut folder would name another folder.
#include "uninstall/command.h"

// Copies the next word into out (capacity bytes) and returns the text after
// it, or null when there is no word or it does not fit.
static const char* NextWord(const char* p, char* out, size_t capacity)
{
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '\0') return nullptr;
  const bool quoted = *p == '"';
  if (quoted) ++p;
  size_t length = 0;
  for (; *p != '\0'; ++p) {
    if (quoted ? *p == '"' : (*p == ' ' || *p == '\t')) break;
    if (length + 1 >= capacity) return nullptr;
    out[length++] = *p;
  }
  if (quoted) {
    if (*p != '"') return nullptr;
    ++p;
  }
  out[length] = '\0';
  return p;
}

bool ParseUninstallCommand(const char* line, UninstallCommand* out)
{
  char word[COMMAND_TEXT_BYTES];
  const char* p = NextWord(line, word, sizeof word);
  if (p == nullptr) return false;
  while (*p == ' ' || *p == '\t') ++p;
  // Only an unquoted s is the mode letter: a product may be called "s".
  out->RollBack = p[0] == 's' && (p[1] == ' ' || p[1] == '\t');
  if (out->RollBack) ++p;
  p = NextWord(p, out->Product, sizeof out->Product);
  p = p == nullptr ? nullptr : NextWord(p, out->Folder, sizeof out->Folder);
  if (p == nullptr || out->Product[0] == '\0' || out->Folder[0] == '\0') return false;
  out->LogDigest[0] = '\0';
  const char* digest = NextWord(p, out->LogDigest, sizeof out->LogDigest);
  if (digest != nullptr) {
    for (int i = 0; i < SHA256_TEXT_BYTES - 1; ++i) {
      const char c = out->LogDigest[i];
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    p = digest;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}
