// The wizard's checks as a user meets them, in one run of a product larger
// than any drive: the folder checks on the folder page, the confirmation
// page's folder and size, and its space refusal (cancelling on each page is
// part of the cancel sweep); and the refusal to start at all where the code
// page is not Shift-JIS.
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

using Wizard = Scenario;

TEST_F(Wizard, RefusesFoldersThatCannotBeUsedAndAProductLargerThanTheDrive)
{
  const char FOLDER[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ", CONFIRM[] = "ｾｯﾄｱｯﾌﾟ条件の確認", CREATE[] = "フォルダ作成確認";
  const char ERROR_BOX[] = "ｾｯﾄｱｯﾌﾟ ｴﾗｰ", FAILED[] = "ｴﾗｰ情報";
  const std::string empty = "インストール先フォルダを空にすることはできません。", tooLong = "フォルダ名が長すぎます。", partial =
      "インストール先フォルダは、ドライブ名から始まる完全なパス (例: C:\\Program Files\\製品) で指定してください。";
  const std::string declined = folder_ / "declined", orphan = folder_ / "missing\\child", table = folder_ / "表";
  const std::string linked = folder_ / "linked", target = folder_ / "target";
  const std::string question = " フォルダは存在しませんでした。\n\n作成しますか？";
  const std::string system = "\n\nドライブのルートや、Windows が使うフォルダ (またはそれを含むフォルダ) にはインストールできません。"
                             "\n製品用のフォルダを指定してください。";
  // The default folder is refused as too long; then typed in turn: empty, or not a full path (it would be taken from the
  // current folder); a folder declined (No keeps the page); one whose parent
  // is missing (only the last level is created); an existing folder that
  // cannot be written to; a folder that is a link; a name ending in 表 (trail byte '\'), from whose
  // confirmation Back removes the folder the wizard created and returns to
  // the folder as typed; a drive root and the Windows folder (in another
  // case), where the uninstaller could tell nothing of the product from the
  // system; an existing folder.
  const std::vector<std::string> typed = {"", "\\", "Apps\\Foo", "C:foo", "\\Apps", declined, orphan, "Z:\\proc\\1",
                                          linked, table, "C:\\", "c:\\WINDOWS\\", folder_.Path()};
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr) && HostLink(linked, target));
  size_t next = 0;
  CopyProduct("huge");
  Launch("");
  EXPECT_EQ(0u, RunThrough("", {{FOLDER, IDC_NEXT, "", 0,
                                 [&](const Screen& page) {
                                   const bool back = seen_.size() > 1 && seen_[seen_.size() - 2].Caption == CONFIRM;
                                   EXPECT_TRUE(!back || page.Text(IDC_FOLDER) == table) << page.Text(IDC_FOLDER);
                                   driver_->Type(page, IDC_FOLDER, typed.at(next++));
                                 }},
                                {ERROR_BOX, IDOK, "", 0, {}, true},
                                {FAILED, IDOK, "", 0, {}, true},
                                {CREATE, IDNO, declined + question, 1, {}, true},
                                {CONFIRM, IDC_BACK, "", 1, [&](const Screen&) { EXPECT_TRUE(FileExists(table)); }},
                                {CONFIRM, IDC_NEXT, "", 1, [&](const Screen&) { EXPECT_FALSE(FileExists(table)); }},
                                {"領域不足ｴﾗｰ", IDOK, "", 1, {}, true},
                                {CONFIRM, IDC_CANCEL_PAGE, "", 1},
                                {"セットアップの終了", IDYES, "", 1}}));
  // Each window but the folder page, with the end of its text (a box's) or
  // its folder and required size (4294967295 units of 4 KB).
  const std::vector<std::pair<std::string, std::string>> expected = {
      {ERROR_BOX, tooLong}, {ERROR_BOX, empty}, {ERROR_BOX, empty}, {ERROR_BOX, partial}, {ERROR_BOX, partial}, {ERROR_BOX, partial},
      {CREATE, declined + question}, {CREATE, orphan + question}, {FAILED, "\n" + orphan}, {FAILED, "\n書込みテストエラー"},
      {ERROR_BOX, linked + "\n\nこのフォルダは、ほかの場所を指すリンク (ジャンクションやシンボリック リンク) です。\nリンクを通してインストールすることはできません。"},
      {CREATE, table + question}, {CONFIRM, table + " 15.99TB"}, {ERROR_BOX, "C:" + system}, {ERROR_BOX, "c:\\WINDOWS" + system},
      {CONFIRM, folder_.Path() + " 15.99TB"},
      {"領域不足ｴﾗｰ", "空きディスク容量が足りません。\n\n前のページに戻り別のドライブを選択するか、ディスクの空き領域を増やしてください。"},
      {CONFIRM, folder_.Path() + " 15.99TB"}, {"セットアップの終了", ""}};
  std::vector<Screen> met;
  for (const Screen& s : seen_)
    if (s.Caption != FOLDER) met.push_back(s);
  ASSERT_EQ(expected.size(), met.size()) << Transcript();
  for (size_t i = 0; i < met.size(); ++i) {
    const Screen& s = met[i];
    const std::string text = s.IsMessageBox() ? s.Text(0xFFFF) : s.Text(IDC_FOLDER) + " " + s.Text(IDC_REQUIRED);
    EXPECT_TRUE(s.Caption == expected[i].first && EndsWith(text, expected[i].second)) << s.Caption << ": " << text;
  }
  EXPECT_FALSE(FileExists(folder_ / "Apps") || FileExists(declined) || FileExists(folder_ / "missing"));
  EXPECT_TRUE(HostLink(linked, "") && RemoveDirectoryA(target.c_str())) << "something was written through the link";
}

// Run under a locale whose code page is not Shift-JIS (SETUP_LOCALE): the
// program's path scans would misread every name, so it says so in one box, in
// English as well, and writes nothing.
using CodePage = Scenario;

TEST_F(CodePage, OtherThanShiftJisIsRefusedInOneBoxAndNothingIsWritten)
{
  ASSERT_NE(932u, GetACP()) << "this case runs under another locale; see tests/CMakeLists.txt";
  CopyProduct("sample");
  const Snapshot before = Take(folder_.Path());
  Launch("");
  EXPECT_EQ(0u, RunThrough(folder_ / "product", {{"Setup", IDOK, "", 1}}));
  ASSERT_EQ(1u, seen_.size()) << Transcript();
  EXPECT_EQ(0u, seen_[0].Text(0xFFFF).find("This setup program needs Windows with the Japanese code page (932).\n"))
      << seen_[0].Text(0xFFFF);
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path())));
}
