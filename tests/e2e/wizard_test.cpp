// The wizard's checks as a user meets them: the folder checks on the folder
// page and the space check on the confirmation page; and a library planted
// beside the setup program, which must never be loaded. Every run ends with
// exit code 0. (Cancelling on each page is part of the cancel sweep.)
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char FOLDER[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char CANCEL[] = "セットアップの終了";
const char CREATE[] = "フォルダ作成確認";

}  // namespace

class Wizard : public Scenario {
 protected:
  // Types a folder and goes on; returns the box that answers it.
  Screen Next(const Screen& page, const std::string& folder, const char* box)
  {
    Driver().Type(page, IDC_FOLDER, folder);
    Driver().Click(page, IDC_NEXT);
    return Expect(box);
  }
};

TEST_F(Wizard, FolderChecksRefuseWhatCannotBeUsed)
{
  Start("folder");
  Screen page3 = Expect(FOLDER);
  // Empty, or not a full path (it would be taken from the current folder).
  const char* const empty = "インストール先フォルダを空にすることはできません。";
  const char* const partial =
      "インストール先フォルダは、ドライブ名から始まる完全なパス (例: C:\\Program Files\\製品) で指定してください。";
  const struct {
    const char* Typed;
    const char* Says;
  } refused[] = {{"", empty}, {"\\", empty}, {"Apps\\Foo", partial}, {"C:foo", partial}, {"\\Apps", partial}};
  for (const auto& row : refused) {
    Screen box = Next(page3, row.Typed, "ｾｯﾄｱｯﾌﾟ ｴﾗｰ");
    EXPECT_EQ(row.Says, box.Text(0xFFFF)) << row.Typed;
    EXPECT_EQ(page3.Window, box.Owner);
    ClickAway(box, IDOK);
  }
  EXPECT_FALSE(FileExists(folder_ / "Apps"));
  // No to the question keeps the page; nothing is created.
  const std::string declined = folder_ / "declined";
  Screen ask = Next(page3, declined, CREATE);
  EXPECT_EQ(declined + " フォルダは存在しませんでした。\n\n作成しますか？", ask.Text(0xFFFF));
  ClickAway(ask, IDNO);
  EXPECT_FALSE(FileExists(declined));
  // Only the last level is created: a missing parent fails with the system's text.
  const std::string orphan = folder_ / "missing\\child";
  ClickAway(Next(page3, orphan, CREATE), IDYES);
  Screen failed = Expect("ｴﾗｰ情報");
  EXPECT_TRUE(EndsWith(failed.Text(0xFFFF), "\n" + orphan)) << failed.Text(0xFFFF);
  ClickAway(failed, IDOK);
  // An existing folder that cannot be written to fails the write test.
  Screen unwritable = Next(page3, "Z:\\proc", "ｴﾗｰ情報");
  EXPECT_NE(std::string::npos, unwritable.Text(0xFFFF).find("\n書込みテストエラー"));
  ClickAway(unwritable, IDOK);
  // A folder name ending in 表 (trail byte '\') keeps its last character;
  // Back from the confirmation removes the folder the wizard created.
  const std::string table = folder_ / "表";
  ClickAway(Next(page3, table, CREATE), IDYES);
  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ(table, page4.Text(IDC_FOLDER));
  EXPECT_TRUE(FileExists(table));
  ClickAway(page4, IDC_BACK);
  page3 = Expect(FOLDER);
  EXPECT_FALSE(FileExists(table));
  // A drive root loses its backslash and passes the write test.
  Driver().Type(page3, IDC_FOLDER, "C:\\");
  ClickAway(page3, IDC_NEXT);
  page4 = Expect(CONFIRM);
  EXPECT_EQ("C:", page4.Text(IDC_FOLDER));
  Driver().Close(page4);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, ProductLargerThanTheDriveIsRefusedOnTheConfirmation)
{
  Start("huge");
  const std::string folder = folder_ / "huge";
  ClickAway(Next(Expect(FOLDER), folder, CREATE), IDYES);
  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ("15.99TB", page4.Text(IDC_REQUIRED));  // 4294967295 units of 4 KB
  Driver().Click(page4, IDC_NEXT);
  Screen box = Expect("領域不足ｴﾗｰ");
  EXPECT_EQ("空きディスク容量が足りません。\n\n前のページに戻り別のドライブを選択するか、ディスクの空き領域を増やしてください。",
            box.Text(0xFFFF));
  ClickAway(box, IDOK);
  EXPECT_TRUE(IsWindowVisible(page4.Window));
  Driver().Click(page4, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
  EXPECT_FALSE(FileExists(folder));
}

// Windows loads a library that is not a known DLL from the program's folder
// first (a downloads folder): here Wine is told to do the same.
TEST_F(Wizard, LibrariesPlantedBesideTheSetupAreNotLoaded)
{
  const std::string marker = WindowsFolder().substr(0, 2) + "\\planted-comctl32.dll.txt";
  SetRegistryText(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUP.EXE\\DllOverrides", "comctl32",
                  "native,builtin");
  CopyProduct("folder");
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\planted\\comctl32.dll").c_str(), (folder_ / "comctl32.dll").c_str(), FALSE));
  Launch("");
  EXPECT_EQ(0u, RunThrough(folder_ / "installed"));
  EXPECT_TRUE(FileExists(folder_ / "installed\\file.txt")) << Transcript();
  EXPECT_FALSE(FileExists(marker)) << "a planted comctl32.dll was loaded";
  DeleteFileA(marker.c_str());
}

// A name proposed from the registry holds a line break: it must not become
// a line of setup.inf, which an elevated uninstaller later acts on.
TEST_F(Wizard, ProposedNamesCannotAddLinesToTheLog)
{
  const char key[] = "Software\\Microsoft\\MS Setup (ACME)\\User Info";
  SetRegistryText(HKEY_CURRENT_USER, key, "DefName", "山田\r\nDLL=C:\\evil.dll");
  SetRegistryText(HKEY_CURRENT_USER, key, "DefCompany", "社\nFOLDER=C:\\");
  Start("sample");
  EXPECT_EQ(0u, RunThrough(folder_ / "s"));
  const std::string log = FileText(folder_ / "s\\setup.inf");
  EXPECT_EQ(0u, log.find("USER=山田DLL=C:\\evil.dll\r\nSECTION=社FOLDER=C:\\\r\n")) << log;
}
