// The log merge as set operations on lines: the new log's lines and every
// line appended so far go into an open-addressing hash table of line
// references, so each old line is looked up once instead of by re-reading
// the new log.
#include "install/log_merge.h"
#include <cstdint>
#include <cstring>

namespace {

struct LineRef {
  const char* Text;  // null: empty slot
  uint32_t Length;
};

struct LineTable {
  LineRef* Slots;
  size_t Mask;
};

uint32_t Hash(const char* text, size_t length)
{
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
  return h;
}

// Adds the line unless it is there; true when it was added.
bool Insert(LineTable& table, const char* text, size_t length)
{
  size_t i = Hash(text, length) & table.Mask;
  while (table.Slots[i].Text != nullptr) {
    const LineRef& slot = table.Slots[i];
    if (slot.Length == length && memcmp(slot.Text, text, length) == 0) return false;
    i = (i + 1) & table.Mask;
  }
  table.Slots[i] = {text, static_cast<uint32_t>(length)};
  return true;
}

size_t LineCount(const char* log, size_t size)
{
  size_t lines = 0;
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

// Calls visit(text, length) for each line of the log.
template <typename Visit>
void ForEachLine(const char* log, size_t size, Visit visit)
{
  size_t start = 0;
  for (size_t i = 0; i < size; ++i) {
    if (log[i] != '\n') continue;
    const size_t length = i - start;
    visit(log + start, length == 0 ? 0 : length - 1);
    start = i + 1;
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
