// Control ids of the uninstaller's progress window.
#pragma once

#define IDC_UNINSTALL_PRODUCT 1000
#define IDC_UNINSTALL_ITEM    1001
#define IDC_UNINSTALL_BAR     1002
