// The wizard: pages 1 to 4 (agreement, user, folder, confirmation), or the
// single folder page 9 in simple mode, each a modeless dialog with its own
// message loop; and its proposals taken without a page in an unattended
// run. The payload is read as pages are first shown: agreement, default
// folder, required size, each exactly once, in that order.
#include "ui/wizard.h"
#include "app/folder_macro.h"
#include "app/flags.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "payload/reader.h"
#include "resources/dialogs.h"
#include "ui/agreement.h"
#include "ui/folder.h"
#include "ui/size_text.h"
#include "ui/survey.h"
#include "ui/user_defaults.h"

enum { PAGE_AGREEMENT = 1, PAGE_USER = 2, PAGE_FOLDER = 3, PAGE_CONFIRM = 4, PAGE_SIMPLE = 9,
       PRODUCT_NAME_COLOUR = 0xFF0000 };

static HWND Control(int id) { return State.PageControls[id - IDC_NEXT]; }

static bool IsFolderPage() { return State.CurrentPage == PAGE_FOLDER || State.CurrentPage == PAGE_SIMPLE; }

static void ShowFolder(HWND field, const char* folder)
{
  SetWindowTextA(field, folder);
  const int length = lstrlenA(folder);
  SendMessageA(field, EM_SETSEL, length, length);
}

// The default folder is read once, when the first folder page is shown. A
// folder given on the command line (/D=) is proposed instead.
static void ReadDefaultFolder()
{
  if (State.DefaultFolderRead) return;
  State.DefaultFolderRead = 1;
  if (!ReadString(TextBuffer, MAX_PATH)) TextBuffer[0] = '\0';
  if (ExpandFolderMacro(TextBuffer, State.DefaultFolder) && State.InstallFolder[0] == '\0')
    lstrcpyA(State.InstallFolder, State.DefaultFolder);
  if (State.CurrentPage == PAGE_SIMPLE) ReadBytes(&State.RequiredUnits, 4);
}

static void ShowRequiredSize()
{
  if (!State.RequiredSizeRead) {
    State.RequiredSizeRead = 1;
    ReadBytes(&State.RequiredUnits, 4);
  }
  const unsigned units = static_cast<unsigned>(State.RequiredUnits);
  FormatByteSize(units << 12, units >> 20, State.RequiredSizeText);
  SetWindowTextA(Control(IDC_REQUIRED), State.RequiredSizeText);
}

static void InitPage(HWND page)
{
  for (int i = 0; i < PAGE_CONTROL_COUNT; ++i) State.PageControls[i] = GetDlgItem(page, IDC_NEXT + i);
  PlaceDialog(page);
  if (State.PayloadFlags & PF_SIMPLE_MODE) {
    char caption[64];
    wsprintfA(caption, "%s ｾｯﾄｱｯﾌﾟ", State.ProductName);
    SetWindowTextA(page, caption);
  }

  switch (State.CurrentPage) {
    case PAGE_AGREEMENT:
      if (!State.AgreementRead) {
        State.AgreementRead = 1;
        LoadAgreement();
      }
      if (State.AgreementText != nullptr) {
        SendMessageA(Control(IDC_AGREEMENT), EM_LIMITTEXT, 0, 0);
        SetWindowTextA(Control(IDC_AGREEMENT), State.AgreementText);
      }
      break;
    case PAGE_USER:
      if (State.UserName[0] == '\0' || State.UserCompany[0] == '\0') ReadUserDefaults();
      SendMessageA(Control(IDC_USER_NAME), EM_LIMITTEXT, sizeof State.UserName - 1, 0);
      SendMessageA(Control(IDC_USER_COMPANY), EM_LIMITTEXT, sizeof State.UserCompany - 1, 0);
      SetWindowTextA(Control(IDC_USER_NAME), State.UserName);
      SetWindowTextA(Control(IDC_USER_COMPANY), State.UserCompany);
      break;
    case PAGE_FOLDER:
    case PAGE_SIMPLE:
      if (State.CurrentPage == PAGE_FOLDER) SetWindowTextA(Control(IDC_PRODUCT_NAME), State.ProductName);
      ReadDefaultFolder();
      ShowFolder(Control(IDC_FOLDER), State.InstallFolder);
      SetFocus(Control(IDC_FOLDER));
      break;
    case PAGE_CONFIRM:
      SetWindowTextA(Control(IDC_PRODUCT_NAME), State.ProductName);
      SetWindowTextA(Control(IDC_FOLDER), State.InstallFolder);
      ShowRequiredSize();
      DestinationSpace(page);
      break;
  }

  if (State.CurrentPage != PAGE_AGREEMENT && State.CurrentPage != PAGE_SIMPLE &&
      State.PageHistoryLength == 1) {
    ShowWindow(Control(IDC_BACK), SW_HIDE);
  }
  if (!IsFolderPage()) SetFocus(Control(IDC_NEXT));
}

// Takes the folder field into InstallFolder; a text too long for a path is
// refused rather than cut into another folder's name.
static int TakeFolderField()
{
  HWND field = Control(IDC_FOLDER);
  if (GetWindowTextLengthA(field) >= MAX_PATH) return RefuseLongFolder();
  GetWindowTextA(field, State.InstallFolder, MAX_PATH);
  return 1;
}

// The checks before a page is left; `forwards` for Next, else Back.
static int Validate(bool forwards)
{
  switch (State.CurrentPage) {
    case PAGE_USER:
      // The fields hold at most 79 bytes (see InitPage); longer input is cut
      // at a character, as a name may be.
      GetWindowTextA(Control(IDC_USER_NAME), State.UserName, sizeof State.UserName);
      GetWindowTextA(Control(IDC_USER_COMPANY), State.UserCompany, sizeof State.UserCompany);
      StripControlCharacters(State.UserName);
      StripControlCharacters(State.UserCompany);
      return 1;
    case PAGE_FOLDER:
    case PAGE_SIMPLE:
      if (!TakeFolderField()) return 0;
      return forwards ? CheckInstallFolder() : 1;
    case PAGE_CONFIRM:
      return CheckDiskSpace(forwards ? 0 : 1);
    default:
      return 1;
  }
}

static void EndPage(HWND page)
{
  DestroyWindow(page);
  State.CurrentDialog = nullptr;
}

static void Back(HWND page)
{
  if (State.PageHistoryLength <= 1) {
    MessageBeep(0);
    return;
  }
  if (!Validate(false)) return;
  State.PageHistoryLength -= 2;
  State.CurrentPage = State.PageHistory[State.PageHistoryLength] - 1;
  EndPage(page);
}

static void RestoreDefaultFolder(bool selectAll)
{
  lstrcpyA(State.InstallFolder, State.DefaultFolder);
  HWND field = Control(IDC_FOLDER);
  ShowFolder(field, State.InstallFolder);
  if (selectAll) SendMessageA(field, EM_SETSEL, 0, -1);
  SetFocus(field);
}

static void Command(HWND page, int id)
{
  switch (id) {
    case IDC_NEXT:
      if (Validate(true)) EndPage(page);
      break;
    case IDC_CANCEL_PAGE:
      ConfirmCancel(page);
      break;
    case IDC_BACK:
      if (State.CurrentPage >= PAGE_USER && State.CurrentPage <= PAGE_CONFIRM) Back(page);
      break;
    case IDC_BROWSE:
      if (!IsFolderPage() || !TakeFolderField()) break;
      if (BrowseForFolder(page, "インストール先フォルダ選択", State.InstallFolder))
        SetWindowTextA(Control(IDC_FOLDER), State.InstallFolder);
      break;
    case IDC_DEFAULT:
      if (IsFolderPage()) RestoreDefaultFolder(false);
      break;
    case IDCANCEL:  // the Esc key
      if (IsFolderPage()) RestoreDefaultFolder(true);
      break;
  }
}

static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_INITDIALOG:
      InitPage(page);
      return FALSE;
    case WM_COMMAND:
      Command(page, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      ConfirmCancel(page);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if ((State.CurrentPage == PAGE_FOLDER || State.CurrentPage == PAGE_CONFIRM) &&
          reinterpret_cast<HWND>(lParam) == Control(IDC_PRODUCT_NAME)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, PRODUCT_NAME_COLOUR);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
      }
      return 0;
  }
  return FALSE;
}

static bool PageEnabled(int page)
{
  if (page == PAGE_AGREEMENT) return (State.PayloadFlags & PF_AGREEMENT_PAGE) != 0;
  if (page == PAGE_USER) return (State.PayloadFlags & PF_USER_PAGE) != 0;
  return true;
}

static void ShowPage()
{
  char name[16];
  wsprintfA(name, "page%d", State.CurrentPage);
  State.CurrentDialog = CreateDialogParamA(State.Module, name, State.MainWindow, PageProc, 0);
  if (State.CurrentDialog == nullptr) return;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(State.CurrentDialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (State.CurrentDialog == nullptr) break;
  }
}

int RunWizard()
{
  State.PageHistoryLength = 0;
  State.CurrentPage = PAGE_AGREEMENT;
  do {
    if (PageEnabled(State.CurrentPage) && State.PageHistoryLength < 4) {
      State.PageHistory[State.PageHistoryLength++] = State.CurrentPage;
      if (State.PayloadFlags & PF_SIMPLE_MODE) State.CurrentPage = PAGE_SIMPLE;
      ShowPage();
    }
    ++State.CurrentPage;
  } while (State.CurrentPage <= PAGE_CONFIRM);
  FreeAgreement();
  return State.CurrentPage == PAGE_CANCELLED + 1 ? 0 : 1;
}

int TakeWizardProposals()
{
  const bool simple = (State.PayloadFlags & PF_SIMPLE_MODE) != 0;
  // The agreement counts as accepted by whoever runs the command; it is
  // read through all the same, since the default folder follows it.
  if (!simple && PageEnabled(PAGE_AGREEMENT)) {
    LoadAgreement();
    FreeAgreement();
  }
  if (!simple && PageEnabled(PAGE_USER)) ReadUserDefaults();
  State.CurrentPage = simple ? PAGE_SIMPLE : PAGE_FOLDER;
  ReadDefaultFolder();
  if (!CheckInstallFolder()) return 0;
  if (simple) return 1;
  State.CurrentPage = PAGE_CONFIRM;
  ShowRequiredSize();
  DestinationSpace(nullptr);
  if (CheckDiskSpace(0)) return 1;
  // As Back from the confirmation page: a folder the check created goes.
  CheckDiskSpace(1);
  return 0;
}
