cmake_minimum_required(VERSION 3.25)
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
foreach(language IN LISTS LANGUAGES)
    list(APPEND files share/locale/${language}/LC_MESSAGES/quillmoor.mo)
endforeach()
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

# The installed program finds its catalogs beside its folder, with no variable to say where.
if(NOT "en" IN_LIST LANGUAGES)
    return()
endif()
set(locales ${PREFIX}/../install-locales)
file(MAKE_DIRECTORY ${locales})
execute_process(COMMAND localedef -i en_US -f UTF-8 ${locales}/en_US.UTF-8
    RESULT_VARIABLE made OUTPUT_QUIET ERROR_QUIET)
if(NOT made EQUAL 0)
    message(STATUS "no en_US.UTF-8 locale can be made here: the installed catalog is not run")
    return()
endif()
file(WRITE ${PREFIX}/typed.txt "1\n")
execute_process(COMMAND env -u LC_ALL -u TEXTDOMAINDIR LOCPATH=${locales} LANGUAGE=en
        LANG=en_US.UTF-8 ${PREFIX}/bin/quillmoor
    INPUT_FILE ${PREFIX}/typed.txt OUTPUT_VARIABLE console WORKING_DIRECTORY ${PREFIX})
if(NOT console MATCHES "Error!  The drive is not valid.\n$")
    message(FATAL_ERROR "the installed program did not speak English:\n${console}")
endif()
