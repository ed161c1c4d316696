# A disc image cut short: the run must neither crash nor stop early; the files whose
# sectors are gone are read errors, reported with their paths.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)

run_on_sample_disc(status OUTPUT_FILE ${RUN_DIR}.console)
if(NOT status EQUAL 0 AND NOT status EQUAL 255)
    message(FATAL_ERROR "the run ended with ${status}")
endif()
file(READ ${RUN_DIR}.console console)
# Only the read error names its path after "in "; a missing file names it after "> ".
string(FIND "${console}" "in q:\\" read_error)
if(read_error EQUAL -1)
    message(FATAL_ERROR "no read error was reported (see ${RUN_DIR}.console)")
endif()
string(FIND "${console}" "done > " done)
if(done EQUAL -1)
    message(FATAL_ERROR "no picture came off the part of the image that is left")
endif()
message(STATUS "exit status ${status}; read errors reported, the run went to its end")
