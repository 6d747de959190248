# The engine for 32-bit Windows: the engine library, setup.exe, and the
# test programs that run under Wine.
enable_language(RC)

# Both Windows builds (i686 and x86-64) stay free of warnings.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wall> $<$<COMPILE_LANGUAGE:CXX>:-Wextra> $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
# No link time in the images' headers: two checkouts of one commit build the
# same engine and uninstaller, and so the same setups.
add_link_options(-Wl,--no-insert-timestamp)

set(ENGINE_FLAGS ${SJIS_FLAGS} -fno-exceptions -fno-rtti -Wall -Wextra
    -ffunction-sections)
# For a small i686 image: no unwind tables (nothing in the engine throws or
# unwinds), the smallest code, data aligned as the ABI asks (GCC would put
# every array of 32 bytes or more, each longer message among them, on a
# 32-byte boundary), no stack realignment, and no frame pointer (which this
# target keeps by default). On x86-64 Windows the unwind data is
# part of the calling convention, so that build keeps it.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  list(APPEND ENGINE_FLAGS -fno-asynchronous-unwind-tables -fno-unwind-tables -Oz -fno-ident -malign-data=abi
       -mpreferred-stack-boundary=2 -fomit-frame-pointer)
  # Arguments pushed rather than stored into a reserved area below each
  # frame: a 2-byte "push 0" where "movl $0,8(%esp)" takes 5, about 6.7 KB
  # of code in all. GCC reserves that area only for the stack probe, which
  # Windows targets turn on; the engine needs none: no frame reaches the
  # 4,000 bytes at which GCC would probe (and each push touches the stack
  # next to the last). These warnings, errors here, keep it so: a larger
  # frame, or one sized at run time, could step over the guard page below
  # the stack instead of growing it.
  list(APPEND ENGINE_FLAGS -mno-stack-arg-probe -mno-accumulate-outgoing-args -Wframe-larger-than=3999 -Wvla
       -Walloca)
endif()

# Every program lands in one folder, so tests find setup.exe beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_library(portable STATIC)
add_library(engine STATIC)
foreach(lib portable engine)
  target_include_directories(${lib} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${lib} PRIVATE ${ENGINE_FLAGS})
endforeach()
set(ENGINE_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX)
# msvcrt last: setup.exe links no default libraries (setup/), and nothing of
# libgcc (it divides no 64-bit numbers, so that no division routine comes in).
set(ENGINE_LIBRARIES portable user32 gdi32 shell32 ole32 advapi32 kernel32 msvcrt)
target_compile_definitions(engine PUBLIC ${ENGINE_DEFINITIONS})
target_link_libraries(engine PUBLIC ${ENGINE_LIBRARIES})

add_subdirectory(app)
add_subdirectory(payload)
add_subdirectory(ui)
add_subdirectory(install)
add_subdirectory(uninstall)
add_subdirectory(setup)

# setup.exe is compiled as one unit of every engine source it calls (the
# uninstaller's own are left out) and optimised as a whole program: a
# function called once goes inline and its body away. This makes the image
# about 2.5 KB smaller than linking the libraries the tests use. The whole
# program drops what it does not call itself, so its functions need no
# section each: in one section they are not each padded to the section's
# alignment (0.25 KB of the i686 image's code).
get_target_property(engine_sources engine SOURCES)
get_target_property(portable_sources portable SOURCES)
list(FILTER portable_sources EXCLUDE REGEX "/uninstall/")
target_sources(setup PRIVATE ${engine_sources} ${portable_sources})
set_target_properties(setup PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
target_compile_options(setup PRIVATE -fwhole-program -fno-function-sections)
# On i686 a call through the import table, "call *[__imp_F]", names an
# absolute address, so each call site needs a relocation. Without the
# dllimport mark (DECLSPEC_IMPORT for the system's functions, _CRTIMP for
# msvcrt's) every call goes to the import library's one "jmp *[__imp_F]"
# stub, and only the stub is relocated: the relocations shrink by 0.9 KB and
# the code grows by 0.3 KB. On x86-64 such calls are relative to the
# instruction and need no relocation; there the stubs would only add code.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_compile_definitions(setup PRIVATE DECLSPEC_IMPORT= _CRTIMP=)
endif()

# The test programs build where this architecture is the one under test
# (the host build says which); the other build makes only the product and
# the harness's own programs.
option(SETUP_WINDOWS_TESTS "Build the test programs that run under Wine" ON)
add_subdirectory(tests)
add_subdirectory(tools)
add_subdirectory(tools/bench)
add_subdirectory(examples/sample/programs)

# windres writes no list of the files a script takes in, so every program
# built from a script names them here: an edited manifest, icon or
# identifier header rebuilds its resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc
  DIRECTORY ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/setup ${CMAKE_SOURCE_DIR}/tests
  PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/setup.manifest;${CMAKE_SOURCE_DIR}/resources/setup.ico;${CMAKE_SOURCE_DIR}/resources/dialogs.h")
set_source_files_properties(${CMAKE_SOURCE_DIR}/uninstall/uninstall.rc
  DIRECTORY ${CMAKE_SOURCE_DIR}/uninstall
  PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/setup.manifest;${CMAKE_SOURCE_DIR}/resources/setup.ico;${CMAKE_SOURCE_DIR}/resources/identity.h;${CMAKE_SOURCE_DIR}/uninstall/uninstall_dialog.h")
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/support/uninstaller/recorder.rc
  DIRECTORY ${CMAKE_SOURCE_DIR}/tests
  PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/identity.h")

# The install benchmark's engine: the same sources with the phase clock,
# which reports where the install steps' time goes. Built on request only.
get_target_property(engine_sources engine SOURCES)
add_library(engine_phases STATIC EXCLUDE_FROM_ALL ${engine_sources} ${CMAKE_SOURCE_DIR}/app/phase_clock.cpp)
target_include_directories(engine_phases PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(engine_phases PRIVATE ${ENGINE_FLAGS})
target_compile_definitions(engine_phases PUBLIC SETUP_PHASE_CLOCK ${ENGINE_DEFINITIONS})
target_link_libraries(engine_phases PUBLIC ${ENGINE_LIBRARIES})
get_target_property(setup_options setup LINK_OPTIONS)
add_executable(setup_phases WIN32 EXCLUDE_FROM_ALL ${SETUP_SOURCES})
target_include_directories(setup_phases PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(setup_phases PRIVATE ${ENGINE_FLAGS})
target_link_libraries(setup_phases PRIVATE engine_phases)
target_link_options(setup_phases PRIVATE ${setup_options})
