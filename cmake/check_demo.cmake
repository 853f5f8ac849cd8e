# Regenerates the demo from its score and compares it with the committed file.
execute_process(COMMAND ${MAKE_DEMO} ${SCORE} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make-demo failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${COMMITTED} RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "resources/demo/demo.qji differs from what its score makes; run make-demo")
endif()
