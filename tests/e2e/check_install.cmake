# Installing puts the program and its manual page where a user finds them.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${installed})")
endif()
foreach(file bin/quillmoor share/man/man1/quillmoor.1.gz
        share/bash-completion/completions/quillmoor share/doc/quillmoor/copyright)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "${file} was not installed")
    endif()
endforeach()
