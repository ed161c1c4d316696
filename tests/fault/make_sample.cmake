# The sample disc for the fault injection tests, made again only when the maker is newer: a
# sample in use by another run of the tests stays where it is. A new one starts from nothing,
# so no file of an older maker is left.
foreach(var MAKER SAMPLE_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()
set(manifest ${SAMPLE_DIR}/expected/manifest.txt)
if(EXISTS ${manifest} AND NOT ${MAKER} IS_NEWER_THAN ${manifest})
    return()
endif()
file(REMOVE_RECURSE ${SAMPLE_DIR})
execute_process(COMMAND ${MAKER} ${SAMPLE_DIR} RESULT_VARIABLE made OUTPUT_QUIET)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "the sample disc maker failed (${made})")
endif()
