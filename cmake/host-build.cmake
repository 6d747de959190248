# The host build: portable code with sanitizers, its native tests, fuzzers
# (with clang), the host tools, and the Windows sub-build.
option(SETUP_SANITIZE "Build the portable code and its tests with ASan and UBSan" ON)
if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(portable STATIC)
target_include_directories(portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(portable PRIVATE ${SJIS_FLAGS} -Wall -Wextra)

add_subdirectory(app)
add_subdirectory(payload)
add_subdirectory(ui)
add_subdirectory(install)
add_subdirectory(tools)
add_subdirectory(tests)
add_subdirectory(tests/fuzz)
add_subdirectory(tools/bench)

# The Windows sub-build: same sources, cross toolchain, its own build folder.
include(ExternalProject)
ExternalProject_Add(windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/windows
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS
    ${CMAKE_BINARY_DIR}/windows/bin/setup.exe
    ${CMAKE_BINARY_DIR}/windows/bin/recorder_uninstaller.exe
    ${CMAKE_BINARY_DIR}/windows/bin/viewer.exe
    ${CMAKE_BINARY_DIR}/windows/bin/samplelib.dll
  INSTALL_COMMAND "")
file(WRITE ${CMAKE_BINARY_DIR}/windows-tests.cmake "subdirs(\"${CMAKE_BINARY_DIR}/windows\")\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows-tests.cmake)
