#!/usr/bin/env bash
# The programs' import tables name only the system's known DLLs, which
# Windows never takes from the program's folder, and each program is marked
# terminal-server aware (DllCharacteristics 0x8000).
# usage: imports_test.sh OBJDUMP PROGRAM... [OBJDUMP PROGRAM...]...
set -u
known=" ADVAPI32.dll GDI32.dll KERNEL32.dll msvcrt.dll ole32.dll SHELL32.dll USER32.dll "
objdump= failed=0
for argument in "$@"; do
  case "$argument" in *objdump) objdump=$argument; continue ;; esac
  [ -f "$argument" ] || { echo "FAIL: no $argument"; failed=1; continue; }
  for dll in $("$objdump" -p "$argument" | sed -n 's/^\s*DLL Name: //p'); do
    case "$known" in *" $dll "*) ;; *) echo "FAIL: $argument imports $dll"; failed=1 ;; esac
  done
  flags=$("$objdump" -p "$argument" | sed -n 's/^DllCharacteristics\s*//p')
  (( 0x${flags:-0} & 0x8000 )) || { echo "FAIL: $argument is not terminal-server aware"; failed=1; }
done
exit "$failed"
