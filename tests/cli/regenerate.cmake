# Regenerates cli/display_width_data.inc into OUT and fails when it differs from the committed one.
execute_process(COMMAND ${PYTHON} ${ROOT}/tools/gen_display_width.py ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tools/gen_display_width.py failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${ROOT}/cli/display_width_data.inc
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "cli/display_width_data.inc differs from what tools/gen_display_width.py writes")
endif()
