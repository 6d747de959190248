// Shared files installed from crafted payloads over files placed first with
// chosen versions: what ends up on disk, the question before a newer file
// is replaced and the answer's effect, the record of a kept file read
// through, the FILE and DLL lines of setup.inf and the SharedDLLs counts
// under the short path.
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include <vector>
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/shared_files.h"
#include "payload/encode.h"
#include "payload/lzw_encode.h"
#include "payload/reader.h"
#include "payload/stream.h"
#include "tests/support/files.h"
#include "tests/support/step_fixture.h"

namespace {

const unsigned char NEXT_RECORD = 0x5A;
const uint64_t WRITE_TIME = 126939964280000000ull;
const char SHARED_DLLS[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char TXT_QUESTION_CAPTION[] = "共有ﾌｧｲﾙの上書確認";
const DWORD FIXED_INFO_SIGNATURE = 0xFEEF04BD;

// Bytes with runs and noise, so that the encoder finds strings to reuse.
Bytes Content(size_t size, unsigned seed)
{
  std::mt19937 random(seed);
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) {
    const unsigned r = random();
    data[i] = (r & 0x300) ? static_cast<unsigned char>("shared\r\n"[r % 8]) : static_cast<unsigned char>(r >> 16);
  }
  return data;
}

Bytes FileRecord(const Bytes& data, unsigned flags = 0)
{
  Bytes out;
  PutInt32(out, FILE_ATTRIBUTE_ARCHIVE);
  PutFileTime(out, WRITE_TIME);
  PutFileTime(out, WRITE_TIME);
  PutFileTime(out, WRITE_TIME);
  PutInt32(out, static_cast<uint32_t>(data.size()));
  const Bytes body = (flags & PF_STORED_BODIES) ? data : LzwEncode(data.data(), data.size());
  if (!(flags & PF_SPANNED)) PutInt32(out, 0x12345678);
  PutBytes(out, body.data(), body.size());
  return out;
}

struct Version {
  DWORD Ms;
  DWORD Ls;
};

Version V(unsigned major, unsigned minor, unsigned build, unsigned revision)
{
  return {major << 16 | minor, build << 16 | revision};
}

Bytes SharedEntry(const std::string& name, Version version, const Bytes& record)
{
  Bytes out;
  PutString(out, name, 260);
  PutInt32(out, version.Ms);
  PutInt32(out, version.Ls);
  PutBytes(out, record.data(), record.size());
  return out;
}

// The test programs' stand-in uninstaller (file version 3.0.0.0), with its
// fixed file version rewritten when another one is asked for.
Bytes VersionedFile(Version version = V(3, 0, 0, 0))
{
  Bytes image = ReadWholeFile(ProgramFolder() + "\\recorder_uninstaller.exe");
  for (size_t i = 0; i + 16 <= image.size(); i += 4) {
    DWORD word;
    CopyMemory(&word, &image[i], 4);
    if (word != FIXED_INFO_SIGNATURE) continue;
    CopyMemory(&image[i + 8], &version.Ms, 4);
    CopyMemory(&image[i + 12], &version.Ls, 4);
    return image;
  }
  return Bytes{};
}

std::string ShortOf(const std::string& path)
{
  char out[MAX_PATH * 2] = "";
  const DWORD length = GetShortPathNameA(path.c_str(), out, sizeof out);
  return length == 0 || length >= sizeof out ? "" : out;
}



// The SharedDLLs count named `name`, or -1 when there is none.
long long CountNamed(const std::string& name)
{
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD count = 0;
  DWORD type = 0;
  DWORD size = sizeof count;
  const LONG error = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size);
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) return -1;
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
  EXPECT_EQ(4u, size) << name;
  return count;
}

void SetCount(const std::string& name, DWORD type, const void* data, DWORD size)
{
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS, 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &key, nullptr));
  RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void DeleteCount(const std::string& name)
{
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

std::string Question(const std::string& path, const std::string& version)
{
  return "ｲﾝｽﾄｰﾙしようとした共有ﾌｧｲﾙよりも新しいﾌｧｲﾙが既にｼｽﾃﾑに存在します。\n"
         "現在のﾌｧｲﾙをそのまま使用することをお勧めします。\n\n"
         "ﾌｧｲﾙ名 : " + path + "\nﾌｧｲﾙ ﾊﾞｰｼﾞｮﾝ : " + version + "\n\n"
         "現在のﾌｧｲﾙをそのまま使いますか ?";
}

}  // namespace

class SharedFiles : public StepFixture {
 protected:
  SharedFiles()
  {
    ownedByDialog_ = true;
    logStartsAgain_ = true;
  }

  void TearDown() override
  {
    StepFixture::TearDown();
    for (const std::string& path : counted_) {
      DeleteCount(ShortOf(path));
      DeleteCount(path);
    }
    for (const std::string& path : outside_) DeleteFileA(path.c_str());
  }

  // Places a file with the given version at path before the step runs.
  void PlaceVersioned(const std::string& path, Version version)
  {
    const Bytes image = VersionedFile(version);
    ASSERT_FALSE(image.empty()) << "recorder_uninstaller.exe is not built beside the tests";
    ASSERT_TRUE(WriteWholeFile(path, image));
  }

  // The question box, answered with `button`; `shape` is set when the box
  // shows the question icon and Yes and No as its only buttons.
  ExpectedBox QuestionAnswered(int button, bool* shape)
  {
    return {TXT_QUESTION_CAPTION, button, [shape] {
              HWND box = FindWindowA("#32770", TXT_QUESTION_CAPTION);
              const HICON icon =
                  reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
              *shape = box != nullptr && GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr &&
                       GetDlgItem(box, IDOK) == nullptr && GetDlgItem(box, IDCANCEL) == nullptr &&
                       icon == LoadIconA(nullptr, IDI_QUESTION);
            }};
  }

  // A path in the test folder whose SharedDLLs count is removed afterwards.
  std::string Target(const std::string& name)
  {
    counted_.push_back(folder_ / name);
    return counted_.back();
  }

  // A path outside the test folder, removed afterwards with its count.
  std::string Outside(const std::string& path)
  {
    outside_.push_back(path);
    counted_.push_back(path);
    return path;
  }

  // The count under the file's short path, which must differ from the long one.
  long long Count(const std::string& path)
  {
    const std::string shortPath = ShortOf(path);
    EXPECT_NE("", shortPath) << path;
    EXPECT_EQ(-1, CountNamed(path)) << "a count under the long path " << path;
    return CountNamed(shortPath);
  }

  std::vector<std::string> counted_;
  std::vector<std::string> outside_;
};

// ---------------------------------------------------------------------------
// Installing and counting

TEST_F(SharedFiles, NewFilesAreInstalledLoggedAndCountedOnceUnderTheirShortPath)
{
  const std::string library = Target("SharedLibrary.dll");
  const std::string help = Target("SharedHelpFile.hlp");
  const Bytes libraryData = Content(9000, 1);
  const Bytes helpData = Content(300, 2);
  Open(Concat({SharedEntry(library, V(1, 2, 3, 4), FileRecord(libraryData)),
               SharedEntry(help, V(0, 0, 0, 0), FileRecord(helpData)), ListEnd(), Bytes{NEXT_RECORD}}));

  EXPECT_EQ(1, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_EQ(NEXT_RECORD, ReadByte()) << "the list was not consumed exactly";
  EXPECT_EQ(libraryData, ReadWholeFile(library));
  EXPECT_EQ(helpData, ReadWholeFile(help));
  EXPECT_EQ("DLL=" + library + "\r\nFILE=" + help + "\r\n", Log());
  EXPECT_NE(ShortOf(library), library) << "the test needs a name with a short form of its own";
  EXPECT_EQ(1, Count(library));
  EXPECT_EQ(1, Count(help));
}

TEST_F(SharedFiles, AnExistingCountIsRaisedByOneAndOneOfAnotherTypeStartsAgain)
{
  const std::string library = Target("CountedLibrary.dll");
  const std::string other = Target("OddlyCounted.dll");
  ASSERT_TRUE(WriteWholeFile(library, Bytes{1}));
  ASSERT_TRUE(WriteWholeFile(other, Bytes{1}));
  const DWORD four = 4;
  SetCount(ShortOf(library), REG_DWORD, &four, sizeof four);
  SetCount(ShortOf(other), REG_BINARY, &four, sizeof four);
  Open(Concat({SharedEntry(library, V(1, 0, 0, 0), FileRecord(Content(10, 3))),
               SharedEntry(other, V(1, 0, 0, 0), FileRecord(Content(10, 4))), ListEnd()}));

  EXPECT_EQ(1, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_EQ(5, Count(library));
  EXPECT_EQ(1, Count(other));
}

TEST_F(SharedFiles, FolderMacrosArePutInFrontOfThePath)
{
  const std::string system = Outside(SystemFolder() + "\\setuptest32.dll");
  const std::string windows = Outside(WindowsFolder() + "\\setuptest.ini");
  const std::string drive = Outside(WindowsFolder().substr(0, 1) + ":\\setuptest.dat");
  Open(Concat({SharedEntry("$(SYSDIR)\\setuptest32.dll", V(1, 0, 0, 0), FileRecord(Content(100, 5))),
               SharedEntry("$(WINDIR)\\setuptest.ini", V(1, 0, 0, 0), FileRecord(Content(100, 6))),
               SharedEntry("$(SYSDRV):\\setuptest.dat", V(1, 0, 0, 0), FileRecord(Content(100, 7))), ListEnd()}));

  EXPECT_EQ(1, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_EQ(Content(100, 5), ReadWholeFile(system));
  EXPECT_EQ(Content(100, 6), ReadWholeFile(windows));
  EXPECT_EQ(Content(100, 7), ReadWholeFile(drive));
  EXPECT_EQ("DLL=" + system + "\r\nFILE=" + windows + "\r\nFILE=" + drive + "\r\n", Log());
  for (const std::string& path : {system, windows, drive}) EXPECT_EQ(1, CountNamed(ShortOf(path))) << path;
}

TEST_F(SharedFiles, AReinstallationHandlesTheFilesButCountsNothing)
{
  State.AlreadyRegistered = 1;
  const std::string fresh = Target("FreshLibrary.dll");
  const std::string kept = Target("KeptLibrary.dll");
  PlaceVersioned(kept, V(3, 0, 0, 0));
  const DWORD two = 2;
  SetCount(ShortOf(kept), REG_DWORD, &two, sizeof two);
  bool shape = false;
  Answer({QuestionAnswered(IDYES, &shape)});
  Open(Concat({SharedEntry(fresh, V(1, 0, 0, 0), FileRecord(Content(50, 8))),
               SharedEntry(kept, V(2, 0, 0, 0), FileRecord(Content(50, 9))), ListEnd()}));

  EXPECT_EQ(1, InstallSharedFiles());
  EXPECT_EQ(1u, Boxes().size());
  EXPECT_EQ(Content(50, 8), ReadWholeFile(fresh));
  EXPECT_EQ(VersionedFile(V(3, 0, 0, 0)), ReadWholeFile(kept));
  EXPECT_EQ("DLL=" + fresh + "\r\n", Log());
  EXPECT_EQ(-1, Count(fresh));
  EXPECT_EQ(2, Count(kept));
}

// ---------------------------------------------------------------------------
// Versions

TEST_F(SharedFiles, EqualOrNewerPayloadVersionsReplaceTheInstalledFileWithoutAQuestion)
{
  struct VersionCase {
    const char* Name;
    Version Installed;
    Version Payload;
  };
  const VersionCase cases[] = {
      {"equal", V(3, 0, 0, 0), V(3, 0, 0, 0)},
      {"later build", V(3, 0, 0, 0), V(3, 0, 0, 1)},
      {"later minor", V(3, 0, 9, 9), V(3, 1, 0, 0)},
      {"later major", V(3, 5, 0, 0), V(4, 0, 0, 0)},
      // Compared as signed numbers: 32768.0 stands below 1.0.
      {"signed major", V(32768, 0, 0, 0), V(1, 0, 0, 0)},
      {"signed build", V(3, 0, 32768, 0), V(3, 0, 0, 0)},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Target(std::string("Replaced ") + c.Name + ".dll");
    PlaceVersioned(path, c.Installed);
    const Bytes data = Content(700, 10);
    Open(Concat({SharedEntry(path, c.Payload, FileRecord(data)), ListEnd()}));
    EXPECT_EQ(1, InstallSharedFiles());
    ExpectNoBox();
    EXPECT_EQ(data, ReadWholeFile(path));
    EXPECT_EQ("DLL=" + path + "\r\n", Log());
    EXPECT_EQ(1, Count(path));
  }
}

TEST_F(SharedFiles, AFileWithoutVersionInformationIsReplacedWithoutAQuestion)
{
  const std::string path = Target("Plain.dll");
  ASSERT_TRUE(WriteWholeFile(path, Content(100, 11)));
  Open(Concat({SharedEntry(path, V(0, 0, 0, 0), FileRecord(Content(20, 12))), ListEnd()}));
  EXPECT_EQ(1, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_EQ(Content(20, 12), ReadWholeFile(path));
  EXPECT_EQ(1, Count(path));
}

TEST_F(SharedFiles, AnOlderPayloadVersionAsksWithTheInstalledVersionAndYesKeepsTheFile)
{
  struct VersionCase {
    Version Installed;
    Version Payload;
    const char* Shown;
  };
  const VersionCase cases[] = {
      {V(2, 0, 0, 1), V(2, 0, 0, 0), "2.0.1"},
      // The whole least significant word is one number.
      {V(4, 0, 1, 2), V(4, 0, 1, 1), "4.0.65538"},
      {V(3, 0, 0, 0), V(2, 9, 9, 9), "3.0.0"},
      // Compared and shown as signed numbers.
      {V(3, 0, 0, 0), V(3, 0, 65535, 65535), "3.0.0"},
      {V(3, 0, 65535, 65535), V(3, 0, 65535, 65534), "3.0.-1"},
  };
  int n = 0;
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.Shown);
    const std::string number = std::to_string(++n);
    const std::string kept = Target("Newer" + number + ".dll");
    const std::string next = Target("Next" + number + ".dll");
    PlaceVersioned(kept, c.Installed);
    const Bytes nextData = Content(5000, 13);
    bool shape = false;
    Answer({QuestionAnswered(IDYES, &shape)});
    Open(Concat({SharedEntry(kept, c.Payload, FileRecord(Content(6000, 14))),
                 SharedEntry(next, V(1, 0, 0, 0), FileRecord(nextData)), ListEnd(), Bytes{NEXT_RECORD}}));

    EXPECT_EQ(1, InstallSharedFiles());
    const std::vector<SeenBox> seen = Boxes();
    ASSERT_EQ(1u, seen.size());
    EXPECT_TRUE(seen[0].Expected);
    EXPECT_EQ(Question(kept, c.Shown), seen[0].Text);
    EXPECT_EQ(window_, seen[0].Owner);
    EXPECT_TRUE(shape) << "the question shows its icon and Yes and No";

    EXPECT_EQ(NEXT_RECORD, ReadByte());
    EXPECT_EQ(VersionedFile(c.Installed), ReadWholeFile(kept));
    EXPECT_EQ(nextData, ReadWholeFile(next));
    EXPECT_EQ("DLL=" + next + "\r\n", Log());
    EXPECT_EQ(1, Count(kept));
    EXPECT_EQ(1, Count(next));
  }
}

TEST_F(SharedFiles, AnswerNoReplacesTheNewerFileWithThePayloadsOlderOne)
{
  const std::string path = Target("Overwritten.dll");
  PlaceVersioned(path, V(4, 0, 1, 2));
  const Bytes data = Content(3000, 15);
  bool shape = false;
  Answer({QuestionAnswered(IDNO, &shape)});
  Open(Concat({SharedEntry(path, V(2, 0, 0, 0), FileRecord(data)), ListEnd()}));

  EXPECT_EQ(1, InstallSharedFiles());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(Question(path, "4.0.65538"), seen[0].Text);
  EXPECT_EQ(data, ReadWholeFile(path));
  EXPECT_EQ("DLL=" + path + "\r\n", Log());
  EXPECT_EQ(1, Count(path));
}

// ---------------------------------------------------------------------------
// The record of a kept file, read through

class SharedFilesReadThrough : public SharedFiles, public ::testing::WithParamInterface<unsigned> {};

TEST_P(SharedFilesReadThrough, TheKeptFilesRecordIsConsumedWholeAndNothingIsWritten)
{
  const unsigned flags = GetParam();
  const std::string kept = Target("KeptThrough.dll");
  const std::string folder = Target("Folder entry");
  const std::string next = Target("AfterKept.dll");
  PlaceVersioned(kept, V(3, 0, 0, 0));
  const Bytes nextData = Content(4097, 16);
  bool shape = false;
  Answer({QuestionAnswered(IDYES, &shape)});
  Bytes folderRecord;
  PutInt32(folderRecord, FILE_ATTRIBUTE_DIRECTORY);
  // Bodies of several blocks, compressed and stored.
  Open(Concat({SharedEntry(kept, V(2, 0, 0, 0), FileRecord(Content(3 * 4096 + 5, 17), flags)),
               SharedEntry(folder, V(0, 0, 0, 0), folderRecord), SharedEntry(next, V(1, 0, 0, 0), FileRecord(nextData, flags)),
               ListEnd(), Bytes{NEXT_RECORD}}),
       flags);

  EXPECT_EQ(1, InstallSharedFiles());
  EXPECT_EQ(1u, Boxes().size());
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  EXPECT_EQ(VersionedFile(V(3, 0, 0, 0)), ReadWholeFile(kept));
  EXPECT_EQ(nextData, ReadWholeFile(next));
  EXPECT_NE(0u, GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ("FOLDER=" + folder + "\r\nDLL=" + next + "\r\n", Log());
  // Nothing but the three entries' own names in the folder.
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((ParentFolder(kept) + "\\*").c_str(), &entry);
  int names = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do names += entry.cFileName[0] != '.';
    while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  EXPECT_EQ(3, names);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SharedFilesReadThrough,
                         ::testing::Values(0u, PF_STORED_BODIES, PF_SPANNED, PF_STORED_BODIES | PF_SPANNED),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                           return std::string((info.param & PF_STORED_BODIES) ? "Stored" : "Compressed") +
                                  ((info.param & PF_SPANNED) ? "Spanned" : "WithEndOffset");
                         });

TEST_F(SharedFiles, AKeptFilesRecordCutShortFailsTheStep)
{
  const std::string kept = Target("KeptCut.dll");
  PlaceVersioned(kept, V(3, 0, 0, 0));
  const Bytes record = FileRecord(Content(5000, 18));
  Bytes atAttributes;
  PutString(atAttributes, kept, 260);
  PutInt32(atAttributes, V(2, 0, 0, 0).Ms);
  PutInt32(atAttributes, 0);
  Bytes inBody = atAttributes;
  PutBytes(inBody, record.data(), record.size() - 10);

  bool shape = false;
  Answer({QuestionAnswered(IDYES, &shape), {TXT_ERROR_CAPTION, IDOK}});
  Open(atAttributes);
  EXPECT_EQ(0, InstallSharedFiles());
  std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(TXT_DATA_ENDED, seen[1].Text);

  Answer({QuestionAnswered(IDYES, &shape)});
  Open(inBody);
  EXPECT_EQ(0, InstallSharedFiles());
  EXPECT_EQ(1u, Boxes().size());
  EXPECT_EQ(VersionedFile(V(3, 0, 0, 0)), ReadWholeFile(kept));
  EXPECT_EQ("", Log());
  EXPECT_EQ(-1, Count(kept));
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(SharedFiles, AFileThatCannotBeWrittenStopsTheStepWithItsMessageAndCountsNothing)
{
  const std::string path = Target("missing folder\\Unwritable.dll");
  Open(Concat({SharedEntry(path, V(1, 0, 0, 0), FileRecord(Content(10, 19))), ListEnd()}));
  Answer({{TXT_ERROR_CAPTION, IDOK}});
  EXPECT_EQ(0, InstallSharedFiles());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_NE(std::string::npos, seen[0].Text.find(path));
  EXPECT_EQ("", Log());
  EXPECT_EQ(-1, CountNamed(path));
}

TEST_F(SharedFiles, APayloadCutInTheVersionWordsFailsWithoutABox)
{
  const std::string path = Target("Cut.dll");
  Bytes cut;
  PutString(cut, path, 260);
  PutInt32(cut, V(1, 0, 0, 0).Ms);
  PutByte(cut, 0);
  Open(cut);
  EXPECT_EQ(0, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(-1, CountNamed(path));
}

TEST_F(SharedFiles, AnEmptyListOrOneCutAtItsStartInstallsNothing)
{
  Open(Concat({ListEnd(), Bytes{NEXT_RECORD}}));
  EXPECT_EQ(1, InstallSharedFiles());
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  Open(Bytes{});
  EXPECT_EQ(1, InstallSharedFiles());
  ExpectNoBox();
  EXPECT_EQ("", Log());
}

TEST_F(SharedFiles, AShortFormThatWouldNotFitAPathIsRefusedNotCut)
{
  // Names with two full stops have hashed short forms twice their length.
  std::string folder = folder_.Path();
  while (folder.size() + 6 <= 240) {
    folder += "\\a.b.c";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  }
  const std::string path = folder + "\\x.dll";
  ASSERT_LT(path.size(), 260u);
  ASSERT_TRUE(WriteWholeFile(path, Bytes{1}));
  WCHAR widePath[MAX_PATH];
  ASSERT_NE(0, MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH));
  ASSERT_GE(GetShortPathNameW(widePath, nullptr, 0), 260u) << "the short form must not fit 260 bytes";
  Open(Concat({SharedEntry(path, V(1, 0, 0, 0), FileRecord(Content(10, 20))), ListEnd()}));
  Answer({{TXT_ERROR_CAPTION, IDOK}});

  EXPECT_EQ(0, InstallSharedFiles());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(0u, seen[0].Text.find("パス名が長すぎます。")) << seen[0].Text;
  EXPECT_EQ(-1, CountNamed(path));
}
