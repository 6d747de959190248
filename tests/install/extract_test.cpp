// Folders and files extracted from crafted payloads, checked on disk: the
// bytes, attributes and times of the written files, the lines of setup.inf,
// the item label and bars, the alternate name and WININIT.INI of a target in
// use, and what a failed item leaves behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include <vector>
#include "app/file_io.h"
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/extract.h"
#include "payload/encode.h"
#include "payload/lzw_encode.h"
#include "payload/stream.h"
#include "tests/support/files.h"
#include "tests/support/saved_state.h"
#include "tests/support/step_fixture.h"

namespace {

// 2001-02-03 04:05:06.7890123, 2004-05-06 07:08:09 and 2003-04-05
// 06:07:08.0000001 UTC: odd hundreds of nanoseconds show a rounded time.
const uint64_t CREATION = 126256467067890123ull;
const uint64_t LAST_ACCESS = 127283008890000000ull;
const uint64_t LAST_WRITE = 126939964280000001ull;
const uint32_t PLAIN = FILE_ATTRIBUTE_ARCHIVE;
const unsigned char NEXT_RECORD = 0x5A;

// Bytes with runs and repeats, so that the encoder finds strings to reuse,
// and noise between them. Fixed seeds.
Bytes Content(size_t size, unsigned seed)
{
  std::mt19937 random(seed);
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) {
    const unsigned r = random();
    data[i] = (r & 0x300) ? static_cast<unsigned char>("setup-\r\n"[r % 8]) : static_cast<unsigned char>(r >> 16);
  }
  return data;
}

// A file's item record as the builder writes it: stored or LZW-compressed
// data, with the end offset field unless the payload is spanned.
Bytes FileRecord(const Bytes& data, unsigned flags, uint32_t attributes = PLAIN)
{
  Bytes out;
  PutInt32(out, attributes);
  PutFileTime(out, CREATION);
  PutFileTime(out, LAST_ACCESS);
  PutFileTime(out, LAST_WRITE);
  PutInt32(out, static_cast<uint32_t>(data.size()));
  const Bytes body = (flags & PF_STORED_BODIES) ? data : LzwEncode(data.data(), data.size());
  if (!(flags & PF_SPANNED)) PutInt32(out, 0x12345678);
  PutBytes(out, body.data(), body.size());
  return out;
}

Bytes FolderRecord()
{
  Bytes out;
  PutInt32(out, FILE_ATTRIBUTE_DIRECTORY);
  return out;
}

Bytes ListEntry(const std::string& path, const Bytes& record)
{
  Bytes out;
  PutString(out, path, 260);
  PutBytes(out, record.data(), record.size());
  return out;
}

uint64_t Value(const FILETIME& time)
{
  return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

std::string LongPath(const std::string& path)
{
  char out[MAX_PATH];
  const DWORD length = GetLongPathNameA(path.c_str(), out, sizeof out);
  return length == 0 || length >= sizeof out ? "" : out;
}

std::string Lower(std::string text)
{
  CharLowerA(&text[0]);
  return text;
}

// A file held open without sharing, as a running program holds its files.
struct Held {
  explicit Held(const std::string& path)
      : Handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Held() { Release(); }
  void Release()
  {
    if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
    Handle = INVALID_HANDLE_VALUE;
  }
  HANDLE Handle;
};



}  // namespace

class Extract : public StepFixture {
 protected:
  void SetUp() override
  {
    StepFixture::SetUp();
    PresetBars(100000, 0, 100, 77);
  }

  void TearDown() override
  {
    StepFixture::TearDown();
    IoInjectFault(IO_WRITE, -1, 0);
    IoInjectFault(IO_READ, -1, 0);
  }

  // Expects exactly one error box whose text ends with the subject.
  void ExpectOneErrorAbout(const std::string& subject)
  {
    const std::vector<SeenBox> seen = Boxes();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
    EXPECT_TRUE(EndsWith(seen[0].Text, "\n" + subject)) << seen[0].Text;
  }

  // Names in the install folder.
  std::vector<std::string> Listing(const std::string& pattern = "*") const
  {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder_ / pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
  }

  // A file's attributes and times as a directory listing shows them.
  static WIN32_FIND_DATAA Entry(const std::string& path)
  {
    WIN32_FIND_DATAA entry = {};
    HANDLE find = FindFirstFileA(path.c_str(), &entry);
    EXPECT_NE(INVALID_HANDLE_VALUE, find) << path;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return entry;
  }
};

// ---------------------------------------------------------------------------
// Files of every size, compressed and stored

struct BodyCase {
  size_t Size;
  unsigned Flags;
  int Blocks;
};

class ExtractBody : public Extract, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(ExtractBody, FileArrivesWholeWithItsTimesAndEveryBlockSteppingBothBars)
{
  const BodyCase c = GetParam();
  const Bytes data = Content(c.Size, static_cast<unsigned>(c.Size));
  Open(Concat({FileRecord(data, c.Flags), Bytes{NEXT_RECORD}}), c.Flags);

  EXPECT_EQ(1, InstallItem("data.bin"));
  ExpectNoBox();
  // The times first: reading the file would move its last access.
  const WIN32_FIND_DATAA entry = Entry(folder_ / "data.bin");
  EXPECT_EQ(PLAIN, entry.dwFileAttributes);
  EXPECT_EQ(LAST_WRITE, Value(entry.ftLastWriteTime));
  EXPECT_EQ(LAST_ACCESS, Value(entry.ftLastAccessTime));
  // The creation time is not checked: Wine does not store it.
  EXPECT_EQ(data, ReadWholeFile(folder_ / "data.bin"));
  EXPECT_EQ(NEXT_RECORD, ReadByte()) << "the record was not consumed exactly";

  EXPECT_EQ("data.bin", Label());
  EXPECT_EQ(c.Blocks, ItemMaximum());
  EXPECT_EQ(c.Blocks, Position(3));
  EXPECT_EQ(c.Blocks, Position(1));
  EXPECT_EQ("FILE=" + (folder_ / "data.bin") + "\r\n", Log());
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndEncodings, ExtractBody,
    ::testing::Values(BodyCase{0, 0, 0}, BodyCase{0, PF_STORED_BODIES | PF_SPANNED, 0},
                      BodyCase{4096, 0, 1}, BodyCase{4096, PF_STORED_BODIES, 1},
                      BodyCase{4097, PF_SPANNED, 2}, BodyCase{4097, PF_STORED_BODIES, 2},
                      BodyCase{3 * 1024 * 1024 + 5, 0, 769},
                      BodyCase{3 * 1024 * 1024 + 5, PF_STORED_BODIES | PF_SPANNED, 769}),
    [](const ::testing::TestParamInfo<BodyCase>& info) {
      return "Bytes" + std::to_string(info.param.Size) +
             ((info.param.Flags & PF_STORED_BODIES) ? "Stored" : "Compressed") +
             ((info.param.Flags & PF_SPANNED) ? "Spanned" : "WithEndOffset");
    });

TEST_F(Extract, ReadOnlyAndHiddenFilesGetTheirAttributesAfterTheirTimes)
{
  const uint32_t attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  const Bytes data = Content(5000, 7);
  Open(FileRecord(data, 0, attributes));
  EXPECT_EQ(1, InstallItem("secret.txt"));
  ExpectNoBox();
  const WIN32_FIND_DATAA entry = Entry(folder_ / "secret.txt");
  EXPECT_EQ(attributes, entry.dwFileAttributes);
  EXPECT_EQ(LAST_WRITE, Value(entry.ftLastWriteTime));
  EXPECT_EQ(LAST_ACCESS, Value(entry.ftLastAccessTime));
  EXPECT_EQ(data, ReadWholeFile(folder_ / "secret.txt"));
}

TEST_F(Extract, AnExistingFileIsReplacedWhole)
{
  ASSERT_TRUE(WriteWholeFile(folder_ / "a.txt", Content(9000, 1)));
  Open(FileRecord(BytesOf("short"), 0));
  EXPECT_EQ(1, InstallItem("a.txt"));
  ExpectNoBox();
  EXPECT_EQ("short", Text(ReadWholeFile(folder_ / "a.txt")));
}

TEST_F(Extract, ItemLabelShowsTheNameAfterTheLastRealBackslash)
{
  // ソ and 表 both end in the byte 0x5C.
  ASSERT_TRUE(CreateDirectoryA((folder_ / "ソフト").c_str(), nullptr));
  Open(FileRecord(BytesOf("x"), 0));
  EXPECT_EQ(1, InstallItem("ソフト\\表.txt"));
  ExpectNoBox();
  EXPECT_EQ("表.txt", Label());
  EXPECT_EQ("x", Text(ReadWholeFile(folder_ / "ソフト\\表.txt")));
}

// ---------------------------------------------------------------------------
// Folders and the file list

TEST_F(Extract, FileListMakesItsFoldersAndFilesAndLogsThemInOrder)
{
  ASSERT_TRUE(CreateDirectoryA((folder_ / "old").c_str(), nullptr));
  const Bytes data = Content(6000, 3);
  Open(Concat({ListEntry("docs", FolderRecord()), ListEntry("docs\\a.txt", FileRecord(data, 0)),
               ListEntry("old", FolderRecord()), Bytes{0}, Bytes{NEXT_RECORD}}));
  EXPECT_EQ(1, InstallFiles());
  ExpectNoBox();
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  EXPECT_NE(0u, GetFileAttributesA((folder_ / "docs").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data, ReadWholeFile(folder_ / "docs\\a.txt"));
  // The folder that was there before gets no line.
  EXPECT_EQ("FOLDER=" + (folder_ / "docs") + "\r\nFILE=" + (folder_ / "docs\\a.txt") + "\r\n", Log());
}

TEST_F(Extract, FileListEndingWhereAnEntryShouldStartFailsSilently)
{
  Open(ListEntry("a.txt", FileRecord(BytesOf("a"), 0)));
  EXPECT_EQ(0, InstallFiles());
  ExpectNoBox();
  EXPECT_EQ("a", Text(ReadWholeFile(folder_ / "a.txt")));
}

TEST_F(Extract, ExistingFolderIsKeptWithoutALogLine)
{
  ASSERT_TRUE(CreateDirectoryA((folder_ / "bin").c_str(), nullptr));
  Open(FolderRecord());
  EXPECT_EQ(1, InstallItem((folder_ / "bin").c_str()));
  ExpectNoBox();
  EXPECT_EQ(1, Position(1));
  EXPECT_EQ("", Log());
}

TEST_F(Extract, FileWhereAFolderShouldBeIsRefusedWithTheFolderBox)
{
  const std::string path = folder_ / "bin";
  ASSERT_TRUE(WriteWholeFile(path, BytesOf("keep")));
  Open(FolderRecord());
  EXPECT_EQ(0, InstallItem(path.c_str()));
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ("ﾌｫﾙﾀﾞ作成ｴﾗｰ", seen[0].Caption);
  EXPECT_EQ("作成しようとしたﾌｫﾙﾀﾞ(" + path +
                ")と同一名称のﾌｧｲﾙが既に存在する為\n\nﾌｫﾙﾀﾞの作成に失敗しました。",
            seen[0].Text);
  EXPECT_EQ("keep", Text(ReadWholeFile(path)));
  EXPECT_EQ("", Log());
}

TEST_F(Extract, FolderWhoseParentIsMissingIsReportedWithItsPath)
{
  const std::string path = folder_ / "none\\bin";
  Open(FolderRecord());
  EXPECT_EQ(0, InstallItem(path.c_str()));
  ExpectOneErrorAbout(path);
  EXPECT_FALSE(FileExists(folder_ / "none"));
}

// ---------------------------------------------------------------------------
// Log kinds

TEST_F(Extract, OnlyAnExtensionOfExactlyDllInAnyCaseIsLoggedAsDll)
{
  ASSERT_TRUE(CreateDirectoryA((folder_ / "v1.dll").c_str(), nullptr));
  const char* names[] = {"a.dll", "B.DLL", "c.Dll", "表.dll", "d.dlls", "e.dl", "f", "ソ.dl",
                         "v1.dll\\readme", "g.dll.txt"};
  Bytes list;
  for (const char* name : names) list = Concat({list, ListEntry(name, FileRecord(BytesOf(name), 0))});
  Open(Concat({list, Bytes{0}}));
  EXPECT_EQ(1, InstallFiles());
  ExpectNoBox();
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += (i < 4 ? "DLL=" : "FILE=") + (folder_ / names[i]) + "\r\n";
  EXPECT_EQ(expected, Log());
}

// ---------------------------------------------------------------------------
// Targets in use

class ExtractInUse : public Extract {
 protected:
  // The entry WININIT.INI must hold for these two files.
  static void ExpectEntryFor(const std::string& line, const std::string& target,
                             const std::string& source)
  {
    const size_t equals = line.find('=');
    ASSERT_NE(std::string::npos, equals) << line;
    ASSERT_TRUE(EndsWith(line, "\r\n")) << line;
    const std::string shortTarget = line.substr(0, equals);
    const std::string shortSource = line.substr(equals + 1, line.size() - equals - 3);
    EXPECT_EQ(Lower(target), Lower(LongPath(shortTarget))) << shortTarget;
    EXPECT_EQ(Lower(source), Lower(LongPath(shortSource))) << shortSource;
    for (const std::string& name : {shortTarget, shortSource})
      EXPECT_EQ(std::string::npos, name.find(' ')) << "not a short path: " << name;
    EXPECT_EQ(std::string::npos, shortTarget.find("setup-test")) << "not a short path";
  }

  void ExpectPendingMove(const std::string& source, const std::string& target)
  {
    const std::string pair = "\\??\\" + source + std::string(1, '\0') + "!\\??\\" + target;
    if ((GetVersion() & 0x80000000) == 0)
      EXPECT_NE(std::string::npos, pending_.Now().find(pair)) << "no move registered for the next start";
    else
      EXPECT_EQ(std::string::npos, pending_.Now().find(pair));
  }

  SavedWindowsFile ini_{"WININIT.INI"};
  SavedWindowsFile bak_{"WININIT.BAK"};
  SavedPendingRenames pending_;
};

TEST_F(ExtractInUse, DataGoesToTheAlternateNameAndIsMovedAtTheNextStart)
{
  const std::string target = folder_ / "lib.dll";
  const std::string alternate = folder_ / "lib.000";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old library")));
  Held held(target);
  const Bytes data = Content(10000, 5);
  Open(FileRecord(data, 0, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

  EXPECT_EQ(1, InstallItem("lib.dll"));
  ExpectNoBox();
  const WIN32_FIND_DATAA entry = Entry(alternate);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), entry.dwFileAttributes);
  EXPECT_EQ(LAST_WRITE, Value(entry.ftLastWriteTime));
  EXPECT_EQ(LAST_ACCESS, Value(entry.ftLastAccessTime));
  EXPECT_EQ(data, ReadWholeFile(alternate));

  const std::string ini = Text(ReadWholeFile(ini_.Path));
  ASSERT_EQ(0u, ini.find("[rename]\r\n")) << ini;
  ExpectEntryFor(ini.substr(10), target, alternate);
  EXPECT_FALSE(FileExists(bak_.Path));
  ExpectPendingMove(alternate, target);
  EXPECT_TRUE(State.RunFlags & RF_RESTART_NEEDED);
  EXPECT_EQ("DLL=" + target + "\r\n", Log());
  held.Release();
  EXPECT_EQ("old library", Text(ReadWholeFile(target)));
}

TEST_F(ExtractInUse, NewEntryGoesFirstIntoTheRenameSectionOfAnExistingFile)
{
  const std::string before = "[boot]\r\nshell=Explorer.exe\r\n[rename]\r\n";
  const std::string after = "C:\\WINDOWS\\OLD.DLL=C:\\WINDOWS\\OLD.000\r\n[other]\r\nkey=1";
  ASSERT_TRUE(WriteWholeFile(ini_.Path, BytesOf(before + after)));
  const std::string target = folder_ / "lib.dll";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Open(FileRecord(BytesOf("new"), 0));

  EXPECT_EQ(1, InstallItem(target.c_str()));
  ExpectNoBox();
  const std::string ini = Text(ReadWholeFile(ini_.Path));
  ASSERT_EQ(0u, ini.find(before)) << ini;
  ASSERT_TRUE(EndsWith(ini, "\r\n" + after)) << ini;
  ExpectEntryFor(ini.substr(before.size(), ini.size() - before.size() - after.size()), target,
                 folder_ / "lib.000");
  EXPECT_FALSE(FileExists(bak_.Path));
}

TEST_F(ExtractInUse, TakenAlternateNamesAreSkippedAndANameWithoutFullStopGetsOne)
{
  ASSERT_TRUE(WriteWholeFile(folder_ / "lib.000", BytesOf("taken")));
  ASSERT_TRUE(CreateDirectoryA((folder_ / "lib.001").c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(folder_ / "lib.dll", BytesOf("old")));
  ASSERT_TRUE(CreateDirectoryA((folder_ / "v1.5").c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(folder_ / "v1.5\\README", BytesOf("old")));
  Held lib(folder_ / "lib.dll");
  Held readme(folder_ / "v1.5\\README");
  Open(Concat({FileRecord(BytesOf("lib"), 0), FileRecord(BytesOf("readme"), 0)}));

  EXPECT_EQ(1, InstallItem("lib.dll"));
  // A full stop in a folder name is not the file's own.
  EXPECT_EQ(1, InstallItem("v1.5\\README"));
  ExpectNoBox();
  EXPECT_EQ("taken", Text(ReadWholeFile(folder_ / "lib.000")));
  EXPECT_EQ("lib", Text(ReadWholeFile(folder_ / "lib.002")));
  EXPECT_EQ("readme", Text(ReadWholeFile(folder_ / "v1.5\\README.000")));
  EXPECT_FALSE(FileExists(folder_ / "v1.000"));
  const std::string ini = Text(ReadWholeFile(ini_.Path));
  const size_t second = ini.find("\r\n", 10) + 2;
  ASSERT_EQ(0u, ini.find("[rename]\r\n")) << ini;
  ExpectEntryFor(ini.substr(10, second - 10), folder_ / "v1.5\\README", folder_ / "v1.5\\README.000");
  ExpectEntryFor(ini.substr(second), folder_ / "lib.dll", folder_ / "lib.002");
}

TEST_F(ExtractInUse, NetworkTargetKeepsItsDataUnderTheAlternateNameOnly)
{
  // A path that begins with two backslashes, like \\server\share\..., but
  // one that this machine can reach.
  const std::string target = "\\\\?\\" + (folder_ / "lib.dll");
  ASSERT_TRUE(WriteWholeFile(folder_ / "lib.dll", BytesOf("old")));
  Held held(folder_ / "lib.dll");
  Open(FileRecord(BytesOf("new"), 0));

  EXPECT_EQ(1, InstallItem(target.c_str()));
  ExpectNoBox();
  EXPECT_EQ("new", Text(ReadWholeFile(folder_ / "lib.000")));
  EXPECT_FALSE(FileExists(ini_.Path));
  EXPECT_EQ(std::string::npos, pending_.Now().find(folder_ / "lib.000"));
  EXPECT_TRUE(State.RunFlags & RF_RESTART_NEEDED);
}

TEST_F(ExtractInUse, AllThousandAlternateNamesTakenFailsWithTheTargetUntouched)
{
  for (int n = 0; n < 1000; ++n) {
    char name[16];
    wsprintfA(name, "lib.%3.3d", n);
    ASSERT_TRUE(WriteWholeFile(folder_ / name, Bytes{}));
  }
  const std::string target = folder_ / "lib.dll";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Open(FileRecord(BytesOf("new"), 0));

  EXPECT_EQ(0, InstallItem(target.c_str()));
  ExpectOneErrorAbout(target);
  EXPECT_EQ(1001u, Listing().size());
  EXPECT_EQ(0u, ReadWholeFile(folder_ / "lib.999").size());
  EXPECT_FALSE(FileExists(ini_.Path));
  EXPECT_FALSE(State.RunFlags & RF_RESTART_NEEDED);
  held.Release();
  EXPECT_EQ("old", Text(ReadWholeFile(target)));
}

TEST_F(ExtractInUse, AlternateNameTooLongIsRefusedNotCut)
{
  // 256 bytes: the target fits, the name with ".000" appended would not.
  const std::string target = folder_ / std::string(256 - folder_.Path().size() - 1, 'n');
  ASSERT_EQ(256u, target.size());
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Open(FileRecord(BytesOf("new"), 0));

  EXPECT_EQ(0, InstallItem(target.c_str()));
  ExpectOneErrorAbout(target);
  EXPECT_EQ(1u, Listing().size());
  EXPECT_FALSE(FileExists(ini_.Path));
  held.Release();
  EXPECT_EQ("old", Text(ReadWholeFile(target)));
}

TEST_F(ExtractInUse, FailedWininitWriteKeepsTheOldFileAndRemovesTheAlternate)
{
  const std::string old = "[boot]\r\nshell=Explorer.exe\r\n[rename]\r\nA=B\r\n";
  ASSERT_TRUE(WriteWholeFile(ini_.Path, BytesOf(old)));
  const std::string target = folder_ / "lib.dll";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Open(FileRecord(BytesOf("new"), 0));
  // The body is one partial block; the next write is WININIT.INI's.
  IoInjectFault(IO_WRITE, 1, ERROR_DISK_FULL);

  EXPECT_EQ(0, InstallItem(target.c_str()));
  ExpectOneErrorAbout("WININIT.INI");
  EXPECT_EQ(old, Text(ReadWholeFile(ini_.Path)));
  EXPECT_FALSE(FileExists(bak_.Path));
  EXPECT_FALSE(FileExists(folder_ / "lib.000"));
  EXPECT_FALSE(State.RunFlags & RF_RESTART_NEEDED);
  EXPECT_EQ("", Log());
  held.Release();
  EXPECT_EQ("old", Text(ReadWholeFile(target)));
}

TEST_F(ExtractInUse, PayloadEndingInTheBodyRemovesTheAlternateFile)
{
  const std::string target = folder_ / "lib.dll";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Bytes record = FileRecord(Content(9000, 2), PF_STORED_BODIES);
  record.resize(record.size() - 100);
  Open(record, PF_STORED_BODIES);

  EXPECT_EQ(0, InstallItem(target.c_str()));
  ExpectNoBox();
  EXPECT_EQ(1u, Listing().size());
  EXPECT_FALSE(FileExists(ini_.Path));
  held.Release();
  EXPECT_EQ("old", Text(ReadWholeFile(target)));
}

// ---------------------------------------------------------------------------
// Failures: one message at most, and nothing half-written left behind

TEST_F(Extract, PayloadEndingInTheBodyRemovesThePartialFile)
{
  for (unsigned flags : {0u, static_cast<unsigned>(PF_STORED_BODIES)}) {
    Bytes record = FileRecord(Content(20000, 4), flags);
    record.resize(record.size() - 50);
    Open(record, flags);
    EXPECT_EQ(0, InstallItem("cut.bin")) << flags;
    ExpectNoBox();
    EXPECT_FALSE(FileExists(folder_ / "cut.bin")) << flags;
    ClosePayload();
  }
  EXPECT_EQ("", Log());
}

TEST_F(Extract, CorruptCompressedDataRemovesThePartialFile)
{
  Bytes record;
  PutInt32(record, PLAIN);
  for (int i = 0; i < 3; ++i) PutFileTime(record, LAST_WRITE);
  PutInt32(record, 100);
  PutInt32(record, 0);
  // A first code that refers to a dictionary entry.
  PutBytes(record, "\xFF\x80\x00\x00", 4);
  Open(record);
  EXPECT_EQ(0, InstallItem("bad.bin"));
  ExpectNoBox();
  EXPECT_FALSE(FileExists(folder_ / "bad.bin"));
}

TEST_F(Extract, PayloadEndingAtTheAttributesShowsTheDataEndedBoxOnce)
{
  Open(Bytes{0x20, 0x00});
  EXPECT_EQ(0, InstallItem("a.txt"));
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
  EXPECT_EQ(TXT_DATA_ENDED, seen[0].Text);
  EXPECT_FALSE(FileExists(folder_ / "a.txt"));
}

TEST_F(Extract, PayloadEndingInTheTimesLeavesAnExistingFileAlone)
{
  ASSERT_TRUE(WriteWholeFile(folder_ / "a.txt", BytesOf("before")));
  Bytes record;
  PutInt32(record, PLAIN);
  PutFileTime(record, CREATION);
  Open(record);
  EXPECT_EQ(0, InstallItem("a.txt"));
  ExpectNoBox();
  EXPECT_EQ("before", Text(ReadWholeFile(folder_ / "a.txt")));
}

TEST_F(Extract, FullDiskFailsTheFileWithOneMessageAndRemovesIt)
{
  const std::string path = folder_ / "big.bin";
  Open(FileRecord(Content(3 * 4096 + 100, 9), 0));
  IoInjectFault(IO_WRITE, 1, ERROR_DISK_FULL);
  EXPECT_EQ(0, InstallItem(path.c_str()));
  ExpectOneErrorAbout(path);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ("", Log());
}

TEST_F(Extract, TargetThatCannotBeCreatedIsReportedWithItsPath)
{
  ASSERT_TRUE(CreateDirectoryA((folder_ / "busy").c_str(), nullptr));
  Open(FileRecord(BytesOf("x"), 0));
  EXPECT_EQ(0, InstallItem("busy"));
  ExpectOneErrorAbout("busy");
  EXPECT_NE(0u, GetFileAttributesA((folder_ / "busy").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Extract, FileWhoseLogLineCannotBeWrittenIsRemovedEvenWhenReadOnly)
{
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
  Open(FileRecord(BytesOf("x"), 0, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(0, InstallItem("ro.txt"));
  ExpectOneErrorAbout("setup.inf");
  EXPECT_FALSE(FileExists(folder_ / "ro.txt"));
}
