# Cross toolchain for the engine: 32-bit Windows.
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
