# cmake -DPROGRAM=<kalvista> -DOUTPUT=<kalvista.1> -P ManPage.cmake (writes <kalvista.1>.gz)
# The manual page is the program's own --help, with the batch mode's help
# as a section of its own, so the two never disagree.
execute_process(COMMAND ${PROGRAM} --convert --help OUTPUT_VARIABLE batch RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --convert --help failed: ${result}")
endif()
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(WRITE ${folder}/batch-mode.h2m "[BATCH MODE]\n.nf\n${batch}\n.fi\n")
execute_process(COMMAND help2man --no-info --section=1 "--name=turns a presentation into a video"
                        --include=${folder}/batch-mode.h2m --output=${OUTPUT} ${PROGRAM}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed: ${result}")
endif()
# Installed compressed, as Debian keeps its manual pages.
execute_process(COMMAND gzip -9nf ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip ${OUTPUT} failed: ${result}")
endif()
