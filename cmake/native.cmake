# The same module code for this machine, with tests, tools and benchmarks.
find_package(GTest REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(UNICORN REQUIRED IMPORTED_TARGET unicorn)
find_package(benchmark QUIET)

set(KINEMO_DLL "${CMAKE_SOURCE_DIR}/build/win32/kinemo.qlm" CACHE FILEPATH "The win32 build of the module")

include(${CMAKE_SOURCE_DIR}/cmake/embedded_resources.cmake)

# The Windows and ORVEX32 operations the module calls, served off Windows,
# with the module's own resources embedded. The emulated host serves the
# DLL's imports through them too.
kinemo_folder_sources(STANDIN_SOURCES tools/standins)
add_library(kinemo_standins STATIC ${STANDIN_SOURCES} ${KINEMO_RES_CPP})
target_include_directories(kinemo_standins PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)

# The module's code for this machine, with the native half of the host references.
add_library(kinemo_module STATIC ${MODULE_SOURCES} ${CMAKE_SOURCE_DIR}/src/platform/host_ref_native.cpp)
target_include_directories(kinemo_module PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(kinemo_module PRIVATE -fno-math-errno)
target_link_libraries(kinemo_module PUBLIC kinemo_standins)

# Drivers, the emulated host and the PE reader: one folder each.
kinemo_folder_sources(TOOLS_SOURCES tools/pe tools/driver tools/emu)
# The emulator's stand-ins for functions inside libunicorn must be defined in
# each executable itself: an object on every link line that uses the
# emulator, never an archive member the linker may leave out.
set(STORE_PATH_SOURCE ${CMAKE_SOURCE_DIR}/tools/emu/unicorn_store_path.cpp)
list(REMOVE_ITEM TOOLS_SOURCES ${STORE_PATH_SOURCE})
add_library(kinemo_store_path OBJECT ${STORE_PATH_SOURCE})
target_include_directories(kinemo_store_path PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(kinemo_store_path PRIVATE PkgConfig::UNICORN)
add_library(kinemo_tools STATIC ${TOOLS_SOURCES})
target_include_directories(kinemo_tools PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(kinemo_tools PUBLIC KINEMO_DLL_PATH="${KINEMO_DLL}")
target_link_libraries(kinemo_tools PUBLIC kinemo_module PkgConfig::UNICORN INTERFACE $<TARGET_OBJECTS:kinemo_store_path>)


include(${CMAKE_SOURCE_DIR}/cmake/kinemo_host_library.cmake)
add_executable(kinemo-host ${HOST_EXE_SOURCES})
target_link_libraries(kinemo-host PRIVATE kinemo_host)

enable_testing()
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_executable(kinemo_tests ${TEST_SOURCES})
target_include_directories(kinemo_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(kinemo_tests PRIVATE KINEMO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(kinemo_tests PRIVATE kinemo_tools GTest::gtest GTest::gtest_main)
if(TARGET kinemo_host)
  target_link_libraries(kinemo_tests PRIVATE kinemo_host)
endif()
add_test(NAME kinemo_tests COMMAND kinemo_tests)

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(BENCH_SOURCES AND benchmark_FOUND)
  add_executable(kinemo_bench ${BENCH_SOURCES})
  target_link_libraries(kinemo_bench PRIVATE kinemo_tools benchmark::benchmark)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/extra-tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/cmake/wasm-tests.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/cmake/win32-exe-tests.cmake OPTIONAL)
