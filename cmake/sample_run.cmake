# Makes the sample disc in SAMPLE_DIR, lays out RUN_DIR with the disc linked as drive q
# and runs the program there with "q" typed. Extra arguments go to execute_process (an
# OUTPUT_FILE, say); the exit status lands in the variable named by result_var. A list in
# LAUNCHER, when set, runs the program (a memory checker, say).
function(run_on_sample_disc result_var)
    foreach(var QUILLMOOR MAKER SAMPLE_DIR RUN_DIR)
        if(NOT DEFINED ${var})
            message(FATAL_ERROR "${var} is not set")
        endif()
    endforeach()
    # A fresh disc each time: a file left from an older maker must not show up.
    file(REMOVE_RECURSE ${SAMPLE_DIR})
    execute_process(COMMAND ${MAKER} ${SAMPLE_DIR} RESULT_VARIABLE made OUTPUT_QUIET)
    if(NOT made EQUAL 0)
        message(FATAL_ERROR "the sample disc maker failed (${made})")
    endif()
    file(REMOVE_RECURSE ${RUN_DIR})
    file(MAKE_DIRECTORY ${RUN_DIR})
    file(CREATE_LINK ${SAMPLE_DIR}/disc ${RUN_DIR}/q: SYMBOLIC)
    file(WRITE ${RUN_DIR}.typed "q\n")
    execute_process(COMMAND ${LAUNCHER} ${QUILLMOOR}
        WORKING_DIRECTORY ${RUN_DIR}
        INPUT_FILE ${RUN_DIR}.typed
        RESULT_VARIABLE status
        ${ARGN})
    set(${result_var} ${status} PARENT_SCOPE)
endfunction()
