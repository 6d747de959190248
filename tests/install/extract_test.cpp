// What a file that fails half way leaves behind: nothing. A full disk, a
// body cut short (compressed or stored), corrupt compressed data and a log
// line that cannot be written each remove the partial file, with at most
// one message; a read-only, hidden or system file in the way is replaced
// (Windows opens none of them for writing as it is); a failed WININIT.INI edit for a file in use keeps the old
// WININIT.INI and removes the alternate file; a file list target that would
// land elsewhere than it is logged is damaged data. (Files that arrive whole, and
// in use, are checked end to end.)
#include "app/file_io.h"
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/extract.h"
#include "payload/layout.h"
#include "tests/support/step_fixture.h"

static Bytes Noise(size_t size)
{
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
  return data;
}

// The record with its compressed body overwritten by codes no encoder makes.
static Bytes Corrupt(Bytes record)
{
  const size_t body = 4 + 3 * 8 + 4 + 4;  // attributes, times, size, end offset
  std::fill(record.begin() + body, record.end(), 0xFF);
  return record;
}

class Extract : public StepFixture {};

TEST_F(Extract, FailedFileIsRemovedWithAtMostOneMessage)
{
  const struct {
    const char* Name;
    Bytes Record;
    unsigned Flags;
    int WritesBeforeFault;  // -1: none
    size_t Cut;             // bytes cut from the record's end
    bool LogClosed;
    std::string Subject;    // the box's last line; empty: no box
  } rows[] = {
      {"disk full", FileRecord(Noise(3 * 4096 + 100)), 0, 1, 0, false, folder_ / "part.bin"},
      {"compressed body cut", FileRecord(Noise(20000)), 0, -1, 50, false, ""},
      {"stored body cut", FileRecord(Noise(20000), FILE_ATTRIBUTE_ARCHIVE, PF_STORED_BODIES), PF_STORED_BODIES, -1, 50, false, ""},
      {"corrupt data", Corrupt(FileRecord(Noise(100))), 0, -1, 0, false, ""},
      {"log line not written", FileRecord(Noise(10), FILE_ATTRIBUTE_READONLY), 0, -1, 0, true, "setup.inf"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    Open(Bytes(row.Record.begin(), row.Record.end() - row.Cut), row.Flags);
    if (row.LogClosed) Log();
    IoInjectFault(IO_WRITE, row.WritesBeforeFault, ERROR_DISK_FULL);
    EXPECT_EQ(0, InstallItem((folder_ / "part.bin").c_str()));
    if (!row.Subject.empty()) ExpectOneErrorAbout(row.Subject);  // any other box fails the fixture
    EXPECT_FALSE(FileExists(folder_ / "part.bin"));
  }
}

// The old files kept aside go at the finish, and nothing else: the
// product's own file named as a copy kept aside of the folder itself stays.
TEST_F(Extract, ReplacesReadOnlyHiddenAndSystemFiles)
{
  const std::string target = folder_ / "old.txt", bystander = folder_ / ".$old";
  ASSERT_TRUE(WriteWholeFile(bystander, BytesOf("mine")));
  for (DWORD attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")) && SetFileAttributesA(target.c_str(), attributes));
    Open(FileRecord(BytesOf("new")));
    EXPECT_TRUE(InstallItem(target.c_str()) && FileText(target) == "new" && Attributes(target) == 0) << attributes;
  }
  Log();
  EXPECT_FALSE(FileExists(target + ".$old"));
  EXPECT_EQ("mine", FileText(bystander));
}

TEST_F(Extract, FailedWininitEditForAFileInUseKeepsTheOldFileAndRemovesTheAlternate)
{
  // The Windows folder of the prefix this program has to itself.
  const std::string ini = WindowsFolder() + "\\WININIT.INI", bak = WindowsFolder() + "\\WININIT.BAK";
  DeleteFileA(bak.c_str());
  const std::string old = "[boot]\r\nshell=Explorer.exe\r\n[rename]\r\nA=B\r\n", target = folder_ / "lib.dll";
  ASSERT_TRUE(WriteWholeFile(ini, BytesOf(old)));
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  Held held(target);
  Open(FileRecord(BytesOf("new")));
  IoInjectFault(IO_WRITE, 1, ERROR_DISK_FULL);  // the body is one block; the next write is WININIT.INI's
  EXPECT_EQ(0, InstallItem(target.c_str()));
  ExpectOneErrorAbout("WININIT.INI");
  EXPECT_EQ(old, FileText(ini));
  EXPECT_FALSE(FileExists(bak));
  EXPECT_FALSE(FileExists(folder_ / "lib.000"));
  EXPECT_FALSE(State.RunFlags & RF_RESTART_NEEDED);
  EXPECT_EQ("", Log());
  DeleteFileA(ini.c_str());
}

// A folder of the list that is a link is refused, and neither written
// through nor removed.
TEST_F(Extract, NothingIsWrittenThroughAFolderThatIsALink)
{
  const std::string target = folder_ / "elsewhere", link = folder_ / "docs";
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr) && HostLink(link, target));
  Bytes list;
  PutString(list, "docs", PATH_CAPACITY);
  PutInt32(list, ATTRIBUTE_FOLDER);
  PutString(list, "docs\\a.txt", PATH_CAPACITY);
  const Bytes record = FileRecord(BytesOf("data"));
  list.insert(list.end(), record.begin(), record.end());
  PutByte(list, 0);
  Open(list);
  EXPECT_EQ(0, InstallFiles());
  const std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(0u, boxes[0].Text.find("docs\n\nこのフォルダは、ほかの場所を指すリンク")) << boxes[0].Text;
  EXPECT_FALSE(FileExists(target + "\\a.txt"));
  EXPECT_TRUE(FileExists(target));
  EXPECT_TRUE(HostLink(link, ""));
}

TEST_F(Extract, TargetsThatLeaveTheInstallFolderOrHitTheLogAreDamagedData)
{
  const std::string parent = ParentFolder(folder_.Path()), root = WindowsFolder().substr(0, 2);
  const std::string targets[] = {"..\\escape.txt", "\\rooted.txt", "docs/slash.txt", "SETUP.INF", "setup.$$$",
                                 "a.txt:evil", "docs\\C:x.txt", root + "\\drive.txt"};
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    Bytes list;
    PutString(list, target, PATH_CAPACITY);
    const Bytes record = FileRecord(BytesOf("data"));
    list.insert(list.end(), record.begin(), record.end());
    PutByte(list, 0);
    Open(list);
    EXPECT_EQ(0, InstallFiles());
    ExpectOneErrorAbout(TXT_DATA_DAMAGED);
    for (const std::string& written : {parent + "\\escape.txt", root + "\\rooted.txt", folder_ / "docs", folder_ / "SETUP.INF",
                                       folder_ / "setup.$$$", folder_ / "a.txt", root + "\\drive.txt"})
      EXPECT_FALSE(FileExists(written)) << written;
    EXPECT_EQ("", Log());
  }
}
