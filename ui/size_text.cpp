// Size texts: byte counts written as "117.73MB" and compared the way the
// confirmation page shows them, at the precision of the texts. A size text
// is at most 9 characters ("1023.99KB"), so every writer here stays within
// the 10 bytes its callers provide.
#include "ui/size_text.h"

static const char UNIT_LETTERS[] = "KMGTPEZY";

enum { MAX_DIVISIONS = 6, VALUE_LIMIT = 20000000 };

// Appends value in decimal at p and returns the position after it.
static char* AppendDecimal(char* p, unsigned value)
{
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *p++ = digits[--count];
  return p;
}

void FormatByteSize(unsigned low, unsigned high, char* text)
{
  unsigned long long count = static_cast<unsigned long long>(high) << 32 | low;
  unsigned long long remainder = 0;
  int divisions = 0;
  while (count >= 1024 && divisions < MAX_DIVISIONS) {
    remainder = count % 1024;
    count /= 1024;
    ++divisions;
  }

  // Below 1024, or below 16 after the last division.
  char* p = AppendDecimal(text, static_cast<unsigned>(count));
  if (divisions > 0) {
    const unsigned hundredths = static_cast<unsigned>(remainder * 100 / 1024);
    if (hundredths != 0) {
      *p++ = '.';
      *p++ = static_cast<char>('0' + hundredths / 10);
      *p++ = static_cast<char>('0' + hundredths % 10);
    }
    *p++ = UNIT_LETTERS[divisions - 1];
  }
  *p++ = 'B';
  *p = '\0';
}

static int UnitRank(char c)
{
  for (int i = 0; UNIT_LETTERS[i] != '\0'; ++i) {
    if (UNIT_LETTERS[i] == c) return i + 1;
  }
  return 0;
}

// An optional sign and the digits after it. The magnitude is capped so that
// it times 100, plus a fraction, still fits an int: a runaway digit string
// neither overflows nor passes for a small number.
static long long LeadingNumber(const char* text)
{
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > VALUE_LIMIT) value = VALUE_LIMIT;
  }
  return negative ? -value : value;
}

int SizeTextValue(const char* text)
{
  long long value = LeadingNumber(text) * 100;
  const char* p = text;
  while (*p != '\0' && *p != '.') ++p;
  if (*p == '.' && p[1] != '\0') value += LeadingNumber(p + 1);
  return static_cast<int>(value);
}

// The character before the last: the unit letter of a size text, a digit
// for a count in bytes, and nothing at all for a text shorter than that.
static int RankOfText(const char* text)
{
  int length = 0;
  while (text[length] != '\0') ++length;
  return length >= 2 ? UnitRank(text[length - 2]) : 0;
}

bool SizeTextFits(const char* required, const char* free)
{
  const int requiredRank = RankOfText(required);
  const int freeRank = RankOfText(free);
  if (requiredRank != freeRank) return requiredRank < freeRank;
  return SizeTextValue(required) <= SizeTextValue(free);
}

int SpaceLevel(unsigned long long freeBytes, unsigned long long totalBytes)
{
  while (totalBytes >> 32 != 0) {
    totalBytes >>= 1;
    freeBytes >>= 1;
  }
  const unsigned tenth = static_cast<unsigned>(totalBytes) / 10;
  if (tenth == 0) return 0;
  return static_cast<int>(static_cast<unsigned>(freeBytes) / tenth);
}
