// Control identifiers of the dialog templates, shared by the resource
// script and the code that addresses the controls.
#pragma once

// Wizard pages
#define IDC_NEXT         1000  // "同意する", "次へ(&N)>" or "実行"
#define IDC_CANCEL_PAGE  1001  // "中止"
#define IDC_BACK         1002  // "<戻る(&B)" (pages 2-4)
#define IDC_AGREEMENT    1002  // the agreement text box (page 1)
#define IDC_USER_NAME    1003  // page 2
#define IDC_PRODUCT_NAME 1003  // pages 3 and 4, drawn in blue
#define IDC_USER_COMPANY 1004  // page 2
#define IDC_FOLDER       1004  // pages 3, 4 and 9
#define IDC_BROWSE       1005  // "参照..." (pages 3 and 9)
#define IDC_REQUIRED     1005  // the required size (page 4)
#define IDC_DEFAULT      1006  // "標準に戻す" (pages 3 and 9)
#define IDC_FREE         1006  // the free space (page 4)

// Progress dialog
#define IDC_CATEGORY     1000
#define IDC_OVERALL_BAR  1001
#define IDC_ITEM_NAME    1002
#define IDC_ITEM_BAR     1003
#define IDC_STOP         1004

// Completion dialog
#define IDC_README_NAME  1000
#define IDC_SHOW_README  1001
#define IDC_DONE         1002
