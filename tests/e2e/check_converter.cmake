# The sample disc's ISO image written as another dumping tool keeps it (KIND: ccd, mds or
# nrg), then turned back into an ISO image by that tool's own CONVERTER: the bytes must be
# the ISO image's. Each converter reads one framing, which the image is written in:
#   ccd2iso  raw frames of mode 1 or mode 2 form 1 (the .img): mode 2
#   mdf2iso  2352-byte frames of mode 1 (the .mdf; no subcode, no mode 2)
#   nrg2iso  2048-byte sectors after a pregap of 150 (the .nrg): mode 1. It copies the file
#            from the track on to its end, the chunk list and footer included: the ISO
#            image's bytes come first, and the rest is the image's own.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)

make_fresh_sample_disc()
make_sample_images()
set(iso ${SAMPLE_DIR}/disc.iso)
set(out ${SAMPLE_DIR}/converted.iso)
file(REMOVE ${out})
if(KIND STREQUAL "ccd")
    make_dumped_image(ccd)
    set(input ${SAMPLE_DIR}/disc-ccd.img)
elseif(KIND STREQUAL "mds")
    make_dumped_image(mds)
    set(input ${SAMPLE_DIR}/disc-mds.mdf)
elseif(KIND STREQUAL "nrg")
    make_dumped_image(nrg)
    set(input ${SAMPLE_DIR}/disc-nrg.nrg)
else()
    message(FATAL_ERROR "KIND is one of ccd, mds, nrg, not ${KIND}")
endif()
execute_process(COMMAND ${CONVERTER} ${input} ${out}
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE said)
if(NOT status EQUAL 0 OR NOT EXISTS ${out})
    message(FATAL_ERROR "${CONVERTER} failed (${status}): ${said}")
endif()
file(SIZE ${iso} iso_size)
file(SIZE ${out} out_size)
if(KIND STREQUAL "nrg")
    file(SIZE ${input} nrg_size)
    math(EXPR expected "${nrg_size} - 150 * 2048")
    if(NOT out_size EQUAL expected)
        message(FATAL_ERROR "${CONVERTER} wrote ${out_size} bytes, not the ${expected} after the pregap")
    endif()
    execute_process(COMMAND truncate -s ${iso_size} ${out} COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${out} ${iso} RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "${CONVERTER} gave other bytes than ${iso} from ${input}")
endif()
message(STATUS "${CONVERTER} gives back the ${iso_size} bytes of the ISO image")
