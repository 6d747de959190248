// The wizard as a user meets it: which pages come in which order for each
// product, what they show, the folder checks, the space check and the
// cancel question. Every run ends with exit code 0.
#include "app/flags.h"
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char AGREEMENT[] = "使用許諾内容確認";
const char USER[] = "ユーザ情報の登録";
const char FOLDER[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char CANCEL[] = "セットアップの終了";
const char CREATE[] = "フォルダ作成確認";
const char SETUP_ERROR[] = "ｾｯﾄｱｯﾌﾟ ｴﾗｰ";
const char LICENSE[] =
    "使用許諾契約書\r\n\r\n本ソフトウェアを使用する前にお読みください。\r\n表示と予約の条件に同意してください。\r\n";



}  // namespace

class Wizard : public Scenario {
 protected:
  // On a folder page: types a folder and goes on, answering the question
  // to create it with Yes.
  void NextWithNewFolder(const Screen& page, const std::string& folder)
  {
    Driver().Type(page, IDC_FOLDER, folder);
    Driver().Click(page, IDC_NEXT);
    Screen ask = Expect(CREATE);
    EXPECT_EQ(folder + " フォルダは存在しませんでした。\n\n作成しますか？", ask.Text(0xFFFF));
    ClickAway(ask, IDYES);
    EXPECT_TRUE(Driver().WaitGone(page.Window));
  }
};

TEST_F(Wizard, AgreementThenFolderThenConfirmation)
{
  Start("agreement");
  Screen page1 = Expect(AGREEMENT);
  EXPECT_EQ(LICENSE, page1.Text(IDC_AGREEMENT));
  EXPECT_EQ("同意する", page1.Text(IDC_NEXT));
  ClickAway(page1, IDC_NEXT);

  Screen page3 = Expect(FOLDER);
  EXPECT_EQ("同意テスト", page3.Text(IDC_PRODUCT_NAME));
  EXPECT_EQ(WindowsFolder().substr(0, 1) + ":\\Program Files\\同意テスト", page3.Text(IDC_FOLDER));
  EXPECT_TRUE(page3.Visible[IDC_BACK]);

  // Back shows the agreement again without reading it a second time.
  ClickAway(page3, IDC_BACK);
  Screen again = Expect(AGREEMENT);
  EXPECT_EQ(LICENSE, again.Text(IDC_AGREEMENT));
  ClickAway(again, IDC_NEXT);

  page3 = Expect(FOLDER);
  const std::string folder = folder_ / "製品";
  NextWithNewFolder(page3, folder);
  EXPECT_TRUE(FileExists(folder));

  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ("同意テスト", page4.Text(IDC_PRODUCT_NAME));
  EXPECT_EQ(folder, page4.Text(IDC_FOLDER));
  EXPECT_EQ("20KB", page4.Text(IDC_REQUIRED));  // the uninstaller's 4 units and the file's 1
  EXPECT_NE("計算中", page4.Text(IDC_FREE));
  EXPECT_NE(std::string::npos, page4.Text(IDC_FREE).find("B"));
  ClickAway(page4, IDC_NEXT);
  ClickAway(Expect("ｾｯﾄｱｯﾌﾟ完了"), IDOK);
  EXPECT_EQ(0u, ExitCode()) << Transcript();
}

TEST_F(Wizard, StoredAgreementReadsTheSame)
{
  Start("agreement_stored");
  Screen page1 = Expect(AGREEMENT);
  EXPECT_EQ(LICENSE, page1.Text(IDC_AGREEMENT));
  Driver().Click(page1, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, UserPageFirstKeepsWhatWasTypedAcrossBackAndNext)
{
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info",
                                           0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, "DefName", 0, REG_SZ, reinterpret_cast<const BYTE*>("山田 太郎"), 10);
  RegSetValueExA(key, "DefCompany", 0, REG_SZ, reinterpret_cast<const BYTE*>("表計算株式会社"), 15);
  Start("user");
  Screen page2 = Expect(USER);
  RegDeleteValueA(key, "DefName");
  RegDeleteValueA(key, "DefCompany");
  RegCloseKey(key);
  EXPECT_EQ("山田 太郎", page2.Text(IDC_USER_NAME));
  EXPECT_EQ("表計算株式会社", page2.Text(IDC_USER_COMPANY));
  EXPECT_FALSE(page2.Visible[IDC_BACK]);  // the first page shown has no Back

  Driver().Type(page2, IDC_USER_NAME, "佐藤 花子");
  ClickAway(page2, IDC_NEXT);
  Screen page3 = Expect(FOLDER);
  EXPECT_EQ(WindowsFolder() + "\\ユーザテスト", page3.Text(IDC_FOLDER));
  ClickAway(page3, IDC_BACK);
  page2 = Expect(USER);
  EXPECT_EQ("佐藤 花子", page2.Text(IDC_USER_NAME));
  EXPECT_EQ("表計算株式会社", page2.Text(IDC_USER_COMPANY));
  Driver().Close(page2);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, FolderPageFirstHasNoBackAndEscRestoresTheDefault)
{
  Start("folder");
  Screen page3 = Expect(FOLDER);
  const std::string standard = SystemFolder() + "\\フォルダテスト";
  EXPECT_EQ(standard, page3.Text(IDC_FOLDER));
  EXPECT_FALSE(page3.Visible[IDC_BACK]);

  Driver().Type(page3, IDC_FOLDER, "D:\\elsewhere");
  Driver().Escape(page3);
  Sleep(300);
  EXPECT_EQ(standard, Driver().Read(page3.Window).Text(IDC_FOLDER));

  Driver().Type(page3, IDC_FOLDER, "D:\\elsewhere");
  Driver().Click(page3, IDC_DEFAULT);
  Sleep(300);
  EXPECT_EQ(standard, Driver().Read(page3.Window).Text(IDC_FOLDER));

  // The cancel question, answered No, leaves the page as it was.
  Driver().Click(page3, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDNO);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(page3.Window));
  Driver().Click(page3, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, FolderChecksRefuseWhatCannotBeUsed)
{
  Start("folder");
  Screen page3 = Expect(FOLDER);
  for (const char* empty : {"", "\\"}) {
    Driver().Type(page3, IDC_FOLDER, empty);
    Driver().Click(page3, IDC_NEXT);
    Screen box = Expect(SETUP_ERROR);
    EXPECT_EQ("インストール先フォルダを空にすることはできません。", box.Text(0xFFFF));
    EXPECT_EQ(page3.Window, box.Owner);
    ClickAway(box, IDOK);
  }

  // No to the question keeps the page; nothing is created.
  const std::string declined = folder_ / "declined";
  Driver().Type(page3, IDC_FOLDER, declined);
  Driver().Click(page3, IDC_NEXT);
  ClickAway(Expect(CREATE), IDNO);
  EXPECT_FALSE(FileExists(declined));

  // Only the last level is created: a missing parent fails with the system's text.
  const std::string orphan = folder_ / "missing\\child";
  Driver().Type(page3, IDC_FOLDER, orphan);
  Driver().Click(page3, IDC_NEXT);
  ClickAway(Expect(CREATE), IDYES);
  Screen failed = Expect("ｴﾗｰ情報");
  EXPECT_EQ("\n" + orphan, failed.Text(0xFFFF).substr(failed.Text(0xFFFF).size() - orphan.size() - 1));
  ClickAway(failed, IDOK);

  // An existing folder that cannot be written to fails the write test.
  Driver().Type(page3, IDC_FOLDER, "Z:\\proc");
  Driver().Click(page3, IDC_NEXT);
  Screen unwritable = Expect("ｴﾗｰ情報");
  EXPECT_NE(std::string::npos, unwritable.Text(0xFFFF).find("\n書込みテストエラー"));
  ClickAway(unwritable, IDOK);
  EXPECT_TRUE(IsWindowVisible(page3.Window));

  // A folder name ending in 表 (trail byte '\') keeps its last character.
  const std::string table = folder_ / "表";
  NextWithNewFolder(page3, table);
  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ(table, page4.Text(IDC_FOLDER));
  EXPECT_TRUE(FileExists(table));

  // Back from the confirmation removes the folder the wizard created.
  ClickAway(page4, IDC_BACK);
  page3 = Expect(FOLDER);
  EXPECT_FALSE(FileExists(table));
  EXPECT_TRUE(page3.Visible[IDC_NEXT]);
  Driver().Close(page3);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, DriveRootLosesItsBackslashAndPassesTheWriteTest)
{
  Start("folder");
  Screen page3 = Expect(FOLDER);
  Driver().Type(page3, IDC_FOLDER, "C:\\");
  ClickAway(page3, IDC_NEXT);
  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ("C:", page4.Text(IDC_FOLDER));
  Driver().Click(page4, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
}

TEST_F(Wizard, ProductLargerThanTheDriveIsRefusedOnTheConfirmation)
{
  Start("huge");
  Screen page3 = Expect(FOLDER);
  const std::string folder = folder_ / "huge";
  NextWithNewFolder(page3, folder);
  Screen page4 = Expect(CONFIRM);
  EXPECT_EQ("15.99TB", page4.Text(IDC_REQUIRED));  // 4294967295 units of 4 KB
  Driver().Click(page4, IDC_NEXT);
  Screen box = Expect("領域不足ｴﾗｰ");
  EXPECT_EQ("空きディスク容量が足りません。\n\n前のページに戻り別のドライブを選択するか、ディスクの空き領域を増やしてください。",
            box.Text(0xFFFF));
  ClickAway(box, IDOK);
  EXPECT_TRUE(IsWindowVisible(page4.Window));

  // Cancelling removes the folder the wizard created.
  Driver().Click(page4, IDC_CANCEL_PAGE);
  ClickAway(Expect(CANCEL), IDYES);
  EXPECT_EQ(0u, ExitCode());
  EXPECT_FALSE(FileExists(folder));
}

TEST_F(Wizard, SimpleModeShowsOneTitledPageAndCancelsWithoutAQuestion)
{
  Start("simple");
  Screen page9 = Expect("簡易テスト ｾｯﾄｱｯﾌﾟ");
  EXPECT_EQ(WindowsFolder().substr(0, 1) + ":\\簡易テスト", page9.Text(IDC_FOLDER));
  EXPECT_EQ("実行", page9.Text(IDC_NEXT));
  EXPECT_TRUE(Driver().WindowsNow().size() == 1) << ::testing::PrintToString(Driver().WindowsNow());
  Driver().Click(page9, IDC_CANCEL_PAGE);
  EXPECT_EQ(0u, ExitCode());
  Screen question;
  EXPECT_FALSE(Driver().WaitFor(CANCEL, &question, 500)) << Transcript();
}

TEST_F(Wizard, SimpleModeInstallsAfterTheOnePage)
{
  Start("simple");
  Screen page9 = Expect("簡易テスト ｾｯﾄｱｯﾌﾟ");
  NextWithNewFolder(page9, folder_ / "簡易");
  Screen done = Expect("ｾｯﾄｱｯﾌﾟ完了");
  EXPECT_EQ("「簡易テスト」 は正常にセットアップされました。", done.Text(0xFFFF));
  ClickAway(done, IDOK);
  EXPECT_EQ(0u, ExitCode());
  EXPECT_TRUE(FileExists(folder_ / "簡易\\file.txt"));
}
