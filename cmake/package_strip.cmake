# Run by CPack on the files it has staged and stripped, before it packs them: the program
# loses the compilers' .comment section too, as Debian's packages have it.
set(program ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/quillmoor)
execute_process(COMMAND ${CPACK_QUILLMOOR_OBJCOPY} --remove-section=.comment ${program}
    RESULT_VARIABLE removed)
if(NOT removed EQUAL 0)
    message(FATAL_ERROR "objcopy could not take .comment off ${program} (${removed})")
endif()
