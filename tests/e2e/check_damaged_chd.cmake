# A CHD image cut to 60% of its length, and one with a byte of its map changed: each run
# must end at once with status 2 and one line on standard error that says what is wrong.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)

make_fresh_sample_disc()
make_sample_images()
make_chd_image(1 "" chd)

function(expect_one_line image pattern)
    file(REMOVE_RECURSE ${RUN_DIR})
    execute_process(COMMAND ${QUILLMOOR} -o ${RUN_DIR} ${image}
        WORKING_DIRECTORY ${SAMPLE_DIR} INPUT_FILE /dev/null
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR
            NOT err MATCHES "^quillmoor: ${image} ${pattern}\\. Try 'quillmoor --help'\\.\n$")
        message(FATAL_ERROR "${image}: status ${status}, output '${out}', errors '${err}'")
    endif()
    message(STATUS "${err}")
endfunction()

file(COPY_FILE ${SAMPLE_DIR}/${chd} ${SAMPLE_DIR}/cut.chd)
file(SIZE ${SAMPLE_DIR}/cut.chd size)
math(EXPR size "${size} * 60 / 100")
execute_process(COMMAND truncate -s ${size} ${SAMPLE_DIR}/cut.chd COMMAND_ERROR_IS_FATAL ANY)
expect_one_line(cut.chd "is cut short: its tables reach to byte [0-9]+, the file ends at byte ${size}")

# A byte in the middle of the map's coded bits (the map's offset is the header's 8 bytes at
# 40, its length the first 4 of the map), turned over by octal printf.
file(COPY_FILE ${SAMPLE_DIR}/${chd} ${SAMPLE_DIR}/flip.chd)
file(READ ${SAMPLE_DIR}/flip.chd map_offset OFFSET 40 LIMIT 8 HEX)
math(EXPR map_offset "0x${map_offset}")
file(READ ${SAMPLE_DIR}/flip.chd map_bytes OFFSET ${map_offset} LIMIT 4 HEX)
math(EXPR at "${map_offset} + 16 + 0x${map_bytes} / 2")
file(READ ${SAMPLE_DIR}/flip.chd byte OFFSET ${at} LIMIT 1 HEX)
math(EXPR byte "0x${byte} ^ 0x5A")
math(EXPR d1 "${byte} / 64")
math(EXPR d2 "${byte} / 8 % 8")
math(EXPR d3 "${byte} % 8")
execute_process(COMMAND sh -c "printf '\\${d1}${d2}${d3}' | dd of=flip.chd bs=1 seek=${at} conv=notrunc 2>/dev/null"
    WORKING_DIRECTORY ${SAMPLE_DIR} COMMAND_ERROR_IS_FATAL ANY)
expect_one_line(flip.chd "is a damaged CHD image: its tables do not check")
