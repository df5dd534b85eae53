# The module and kinemo-host's scene player compiled to WebAssembly with
# emscripten: build/wasm/kinemo-host.js for node (same commands, same bytes as
# the native tool) and kinemo-playground.js, the module the playground page
# runs. No emulated host here: wasm32 cannot run the DLL.
#
# Configure with emscripten's toolchain file and NODE_PATH=/usr/share/nodejs
# (its optimizer needs Debian's acorn); see the Makefile's wasm target.

# C++ exceptions are part of the tool's error handling; both compile and link need
# them. No vectorizing, as natively. The library lacks std::bit_cast: see the compat header.
add_compile_options(-fexceptions -O2 -fno-vectorize -fno-slp-vectorize
  "SHELL:-include ${CMAKE_SOURCE_DIR}/tools/wasm/libcxx_compat.h")
add_link_options(-fexceptions -O2 -sALLOW_MEMORY_GROWTH=1)

include(${CMAKE_SOURCE_DIR}/cmake/embedded_resources.cmake)

kinemo_folder_sources(STANDIN_SOURCES tools/standins)
add_library(kinemo_standins STATIC ${STANDIN_SOURCES} ${KINEMO_RES_CPP})
target_include_directories(kinemo_standins PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)

# Pointers are 32 bits here, so host references are the addresses themselves
# (src/platform/host_ref.h): no reference table.
add_library(kinemo_module STATIC ${MODULE_SOURCES})
target_include_directories(kinemo_module PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(kinemo_module PRIVATE -fno-math-errno)
target_link_libraries(kinemo_module PUBLIC kinemo_standins)

# The driver and the PE reader; a module file is refused by this build's own opener.
kinemo_folder_sources(TOOLS_SOURCES tools/pe tools/driver tools/wasm)
add_library(kinemo_tools STATIC ${TOOLS_SOURCES})
target_include_directories(kinemo_tools PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kinemo_tools PUBLIC kinemo_module)

include(${CMAKE_SOURCE_DIR}/cmake/kinemo_host_library.cmake)

# node build/wasm/kinemo-host.js ...: the host's file system as it is, and the
# exit status of main() as the process's.
add_executable(kinemo-host ${HOST_EXE_SOURCES})
target_link_libraries(kinemo-host PRIVATE kinemo_host)
set_target_properties(kinemo-host PROPERTIES SUFFIX ".js")
target_link_options(kinemo-host PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)

# The playground's module: a few C entry points, loaded by the page (and by node in tests).
file(GLOB PLAYGROUND_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/playground/*.cpp)
if(PLAYGROUND_SOURCES)
  add_executable(kinemo-playground ${PLAYGROUND_SOURCES})
  target_link_libraries(kinemo-playground PRIVATE kinemo_host)
  set_target_properties(kinemo-playground PROPERTIES SUFFIX ".js")
  # The page embeds the .wasm itself and hands it over as wasmBinary: a data:
  # URL would be fetched, which the page's Content-Security-Policy forbids.
  target_link_options(kinemo-playground PRIVATE -sENVIRONMENT=web,node -sMODULARIZE=1 -sEXPORT_NAME=KinemoWasm
    "-sEXPORTED_FUNCTIONS=_main,_malloc,_free,_kinemoPlay,_kinemoOutput,_kinemoDescriptors"
    "-sEXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8,lengthBytesUTF8")
endif()
