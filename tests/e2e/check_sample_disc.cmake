# The whole program on the sample disc: the console must match the expected transcript
# byte for byte, and the pictures written must be exactly the expected ones.
# With MEMCHECK set, the program runs under valgrind, which fails it on any memory error
# and on any byte definitely or indirectly lost.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)

if(MEMCHECK)
    set(LAUNCHER ${VALGRIND} --quiet --error-exitcode=1 --leak-check=full
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect)
endif()

run_on_sample_disc(status OUTPUT_FILE ${RUN_DIR}.console)
set(failures "")
if(NOT status EQUAL 0)
    string(APPEND failures "exit status ${status}, expected 0\n")
endif()
set(transcript ${SAMPLE_DIR}/expected/transcript.txt)
if(AS_SOURCE)
    # Named on the command line, the disc is read without the dialogue's lines.
    file(READ ${transcript} expected_console)
    string(FIND "${expected_console}" "drive letter >\n" dialogue_end)
    math(EXPR dialogue_end "${dialogue_end} + 15")
    string(SUBSTRING "${expected_console}" ${dialogue_end} -1 expected_console)
    set(transcript ${RUN_DIR}.expected)
    file(WRITE ${transcript} "${expected_console}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${RUN_DIR}.console ${transcript} RESULT_VARIABLE differs)
if(differs)
    string(APPEND failures "console differs from ${transcript} (see ${RUN_DIR}.console)\n")
endif()
file(GLOB expected RELATIVE ${SAMPLE_DIR}/expected ${SAMPLE_DIR}/expected/*.BMP)
file(GLOB written RELATIVE ${RUN_DIR} ${RUN_DIR}/*.BMP)
list(SORT expected)
list(SORT written)
if(NOT expected STREQUAL written)
    string(APPEND failures "pictures written: ${written}\npictures expected: ${expected}\n")
endif()
foreach(name IN LISTS expected)
    if(EXISTS ${RUN_DIR}/${name})
        execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
            ${RUN_DIR}/${name} ${SAMPLE_DIR}/expected/${name} RESULT_VARIABLE differs)
        if(differs)
            string(APPEND failures "${name} differs from the expected picture\n")
        endif()
    endif()
endforeach()
list(LENGTH expected count)
if(failures)
    message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${count} pictures and the console match the sample disc's expectations")
