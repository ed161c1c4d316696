# Makes the sample disc in SAMPLE_DIR, lays out RUN_DIR with the disc linked as drive q
# and runs the program there with "q" typed. Extra arguments go to execute_process (an
# OUTPUT_FILE, say); the exit status lands in the variable named by result_var. A list in
# LAUNCHER, when set, runs the program (a memory checker, say).
#
# IMAGE, when set, puts the disc on drive q as an image instead of a folder: "iso" (2048-byte
# sectors, made by XORRISO), "cue1" or "cue2" (a CUE sheet and 2352-byte sectors in mode 1
# or mode 2 form 1, made from the ISO image by RAW_IMAGER), "bin1" (the raw mode 1 image
# alone), or as other dumping tools keep the frames (RAW_IMAGER --as): "ccd" (CloneCD, mode
# 2), "mds" (Alcohol, mode 1), "mdf" (Alcohol, mode 1 with subcode, named by its frames) or
# "nrg" (Nero, 2048-byte sectors of mode 1); or "chd1", "chd2" (the CUE images made into a
# CHD image by CHDMAN, with its default codecs; "chd1_CODEC" with that codec alone,
# "chd1_none" uncompressed). TRUNCATE_PERCENT, with an image, cuts the image file to that
# share of its length.
# AS_SOURCE names the disc on the command line instead, with RUN_DIR as the output folder,
# from another working folder and with nothing to read on standard input.
function(require_variables)
    foreach(var ${ARGN})
        if(NOT DEFINED ${var})
            message(FATAL_ERROR "${var} is not set")
        endif()
    endforeach()
endfunction()

# The sample disc in SAMPLE_DIR, made from nothing, so that no file of an older maker is left.
function(make_fresh_sample_disc)
    require_variables(MAKER SAMPLE_DIR)
    file(REMOVE_RECURSE ${SAMPLE_DIR})
    execute_process(COMMAND ${MAKER} ${SAMPLE_DIR} RESULT_VARIABLE made OUTPUT_QUIET)
    if(NOT made EQUAL 0)
        message(FATAL_ERROR "the sample disc maker failed (${made})")
    endif()
endfunction()

function(make_sample_images)
    require_variables(XORRISO RAW_IMAGER)
    execute_process(COMMAND ${XORRISO} -as mkisofs -quiet -allow-lowercase -V QUILLMOOR
            -o ${SAMPLE_DIR}/disc.iso ${SAMPLE_DIR}/disc
        RESULT_VARIABLE made OUTPUT_QUIET ERROR_QUIET)
    if(NOT made EQUAL 0)
        message(FATAL_ERROR "xorriso could not make the ISO image (${made})")
    endif()
    foreach(mode 1 2)
        execute_process(COMMAND ${RAW_IMAGER} ${SAMPLE_DIR}/disc.iso
                ${SAMPLE_DIR}/disc-mode${mode}.bin ${SAMPLE_DIR}/disc-mode${mode}.cue ${mode}
            RESULT_VARIABLE made)
        if(NOT made EQUAL 0)
            message(FATAL_ERROR "the raw image could not be made (${made})")
        endif()
    endforeach()
endfunction()

# The images RAW_IMAGER --as makes: per IMAGE, its kind, its mode and the file named.
set(dumped_ccd ccd 2 disc-ccd.ccd)
set(dumped_mds mds 1 disc-mds.mds)
set(dumped_mdf mds-sub 1 disc-mdf.mdf)
set(dumped_nrg nrg 1 disc-nrg.nrg)

function(make_dumped_image image)
    list(GET dumped_${image} 0 kind)
    list(GET dumped_${image} 1 mode)
    execute_process(COMMAND ${RAW_IMAGER} --as ${kind} ${SAMPLE_DIR}/disc.iso
            ${SAMPLE_DIR}/disc-${image} ${mode}
        RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
        message(FATAL_ERROR "the ${kind} image could not be made (${made})")
    endif()
endfunction()

# The CUE image of the mode (1 or 2) made into a CHD image by CHDMAN, with codec alone
# where one is named; its name goes into out_var.
function(make_chd_image mode codec out_var)
    require_variables(CHDMAN)
    set(name disc-mode${mode}.chd)
    set(codec_option "")
    if(codec)
        set(name disc-mode${mode}-${codec}.chd)
        set(codec_option -c ${codec})
    endif()
    execute_process(COMMAND ${CHDMAN} createcd -f -i ${SAMPLE_DIR}/disc-mode${mode}.cue
            -o ${SAMPLE_DIR}/${name} ${codec_option}
        RESULT_VARIABLE made OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT made EQUAL 0)
        message(FATAL_ERROR "chdman did not make the CHD image (${made}): ${said}")
    endif()
    set(${out_var} ${name} PARENT_SCOPE)
endfunction()

function(run_on_sample_disc result_var)
    require_variables(QUILLMOOR MAKER SAMPLE_DIR RUN_DIR)
    make_fresh_sample_disc()
    set(drive ${SAMPLE_DIR}/disc)
    if(IMAGE)
        make_sample_images()
        set(images_iso disc.iso)
        set(images_cue1 disc-mode1.cue)
        set(images_cue2 disc-mode2.cue)
        set(images_bin1 disc-mode1.bin)
        if(DEFINED dumped_${IMAGE})
            make_dumped_image(${IMAGE})
            list(GET dumped_${IMAGE} 2 images_${IMAGE})
        endif()
        if(IMAGE MATCHES "^chd([12])(_([a-z]+))?$")
            make_chd_image(${CMAKE_MATCH_1} "${CMAKE_MATCH_3}" images_${IMAGE})
        endif()
        if(NOT DEFINED images_${IMAGE})
            message(FATAL_ERROR "IMAGE is one of iso, cue1, cue2, bin1, ccd, mds, mdf, nrg, "
                "chd1, chd2, chd1_CODEC, not ${IMAGE}")
        endif()
        set(drive ${SAMPLE_DIR}/${images_${IMAGE}})
        if(TRUNCATE_PERCENT)
            set(cut ${SAMPLE_DIR}/disc-mode1.bin)
            if(IMAGE STREQUAL "iso" OR IMAGE MATCHES "^chd")
                set(cut ${drive})
            endif()
            file(SIZE ${cut} size)
            math(EXPR size "${size} * ${TRUNCATE_PERCENT} / 100")
            execute_process(COMMAND truncate -s ${size} ${cut} COMMAND_ERROR_IS_FATAL ANY)
        endif()
    endif()
    file(REMOVE_RECURSE ${RUN_DIR})
    if(AS_SOURCE)
        execute_process(COMMAND ${LAUNCHER} ${QUILLMOOR} -o ${RUN_DIR} ${drive}
            WORKING_DIRECTORY ${SAMPLE_DIR}
            INPUT_FILE /dev/null
            RESULT_VARIABLE status
            ${ARGN})
    else()
        file(MAKE_DIRECTORY ${RUN_DIR})
        file(CREATE_LINK ${drive} ${RUN_DIR}/q: SYMBOLIC)
        file(WRITE ${RUN_DIR}.typed "q\n")
        execute_process(COMMAND ${LAUNCHER} ${QUILLMOOR}
            WORKING_DIRECTORY ${RUN_DIR}
            INPUT_FILE ${RUN_DIR}.typed
            RESULT_VARIABLE status
            ${ARGN})
    endif()
    set(${result_var} ${status} PARENT_SCOPE)
    set(SAMPLE_DRIVE ${drive} PARENT_SCOPE)
endfunction()
