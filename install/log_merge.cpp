// The log merge as set operations on lines: the new log's lines and every
// line appended so far go into an open-addressing hash table of line
// references, so each old line is looked up once instead of by re-reading
// the new log. Lines compare as Windows compares paths, so that a folder
// typed in another case does not make every line a new one.
#include "install/log_merge.h"
#include <cstdint>
#include <cstring>
#include "app/sjis.h"

namespace {

struct LineRef {
  const char* Text;  // null: empty slot
  uint32_t Length;
};

struct LineTable {
  LineRef* Slots;
  size_t Mask;
};

// Folds every ASCII letter, trail bytes too: lines that compare equal
// hash alike, and the few others that collide are told apart by the
// comparison.
uint32_t Hash(const char* text, size_t length)
{
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    h = (h ^ (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)) * 16777619u;
  }
  return h;
}

// Adds the line unless it is there; true when it was added.
bool Insert(LineTable& table, const char* text, size_t length)
{
  size_t i = Hash(text, length) & table.Mask;
  while (table.Slots[i].Text != nullptr) {
    const LineRef& slot = table.Slots[i];
    if (slot.Length == length && SameSjisText(slot.Text, text, length)) return false;
    i = (i + 1) & table.Mask;
  }
  table.Slots[i] = {text, static_cast<uint32_t>(length)};
  return true;
}

size_t LineCount(const char* log, size_t size)
{
  size_t lines = size > 0 && log[size - 1] != '\n';
  for (size_t i = 0; i < size; ++i) lines += log[i] == '\n';
  return lines;
}

// Twice as many slots as lines keeps the probes short.
size_t SlotCount(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize)
{
  const size_t lines = LineCount(oldLog, oldSize) + LineCount(newLog, newSize);
  size_t slots = 16;
  while (slots < 2 * (lines + 1)) slots <<= 1;
  return slots;
}

// Calls visit(text, length) for each line of the log, without the CR of
// its CR LF.
template <typename Visit>
void ForEachLine(const char* log, size_t size, Visit visit)
{
  for (size_t start = 0, end = 0; start < size; start = end + 1) {
    for (end = start; end < size && log[end] != '\n'; ++end) {}
    visit(log + start, end > start && log[end - 1] == '\r' ? end - start - 1 : end - start);
  }
}

}  // namespace

size_t MergeWorkspaceBytes(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize)
{
  return SlotCount(oldLog, oldSize, newLog, newSize) * sizeof(LineRef);
}

size_t MergeOutputBytes(size_t oldSize) { return 2 * oldSize; }

size_t MergeLogs(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize,
                 void* workspace, char* out)
{
  bool ours = false;
  const size_t authorLength = sizeof LOG_AUTHOR_LINE - 1;
  ForEachLine(oldLog, oldSize, [&](const char* text, size_t length) {
    ours = ours || (length == authorLength && memcmp(text, LOG_AUTHOR_LINE, length) == 0);
  });
  if (!ours) return 0;

  const size_t slots = SlotCount(oldLog, oldSize, newLog, newSize);
  LineTable table{static_cast<LineRef*>(workspace), slots - 1};
  memset(table.Slots, 0, slots * sizeof(LineRef));
  ForEachLine(newLog, newSize, [&](const char* text, size_t length) { Insert(table, text, length); });

  size_t used = 0;
  ForEachLine(oldLog, oldSize, [&](const char* text, size_t length) {
    if (!Insert(table, text, length)) return;
    memcpy(out + used, text, length);
    used += length;
    out[used++] = '\r';
    out[used++] = '\n';
  });
  return used;
}

bool LogHasLine(const char* log, size_t size, const char* line, size_t length)
{
  bool found = false;
  ForEachLine(log, size, [&](const char* text, size_t textLength) {
    found = found || (textLength == length && SameSjisText(text, line, length));
  });
  return found;
}
