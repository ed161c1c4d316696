# Installing puts the program, its manual page and the documents the page names where a user
# finds them.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${installed})")
endif()
set(files bin/quillmoor share/man/man1/quillmoor.1.gz
    share/bash-completion/completions/quillmoor share/doc/quillmoor/copyright)
# The page names them where the Debian package puts them, under /usr.
file(READ ${MANUAL} page)
string(REGEX MATCHALL "/usr/share/doc/quillmoor/[^ \n]+" named "${page}")
if(NOT named)
    message(FATAL_ERROR "${MANUAL} names no document in /usr/share/doc/quillmoor")
endif()
foreach(document IN LISTS named)
    string(REGEX REPLACE "^/usr/" "" document ${document})
    list(APPEND files ${document})
endforeach()
foreach(file IN LISTS files)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "${file} was not installed")
    endif()
endforeach()
