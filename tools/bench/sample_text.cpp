// The benchmarks' text generator (see sample_text.h).
#include "tools/bench/sample_text.h"
#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

const char* const COMMON_ENGLISH[] = {
    "the", "of", "and", "to", "a", "in", "is", "you", "that", "it", "for", "on", "with", "as",
    "are", "be", "this", "setup", "files", "folder", "program", "will", "can", "from", "or", "by",
    "not", "your", "all", "install", "have", "if", "when", "which", "computer", "disk", "copy",
    "windows", "directory", "choose", "click", "next", "cancel", "before", "after", "continue",
    "license", "agreement", "software", "user", "company", "name", "shortcut", "desktop", "menu",
    "start", "registry", "version", "shared", "library", "restart", "required", "space", "free",
    "drive", "network", "path", "document", "printer", "support", "information", "read", "please",
    "following", "terms", "conditions", "any", "other", "may", "must", "should", "these", "those",
    "only", "also", "more", "than",
};

// Particles and punctuation of Japanese text, in Shift-JIS.
const char* const PARTICLES[] = {"\x82\xCD", "\x82\xAA", "\x82\xF0", "\x82\xC9", "\x82\xCC",
                                 "\x82\xC5", "\x82\xC6", "\x82\xE0"};
const char* const COMMA = "\x81\x41";
const char* const PERIOD = "\x81\x42";

// Identifier pieces; the tenth and the last come from the style.
const char* const PIECES[] = {"Setup", "File", "Path", "Name", "Dialog", "Window", "Copy", "Read",
                              "Write", nullptr, "Volume", "Registry", "Shortcut", "Item", "Size",
                              "Flags", "Text", "Font", "Panel", "Colour", "Error", "State", nullptr};
const char* const TYPES[] = {"DWORD", "WORD", "BYTE", "BOOL", "UINT", "LPSTR", "LPCSTR", "HWND",
                             "HANDLE", "int", "char", "LONG"};
const unsigned TYPE_COUNT = sizeof TYPES / sizeof TYPES[0];

// A Japanese vocabulary: words of 1-4 hiragana, katakana or kanji.
std::vector<std::string> JapaneseWords(Random& random)
{
  std::vector<std::string> words;
  for (int w = 0; w < 400; ++w) {
    std::string word;
    const unsigned kind = random.Below(3);
    const unsigned length = 1 + random.Below(4);
    for (unsigned i = 0; i < length; ++i) {
      unsigned lead, trail;
      if (kind == 0) {
        lead = 0x82;
        trail = 0x9F + random.Below(0xF1 - 0x9F + 1);
      } else if (kind == 1) {
        lead = 0x83;
        trail = 0x40 + random.Below(0x96 - 0x40 + 1);
      } else {
        lead = 0x88 + random.Below(0x98 - 0x88 + 1);
        trail = 0x40 + random.Below(0xFC - 0x40 + 1);
      }
      if (trail == 0x7F) trail = 0x80;
      word.push_back(static_cast<char>(lead));
      word.push_back(static_cast<char>(trail));
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace

const TextStyle LZW_BENCH_TEXT = {{"other", "such", "into", "time", "each", "which", "their"},
                                  {"Payload", "Body"}, false, false};
const TextStyle BENCH_TREE_TEXT = {{"such", "into", "time", "each", "their", "record", "value"},
                                   {"Archive", "Block"}, true, true};

SampleText::SampleText(Random& random, const TextStyle& style)
    : random_(random), style_(style), english_(std::begin(COMMON_ENGLISH), std::end(COMMON_ENGLISH)),
      pieces_(std::begin(PIECES), std::end(PIECES)), vocabulary_(JapaneseWords(random))
{
  english_.insert(english_.end(), style.LastWords.begin(), style.LastWords.end());
  pieces_[9] = style.Pieces[0];
  pieces_.back() = style.Pieces[1];
}

unsigned SampleText::Skewed(unsigned n)
{
  if (style_.SkewDrawsEachFactor)
    return std::min(n - 1, static_cast<unsigned>(n * random_.Unit() * random_.Unit() * random_.Unit()));
  const double u = random_.Unit();
  return std::min(n - 1, static_cast<unsigned>(n * u * u * u));
}

void SampleText::EnglishParagraph(std::string& out)
{
  const unsigned wordCount = static_cast<unsigned>(english_.size());
  size_t column = 0;
  const unsigned sentences = 2 + random_.Below(5);
  for (unsigned s = 0; s < sentences; ++s) {
    const unsigned words = 6 + random_.Below(14);
    for (unsigned w = 0; w < words; ++w) {
      std::string word = english_[Skewed(wordCount)];
      if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      if (w + 1 == words)
        word += '.';
      else if (random_.Below(10) == 0)
        word += ',';
      if (column + word.size() + 1 > 72) {
        out += "\r\n";
        column = 0;
      } else if (column > 0) {
        out += ' ';
        ++column;
      }
      out += word;
      column += word.size();
    }
  }
  out += "\r\n\r\n";
}

void SampleText::JapaneseParagraph(std::string& out)
{
  size_t column = 0;
  const unsigned sentences = 1 + random_.Below(4);
  for (unsigned s = 0; s < sentences; ++s) {
    const unsigned phrases = 3 + random_.Below(8);
    for (unsigned p = 0; p < phrases; ++p) {
      std::string phrase = vocabulary_[Skewed(static_cast<unsigned>(vocabulary_.size()))];
      phrase += PARTICLES[random_.Below(8)];
      phrase += p + 1 == phrases ? PERIOD : (random_.Below(4) == 0 ? COMMA : "");
      if (column + phrase.size() > 76) {
        out += "\r\n";
        column = 0;
      }
      out += phrase;
      column += phrase.size();
    }
  }
  out += "\r\n\r\n";
}

void SampleText::HeaderBlock(std::string& out)
{
  const unsigned pieceCount = static_cast<unsigned>(pieces_.size());
  char line[256];
  const char* a = pieces_[Skewed(pieceCount)];
  const char* b = pieces_[random_.Below(pieceCount)];
  switch (random_.Below(3)) {
    case 0:
      for (unsigned i = 0, n = 2 + random_.Below(8); i < n; ++i) {
        snprintf(line, sizeof line, "#define %s_%s_%u 0x%04X\r\n", a, b, i, random_.Below(0x10000));
        out += line;
      }
      if (style_.BlankAfterDefines) out += "\r\n";
      break;
    case 1:
      snprintf(line, sizeof line, "typedef struct tag%s%s {\r\n", a, b);
      out += line;
      for (unsigned i = 0, n = 2 + random_.Below(6); i < n; ++i) {
        snprintf(line, sizeof line, "    %s %s%s;\r\n", TYPES[Skewed(TYPE_COUNT)], pieces_[Skewed(pieceCount)],
                 pieces_[random_.Below(pieceCount)]);
        out += line;
      }
      snprintf(line, sizeof line, "} %s%s, *P%s%s;\r\n\r\n", a, b, a, b);
      out += line;
      break;
    default:
      snprintf(line, sizeof line, "/* %s the %s. */\r\n%s WINAPI %s%s(%s h%s, %s n%s);\r\n\r\n", b,
               english_[Skewed(static_cast<unsigned>(english_.size()))], TYPES[Skewed(TYPE_COUNT)], b, a,
               TYPES[random_.Below(TYPE_COUNT)], a, TYPES[random_.Below(TYPE_COUNT)], b);
      out += line;
      break;
  }
}
