# Runs ${GENERATOR} [${ARGS}] ${OUT} from ${ROOT} and fails when OUT differs from ${COMMITTED}.
execute_process(COMMAND ${PYTHON} ${GENERATOR} ${ARGS} ${OUT} WORKING_DIRECTORY ${ROOT}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${ROOT}/${COMMITTED}
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${COMMITTED} differs from what ${GENERATOR} writes")
endif()
