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
