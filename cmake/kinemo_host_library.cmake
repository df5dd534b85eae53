# The validator's checks, for kinemo-host's validate command, the tests and
# the fuzzers; every build has its kinemo_tools (the drivers) first.
kinemo_folder_sources(VALIDATE_SOURCES tools/validate)
add_library(kinemo_validate STATIC ${VALIDATE_SOURCES})
target_link_libraries(kinemo_validate PUBLIC kinemo_tools)

# kinemo-host's library: all but main(), so that tests, fuzzers and the
# playground can parse and play scenes without the executable, with the replay
# page's script and style embedded at build time. HOST_EXE_SOURCES is main().
kinemo_folder_sources(HOST_SOURCES tools/kinemo-host)
set(HOST_EXE_SOURCES ${CMAKE_SOURCE_DIR}/tools/kinemo-host/main.cpp)
set(HOST_LIB_SOURCES ${HOST_SOURCES})
list(REMOVE_ITEM HOST_LIB_SOURCES ${HOST_EXE_SOURCES})
foreach(asset Js Css)
  string(TOLOWER ${asset} ext)
  set(asset_cpp ${CMAKE_BINARY_DIR}/replay_${ext}.cpp)
  add_custom_command(OUTPUT ${asset_cpp}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/tools/kinemo-host/replay.${ext} -DOUT=${asset_cpp}
            -DNAME=kinemoReplay${asset} -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/kinemo-host/replay.${ext} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake VERBATIM)
  list(APPEND HOST_LIB_SOURCES ${asset_cpp})
endforeach()
add_library(kinemo_host STATIC ${HOST_LIB_SOURCES})
target_link_libraries(kinemo_host PUBLIC kinemo_validate)
