# The template of the catalogs (po/quillmoor.pot), as xgettext makes it from the marked
# sources of src/app: with MODE=update it is written anew and each po/LANG.po merged with it;
# with MODE=check (a test) it must be what po/quillmoor.pot holds, and each catalog must have
# every text of it (the English texts may stay as they are; po/en.po translates every
# Japanese one).
# Usage: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DMODE=update|check -P message_template.cmake
cmake_minimum_required(VERSION 3.25)
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGMERGE msgmerge REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)
set(template ${SOURCE_DIR}/po/quillmoor.pot)
file(GLOB sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/app/*.cpp ${SOURCE_DIR}/src/app/*.hpp)
list(SORT sources)
file(MAKE_DIRECTORY ${WORK_DIR})
set(made ${WORK_DIR}/quillmoor.pot)
execute_process(
    COMMAND ${XGETTEXT} --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_
        --add-comments=TRANSLATORS:
        --no-location --package-name=quillmoor --output=${made} ${sources}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "xgettext failed")
endif()
file(GLOB catalogs ${SOURCE_DIR}/po/*.po)
# The date a template was made is no part of what it says.
foreach(file template made)
    set(text_${file} "")
    if(EXISTS ${${file}})
        file(READ ${${file}} text_${file})
    endif()
    string(REGEX REPLACE "\"POT-Creation-Date:[^\n]*\n" "" text_${file} "${text_${file}}")
endforeach()
if(MODE STREQUAL "update")
    if(NOT text_template STREQUAL text_made)
        file(COPY_FILE ${made} ${template})
    endif()
    foreach(catalog IN LISTS catalogs)
        execute_process(COMMAND ${MSGMERGE} --quiet --update --backup=none --no-location
            ${catalog} ${template} COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    return()
endif()
if(NOT text_template STREQUAL text_made)
    message(FATAL_ERROR "po/quillmoor.pot is not what the sources mark (${made}): "
        "make update-catalogs writes it anew")
endif()
foreach(catalog IN LISTS catalogs)
    execute_process(COMMAND ${MSGCMP} --use-untranslated ${catalog} ${template}
        RESULT_VARIABLE lacking)
    if(lacking)
        message(FATAL_ERROR "${catalog} lacks texts of po/quillmoor.pot")
    endif()
endforeach()
# English has every Japanese text: an untranslated one would show in Japanese.
find_program(MSGATTRIB msgattrib REQUIRED)
execute_process(COMMAND ${MSGATTRIB} --untranslated --no-obsolete ${SOURCE_DIR}/po/en.po
    OUTPUT_VARIABLE untranslated COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "\nmsgid \"[ -~]*[^ -~\n][^\n]*" japanese "${untranslated}")
if(japanese)
    string(STRIP "${japanese}" japanese)
    message(FATAL_ERROR "po/en.po has no English for ${japanese}")
endif()
