# The module for 64-bit Windows, tested under Wine: the same module source
# with its real Windows half (USER32, KERNEL32, msvcrt's maths) and its
# resources compiled into the image. Only ORVEX32, which has no 64-bit form,
# comes from the stand-ins. Nothing here ships.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 1252")

set(KINEMO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of this build's test runs")
set(KINEMO_NATIVE_HOST "${CMAKE_SOURCE_DIR}/build/native/kinemo-host" CACHE FILEPATH "The native kinemo-host, to compare against")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})

# ORVEX32 and the stand-ins record module handles in 32-bit words, as the
# 32-bit library takes them: every image is placed below 4 GiB.
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -Wl,--image-base=0x400000 -Wl,--disable-dynamicbase")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static -Wl,--disable-dynamicbase")
add_compile_options(-fno-math-errno)
# -O2 as the shipped DLL is built (GCC 12 at -O3 also warns falsely in std::string).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")

# GoogleTest from Debian's sources.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The module's code on the real Windows API, with the 64-bit half of the
# host references.
add_library(kinemo_module STATIC ${MODULE_SOURCES} ${CMAKE_SOURCE_DIR}/src/platform/host_ref_native.cpp)
target_include_directories(kinemo_module PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kinemo_module PUBLIC kinemo_orvex user32 kernel32)

# ORVEX32 from the stand-ins, with the inspection calls answered by Windows:
# a DLL of its own, as the library is, so that the module linked into a
# program and the module DLL loaded by it record into one place.
include(${CMAKE_SOURCE_DIR}/cmake/windows_standins.cmake)
kinemo_windows_orvex(SHARED)
set_target_properties(kinemo_orvex PROPERTIES PREFIX "" OUTPUT_NAME orvex64)
target_link_options(kinemo_orvex PRIVATE -Wl,--export-all-symbols -Wl,--exclude-libs,ALL -Wl,--image-base=0x20000000)

# The drivers: the module linked in, and a module file loaded with LoadLibraryA.
kinemo_folder_sources(TOOLS_SOURCES tools/driver)
add_library(kinemo_tools STATIC ${TOOLS_SOURCES})
target_include_directories(kinemo_tools PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(kinemo_tools PUBLIC KINEMO_DLL_PATH="${CMAKE_BINARY_DIR}/kinemo64.dll")
target_link_libraries(kinemo_tools PUBLIC kinemo_module)

include(${CMAKE_SOURCE_DIR}/cmake/kinemo_host_library.cmake)
add_executable(kinemo-host ${HOST_EXE_SOURCES} ${RC_SOURCES})
target_include_directories(kinemo-host PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kinemo-host PRIVATE kinemo_host)

# The module as an x86-64 DLL with its exports by ordinal: the loader's side
# under Wine. A test artifact; the 64-bit host references it needs are
# exported from a file of its own.
file(READ ${CMAKE_SOURCE_DIR}/src/host/kinemo.def KINEMO_DEF)
string(REGEX REPLACE "= *[A-Za-z0-9_]+@[0-9]+ *" "" KINEMO64_DEF "${KINEMO_DEF}")
string(REPLACE "kinemo.qlm" "kinemo64.dll" KINEMO64_DEF "${KINEMO64_DEF}")
string(APPEND KINEMO64_DEF "    kinemoHostRef @100\n    kinemoHostPtr @101\n")
file(WRITE ${CMAKE_BINARY_DIR}/kinemo64.def "${KINEMO64_DEF}")
add_library(kinemo64 SHARED ${MODULE_SOURCES} ${RC_SOURCES} ${CMAKE_SOURCE_DIR}/src/platform/host_ref_native.cpp
  ${CMAKE_SOURCE_DIR}/tools/driver/windows/dll_host_refs.cpp ${CMAKE_BINARY_DIR}/kinemo64.def)
set_target_properties(kinemo64 PROPERTIES PREFIX "" OUTPUT_NAME kinemo64)
target_link_options(kinemo64 PRIVATE -Wl,--image-base=0x10000000)
target_include_directories(kinemo64 PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(kinemo64 PRIVATE kinemo_orvex user32 kernel32)

# The loader's fixtures: a DLL that needs ORVEX32.dll and one that needs that
# DLL, in a folder without it, and a stand-in of that library in another.
add_library(support_standin SHARED ${CMAKE_SOURCE_DIR}/tests/wine_fixtures/support_library_standin.cpp
  ${CMAKE_SOURCE_DIR}/tests/wine_fixtures/support_library_standin.def)
set_target_properties(support_standin PROPERTIES PREFIX "" OUTPUT_NAME ORVEX32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures/host_folder)
add_library(needs_support SHARED ${CMAKE_SOURCE_DIR}/tests/wine_fixtures/needs_support_library.cpp)
set_target_properties(needs_support PROPERTIES PREFIX "" OUTPUT_NAME needs_orvex32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures/module_folder)
target_link_libraries(needs_support PRIVATE support_standin)
add_library(needs_dependent SHARED ${CMAKE_SOURCE_DIR}/tests/wine_fixtures/needs_dependent.cpp)
set_target_properties(needs_dependent PROPERTIES PREFIX "" OUTPUT_NAME needs_needs_orvex32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures/module_folder)
target_link_libraries(needs_dependent PRIVATE needs_support)
# A run ended from its console, for the test that it leaves no temporary.
add_executable(console_break ${CMAKE_SOURCE_DIR}/tests/wine_fixtures/console_break.cpp)
set_target_properties(console_break PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fixtures)

# Tests that need neither the emulator, the DLL file of win32, a POSIX
# process nor the stand-ins' insides.
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
list(FILTER TEST_SOURCES EXCLUDE REGEX "/tests/(emu_|dll_|pe_|differential|platform_menu|platform_resources|host_cli|host_html|validate_checks)[^/]*$")
list(FILTER TEST_SOURCES EXCLUDE REGEX "/tests/support/dll_file")
add_executable(kinemo_tests ${TEST_SOURCES} ${RC_SOURCES})
target_include_directories(kinemo_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(kinemo_tests PRIVATE KINEMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(kinemo_tests PRIVATE kinemo_host gtest gtest_main)
add_dependencies(kinemo_tests kinemo64)

enable_testing()
# What needs a window (the About box in the dialog manager) runs on a
# virtual display; the rest runs with none, where a window could not open.
set(WINDOW_TESTS "*AboutBox*:*Dialog*:*Validat*:PlatformConformance*")
add_test(NAME win64_suite COMMAND kinemo_tests --gtest_filter=-${WINDOW_TESTS})
add_test(NAME win64_windows COMMAND ${WINE_RUN} --display $<TARGET_FILE:kinemo_tests> --gtest_filter=${WINDOW_TESTS})
set_tests_properties(win64_suite win64_windows PROPERTIES TIMEOUT 300)

# kinemo-host under Wine: the event reference as committed, the validator,
# the command line against the native build's (every scene with the module
# linked in and as the DLL), and what only Windows does.
add_test(NAME win64_describe COMMAND ${CMAKE_COMMAND} -DWINE_RUN=${WINE_RUN} -DWIN64_HOST=$<TARGET_FILE:kinemo-host>
  -DEXPECTED=${CMAKE_SOURCE_DIR}/docs/events.md -DMODULE=${CMAKE_BINARY_DIR}/kinemo64.dll
  -P ${CMAKE_SOURCE_DIR}/cmake/win64-describe.cmake)
add_test(NAME win64_validate COMMAND ${WINE_RUN} --display $<TARGET_FILE:kinemo-host> validate)
add_test(NAME win64_validate_dll COMMAND ${WINE_RUN} --display $<TARGET_FILE:kinemo-host> validate --module ${CMAKE_BINARY_DIR}/kinemo64.dll)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME win64_differential COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/host_differential.py
  ${KINEMO_NATIVE_HOST} ${CMAKE_SOURCE_DIR} --wine ${WINE_RUN} $<TARGET_FILE:kinemo-host> ${CMAKE_BINARY_DIR}/kinemo64.dll)
# The 32-bit DLL's case runs when the win32 build has made it.
add_test(NAME win64_windows_cases COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine_windows_cases.py
  ${KINEMO_NATIVE_HOST} ${WINE_RUN} $<TARGET_FILE:kinemo-host> ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/build/win32/kinemo.qlm)
set_tests_properties(win64_describe win64_validate win64_validate_dll win64_differential win64_windows_cases
  PROPERTIES TIMEOUT 300)

# Every image here compiles kinemo.rc: the event codes it names come first,
# and its string table is checked against the event lists before any links.
add_custom_target(kinemo_event_resources DEPENDS ${KINEMO_EVENT_CODES} ${KINEMO_STRINGS_CHECKED})
foreach(target kinemo-host kinemo64 kinemo_tests)
  add_dependencies(${target} kinemo_event_resources)
  target_include_directories(${target} PRIVATE ${KINEMO_GENERATED})
endforeach()
