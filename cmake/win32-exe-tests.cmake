# The shipped 32-bit kinemo-host.exe, checked from its bytes: nothing 32-bit
# runs here. Beside the DLL the native build already tests.
find_package(Python3 COMPONENTS Interpreter)
get_filename_component(KINEMO_WIN32_DIR ${KINEMO_DLL} DIRECTORY)
if(Python3_FOUND AND NOT KINEMO_FUZZ)
  add_test(NAME win32_exe_static
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32_exe_check.py ${KINEMO_WIN32_DIR}/kinemo-host.exe
            --machine-path ${CMAKE_SOURCE_DIR} --machine-path ${KINEMO_WIN32_DIR})
endif()
