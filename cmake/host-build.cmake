# The host build: portable code with sanitizers, its native tests, fuzzers
# (with clang), the host tools, and the Windows sub-build. The release
# preset (CMakePresets.json) builds only what is installed and packaged:
# mksetup without sanitizers and the i686 engine it ships.
option(SETUP_SANITIZE "Build the portable code and its tests with ASan and UBSan" ON)
option(SETUP_TESTS "Build the tests, fuzzers and benchmarks, and the x86-64 engine they check" ON)
if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# SETUP_ENGINE_ARCH names the Windows build (below) whose programs run under
# Wine in CTest; the scripts choose it by what this host can run.
set(SETUP_ENGINE_ARCH i686 CACHE STRING "Windows build whose tests run under Wine: i686 or x86_64")
set_property(CACHE SETUP_ENGINE_ARCH PROPERTY STRINGS i686 x86_64)
if(NOT SETUP_ENGINE_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "SETUP_ENGINE_ARCH must be i686 or x86_64, not ${SETUP_ENGINE_ARCH}")
endif()
set(WINDOWS_DIR_i686 ${CMAKE_BINARY_DIR}/windows)
set(WINDOWS_DIR_x86_64 ${CMAKE_BINARY_DIR}/windows-x86_64)
set(WINDOWS_TARGET_i686 windows)
set(WINDOWS_TARGET_x86_64 windows_x86_64)
# The Windows programs of the build under test, for the scenarios and tests.
set(TESTED_WINDOWS_BIN ${WINDOWS_DIR_${SETUP_ENGINE_ARCH}}/bin)
set(TESTED_WINDOWS_TARGET ${WINDOWS_TARGET_${SETUP_ENGINE_ARCH}})

add_library(portable STATIC)
target_include_directories(portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(portable PRIVATE ${SJIS_FLAGS} -Wall -Wextra)

add_subdirectory(app)
add_subdirectory(payload)
add_subdirectory(ui)
add_subdirectory(install)
add_subdirectory(uninstall)
add_subdirectory(tools)
if(SETUP_TESTS)
  add_subdirectory(tests)
  add_subdirectory(tests/fuzz)
  add_subdirectory(tools/bench)
endif()

# The Windows sub-builds: same sources, cross toolchains, build folders of
# their own. Both architectures build every time, so that a change that
# breaks either fails at once; the i686 engine is the one the builder ships.
# Only the build under test makes the test programs; without the tests,
# only the shipped i686 build is made.
include(ExternalProject)
foreach(arch i686 x86_64)
  set(tests_${arch} OFF)
endforeach()
set(windows_archs i686)
if(SETUP_TESTS)
  set(tests_${SETUP_ENGINE_ARCH} ON)
  list(APPEND windows_archs x86_64)
endif()
foreach(arch ${windows_archs})
  set(dir ${WINDOWS_DIR_${arch}})
  ExternalProject_Add(${WINDOWS_TARGET_${arch}}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${dir}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${arch}.cmake
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DSETUP_WINDOWS_TESTS=${tests_${arch}}
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS
      ${dir}/bin/setup.exe
      ${dir}/bin/uninstaller.exe
      ${dir}/bin/recorder_uninstaller.exe
      ${dir}/bin/viewer.exe
      ${dir}/bin/samplelib.dll
    INSTALL_COMMAND "")
endforeach()
if(SETUP_TESTS)
  # The x86-64 sub-build waits for the i686 one: two compilers at once on a
  # small machine only slow each other.
  add_dependencies(windows_x86_64 windows)
  file(WRITE ${CMAKE_BINARY_DIR}/windows-tests.cmake "subdirs(\"${WINDOWS_DIR_${SETUP_ENGINE_ARCH}}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows-tests.cmake)
endif()
