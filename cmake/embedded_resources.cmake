# The module's resources for builds that serve them from the stand-ins: the
# same .rc compiled to a .res by windres (after the string check), embedded as
# bytes in KINEMO_RES_CPP.
set(KINEMO_RES ${CMAKE_BINARY_DIR}/kinemo.res)
set(KINEMO_RES_CPP ${CMAKE_BINARY_DIR}/kinemo_res.cpp)
file(GLOB RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
add_custom_command(OUTPUT ${KINEMO_RES}
  COMMAND i686-w64-mingw32-windres -c 1252 -I ${CMAKE_SOURCE_DIR}/res -I ${CMAKE_SOURCE_DIR}/src
          -I ${KINEMO_GENERATED} -O res -o ${KINEMO_RES} ${RC_SOURCES}
  DEPENDS ${RES_INPUTS} ${KINEMO_STRINGS_CHECKED} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/res VERBATIM)
add_custom_command(OUTPUT ${KINEMO_RES_CPP}
  COMMAND ${CMAKE_COMMAND} -DIN=${KINEMO_RES} -DOUT=${KINEMO_RES_CPP} -DNAME=kinemoResBytes
          -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS ${KINEMO_RES} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake VERBATIM)
