# The demo: extract the sample disc into RUN_DIR and show what the program printed. Drive q
# is the sample disc as a CUE sheet and raw image, made from an ISO image that xorriso makes;
# without xorriso, the sample disc's folder.
include(${CMAKE_CURRENT_LIST_DIR}/sample_run.cmake)

if(XORRISO)
    set(IMAGE cue1)
else()
    message(STATUS "xorriso is not installed: drive q: is the sample disc's folder, not a "
                   "disc image (apt-get install xorriso makes it one)")
endif()
run_on_sample_disc(status)
file(GLOB pictures RELATIVE ${RUN_DIR} ${RUN_DIR}/*.BMP)
list(LENGTH pictures count)
message(STATUS "Drive q: was ${SAMPLE_DRIVE}; exit status ${status}; "
               "${count} BMP files in ${RUN_DIR}")
message(STATUS "The console text follows the locale: in the C locale it is Shift-JIS, which iconv -f CP932 -t UTF-8 reads")
