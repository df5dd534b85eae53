# Extras of the native build: sanitizers, fuzzers and the validator's tests.
#   -DKINEMO_SANITIZE=ON  AddressSanitizer + UndefinedBehaviorSanitizer on everything
#   -DKINEMO_FUZZ=ON      libFuzzer targets fuzz_* (clang only; implies the sanitizers)
option(KINEMO_SANITIZE "Build with ASan and UBSan" OFF)
option(KINEMO_FUZZ "Build the libFuzzer targets (clang)" OFF)

set(KINEMO_SANITIZER_FLAGS -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
set(KINEMO_SANITIZED_TARGETS kinemo_standins kinemo_module kinemo_tools kinemo_validate kinemo_host kinemo_tests kinemo-host kinemo_bench)

if(KINEMO_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KINEMO_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()

if(KINEMO_SANITIZE OR KINEMO_FUZZ)
  foreach(target ${KINEMO_SANITIZED_TARGETS})
    if(TARGET ${target})
      target_compile_options(${target} PRIVATE ${KINEMO_SANITIZER_FLAGS})
      target_link_options(${target} PRIVATE ${KINEMO_SANITIZER_FLAGS})
    endif()
  endforeach()
endif()

if(KINEMO_FUZZ)
  # Coverage for the fuzzers' guidance in everything they reach.
  foreach(target kinemo_standins kinemo_module kinemo_tools kinemo_validate kinemo_host)
    if(TARGET ${target})
      target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  endforeach()
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(source ${FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" name ${name})
    add_executable(fuzz_${name} ${source})
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
    target_compile_options(fuzz_${name} PRIVATE ${KINEMO_SANITIZER_FLAGS} -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE ${KINEMO_SANITIZER_FLAGS} -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE kinemo_validate)
  endforeach()
  # The scene parser lives in kinemo-host's library.
  if(TARGET fuzz_scene)
    target_link_libraries(fuzz_scene PRIVATE kinemo_host)
  endif()
endif()

# The validator's own checks are tested inside kinemo_tests.
target_link_libraries(kinemo_tests PRIVATE kinemo_validate)

# `kinemo-host validate` on both builds: the native one linked in, and the
# DLL in the emulated host.
if(TARGET kinemo-host AND NOT KINEMO_FUZZ)
  add_test(NAME validate_native COMMAND kinemo-host validate)
  add_test(NAME validate_emulated COMMAND kinemo-host validate --module ${KINEMO_DLL})
endif()
