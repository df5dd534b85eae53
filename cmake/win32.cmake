# kinemo.qlm: the 32-bit Windows DLL the host loads.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 1252")

# ORVEX32 is called through our own trampoline.
add_library(kinemo SHARED ${MODULE_SOURCES} ${RC_SOURCES} ${CMAKE_SOURCE_DIR}/src/platform/orvex_calls.cpp
  ${CMAKE_SOURCE_DIR}/src/host/kinemo.def)
set_target_properties(kinemo PROPERTIES PREFIX "" OUTPUT_NAME kinemo SUFFIX ".qlm")
target_include_directories(kinemo PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_include_directories(kinemo PRIVATE ${CMAKE_SOURCE_DIR}/res ${KINEMO_GENERATED})
target_sources(kinemo PRIVATE ${KINEMO_EVENT_CODES} ${KINEMO_STRINGS_CHECKED})
set_source_files_properties(${RC_SOURCES} PROPERTIES OBJECT_DEPENDS ${KINEMO_EVENT_CODES})
# Reproducible: no path of the build machine in the image (__FILE__ included),
# no time stamp in the PE header.
target_compile_options(kinemo PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>)
target_compile_options(kinemo PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-O2 -msse2 -mfpmath=sse -fno-exceptions -fno-rtti -fno-math-errno
  -fno-builtin-sin -fno-builtin-cos -fno-builtin-atan2 -fno-asynchronous-unwind-tables>)
# No CRT start-up: the entry point is our own DllMain, so the DLL imports
# only what the code calls. Tables must be constant-initialised.
target_link_options(kinemo PRIVATE -nostartfiles -Wl,-e,_DllMain@12 -static-libgcc -static-libstdc++ -s
  -Wl,--no-insert-timestamp)
target_link_libraries(kinemo PRIVATE msvcrt kernel32 user32)

# ORVEX32 is imported by ordinal only, through an import library made from a
# .def that is generated from the ordinals' one list in orvex32.h.
set(ORVEX_HEADER ${CMAKE_SOURCE_DIR}/src/platform/orvex32.h)
set(ORVEX_DEF ${CMAKE_BINARY_DIR}/orvex32.def)
set(ORVEX_LIB ${CMAKE_BINARY_DIR}/liborvex32.a)
add_custom_command(OUTPUT ${ORVEX_DEF}
  COMMAND ${CMAKE_COMMAND} -DHEADER=${ORVEX_HEADER} -DOUT=${ORVEX_DEF} -P ${CMAKE_SOURCE_DIR}/cmake/orvex_def.cmake
  DEPENDS ${ORVEX_HEADER} ${CMAKE_SOURCE_DIR}/cmake/orvex_def.cmake VERBATIM)
add_custom_command(OUTPUT ${ORVEX_LIB}
  COMMAND ${CMAKE_DLLTOOL} -k -d ${ORVEX_DEF} -l ${ORVEX_LIB}
  DEPENDS ${ORVEX_DEF} VERBATIM)
add_custom_target(orvex32_implib DEPENDS ${ORVEX_LIB})
add_dependencies(kinemo orvex32_implib)
target_link_libraries(kinemo PRIVATE ${ORVEX_LIB})

# kinemo-host.exe for 32-bit Windows, which ships beside the DLL: every
# command, with the module linked in and, through --module, kinemo.qlm loaded
# by LoadLibraryA. The linked-in module uses the real USER32, KERNEL32 and
# msvcrt's maths; only ORVEX32, the host's own library, comes from the
# stand-ins, linked in too: the exe needs nothing beside it.
#
# The numerics are the DLL's (SSE2, no contraction, sin/cos/atan2 imported
# from msvcrt.dll); exceptions stay on, as the stand-ins report a failing
# image operation with one. Nothing of the toolchain is a DLL (-static), the
# image runs on Windows 7 (subsystem and OS version 6.1, written here rather
# than left to the linker's default), and it is reproducible: no path of this
# machine (-ffile-prefix-map, stripped) and no time stamp.
set(KINEMO_EXE_COMPILE_OPTIONS $<$<COMPILE_LANGUAGE:CXX>:-O2 -msse2 -mfpmath=sse -fno-math-errno
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>)
set(KINEMO_EXE_WINDOWS_VERSION 6.1)

add_library(kinemo_module STATIC ${MODULE_SOURCES})
target_include_directories(kinemo_module PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(kinemo_module PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-builtin-sin -fno-builtin-cos -fno-builtin-atan2>)
target_link_libraries(kinemo_module PUBLIC kinemo_orvex msvcrt user32 kernel32)

include(${CMAKE_SOURCE_DIR}/cmake/windows_standins.cmake)
kinemo_windows_orvex(STATIC)

kinemo_folder_sources(TOOLS_SOURCES tools/driver)
add_library(kinemo_tools STATIC ${TOOLS_SOURCES})
target_include_directories(kinemo_tools PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kinemo_tools PUBLIC kinemo_module)

include(${CMAKE_SOURCE_DIR}/cmake/kinemo_host_library.cmake)
# The module's resources, and the program's manifest: run as the user who
# started it, never elevated or with its files redirected.
set(KINEMO_EXE_MANIFEST_RC ${CMAKE_SOURCE_DIR}/tools/kinemo-host/windows_manifest.rc)
set_source_files_properties(${KINEMO_EXE_MANIFEST_RC} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/tools/kinemo-host/kinemo-host.exe.manifest)
add_executable(kinemo-host ${HOST_EXE_SOURCES} ${RC_SOURCES} ${KINEMO_EXE_MANIFEST_RC})
target_include_directories(kinemo-host PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/src ${KINEMO_GENERATED}
  ${CMAKE_SOURCE_DIR}/tools/kinemo-host)
target_link_libraries(kinemo-host PRIVATE kinemo_host)
target_link_options(kinemo-host PRIVATE -static -s -Wl,--no-insert-timestamp
  -Wl,--subsystem,console:${KINEMO_EXE_WINDOWS_VERSION}
  -Wl,--major-os-version,6 -Wl,--minor-os-version,1)
# kinemo.rc names events by the codes generated from the event lists.
add_custom_target(kinemo_host_event_resources DEPENDS ${KINEMO_EVENT_CODES} ${KINEMO_STRINGS_CHECKED})
add_dependencies(kinemo-host kinemo_host_event_resources)
foreach(target kinemo_module kinemo_orvex kinemo_tools kinemo_validate kinemo_host kinemo-host)
  target_compile_options(${target} PRIVATE ${KINEMO_EXE_COMPILE_OPTIONS})
endforeach()
