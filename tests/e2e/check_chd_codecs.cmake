# The sample disc as a CHD image made with each of CODECS alone: every run must give the
# console and the pictures of the folder's run. A codec CHDMAN does not take (an older
# chdman has no cdzs) is left out, and said so.
set(ran "")
set(left_out "")
foreach(codec ${CODECS})
    execute_process(COMMAND ${CMAKE_COMMAND} -DQUILLMOOR=${QUILLMOOR} -DMAKER=${MAKER}
            -DSAMPLE_DIR=${SAMPLE_DIR}/${codec} -DRUN_DIR=${RUN_DIR}/${codec}
            -DIMAGE=chd1_${codec} -DXORRISO=${XORRISO} -DRAW_IMAGER=${RAW_IMAGER}
            -DCHDMAN=${CHDMAN} -P ${CMAKE_CURRENT_LIST_DIR}/check_sample_disc.cmake
        RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(failed AND said MATCHES "Invalid compressor")
        list(APPEND left_out ${codec})
    elseif(failed)
        message(FATAL_ERROR "codec ${codec}: ${said}")
    else()
        list(APPEND ran ${codec})
    endif()
endforeach()
if(NOT ran)
    message(FATAL_ERROR "chdman took none of the codecs ${CODECS}")
endif()
message(STATUS "the sample disc's run matches through ${ran}; chdman does not take: "
    "${left_out}")
