# ORVEX32 from the stand-ins for the Windows builds, their inspection calls
# answered by the real Windows API. KIND: STATIC, linked into the program
# that carries the module, or SHARED, a DLL of its own.
function(kinemo_windows_orvex kind)
  kinemo_folder_sources(sources tools/standins/win64)
  add_library(kinemo_orvex ${kind} ${sources} ${CMAKE_SOURCE_DIR}/tools/standins/orvex_drawing.cpp
    ${CMAKE_SOURCE_DIR}/tools/standins/state.cpp ${CMAKE_SOURCE_DIR}/tools/standins/dialog_script.cpp
    ${CMAKE_SOURCE_DIR}/tools/standins/menu_description.cpp)
  target_include_directories(kinemo_orvex PUBLIC ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(kinemo_orvex PUBLIC user32 kernel32)
endfunction()
