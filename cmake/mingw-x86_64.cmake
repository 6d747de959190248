# Cross toolchain for the engine and its tests on hosts without 32-bit
# programs: 64-bit Windows.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
