# cmake -P: `kinemo-host describe` under Wine, with the module linked in and
# as the DLL, must print the committed event reference.
#   -DWINE_RUN= -DWIN64_HOST= -DEXPECTED= -DMODULE=
file(READ ${EXPECTED} expected)
foreach(args "describe" "describe;--module;${MODULE}")
  execute_process(COMMAND ${WINE_RUN} ${WIN64_HOST} ${args} OUTPUT_VARIABLE out RESULT_VARIABLE status TIMEOUT 120)
  string(REPLACE "\r\n" "\n" out "${out}")
  if(NOT status EQUAL 0)
    message(SEND_ERROR "kinemo-host ${args}: exit ${status}")
  elseif(NOT out STREQUAL expected)
    message(SEND_ERROR "kinemo-host ${args}: not the committed ${EXPECTED}")
  endif()
endforeach()
