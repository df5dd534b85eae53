# Tests of the WebAssembly build, run from the native build's ctest: the
# native kinemo-host is the reference. `make test` builds build/wasm first.
set(KINEMO_WASM_DIR "${CMAKE_SOURCE_DIR}/build/wasm" CACHE PATH "The WebAssembly build")
find_program(NODE_PROGRAM node)
find_package(Python3 COMPONENTS Interpreter)
if(TARGET kinemo-host AND NODE_PROGRAM AND Python3_FOUND AND NOT KINEMO_FUZZ AND NOT KINEMO_SANITIZE)
  # The same bytes and files in every case that loads no module file, and in 300 random scenes.
  add_test(NAME wasm_differential
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/host_differential.py
            $<TARGET_FILE:kinemo-host> ${CMAKE_SOURCE_DIR} --wasm ${KINEMO_WASM_DIR}/kinemo-host.js --random 300)
  # About a minute on two idle cores; node's start dominates. A busy machine takes many times that.
  set_tests_properties(wasm_differential PROPERTIES TIMEOUT 3600)
endif()

# The playground page (make playground) in headless Chromium against the native tool.
set(KINEMO_PLAYGROUND "${CMAKE_SOURCE_DIR}/build/playground.html" CACHE FILEPATH "The playground page")
if(TARGET kinemo-host AND Python3_FOUND AND NOT KINEMO_FUZZ AND NOT KINEMO_SANITIZE)
  add_test(NAME playground_chromium
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/playground_test.py
            $<TARGET_FILE:kinemo-host> ${KINEMO_PLAYGROUND} ${CMAKE_SOURCE_DIR})
  add_test(NAME replay_view_chromium
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/replay_view_test.py $<TARGET_FILE:kinemo-host>)
  # Without Chromium they report a skip, as the replay page's gtests do.
  set_tests_properties(playground_chromium replay_view_chromium PROPERTIES SKIP_RETURN_CODE 77)
endif()
