# The demo: extract the sample disc into RUN_DIR and show what the program printed.
include(${CMAKE_CURRENT_LIST_DIR}/sample_run.cmake)

message(STATUS "Sample disc: ${SAMPLE_DIR}/disc, linked as q: in ${RUN_DIR}; typing q")
run_on_sample_disc(status)
file(GLOB pictures RELATIVE ${RUN_DIR} ${RUN_DIR}/*.BMP)
list(LENGTH pictures count)
message(STATUS "Exit status ${status}; ${count} BMP files in ${RUN_DIR}")
message(STATUS "The console text is Shift-JIS: pipe it through iconv -f SHIFT_JIS -t UTF-8 to read it")
