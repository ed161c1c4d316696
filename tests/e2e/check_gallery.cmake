# The page of the pictures as a browser shows it: the sample disc's pictures written with
# --gallery, the page opened in headless Chromium, every picture loaded (at its size and at
# twice it) and every group shown; the page kept as a screenshot (RUN_DIR/gallery.png). The
# pages pass tidy without an error, where tidy is installed. The disc without TITLE.SEQ shows
# the title group's failure on its page.
# Needs QUILLMOOR, MAKER, SAMPLE_DIR, RUN_DIR and FORMAT (png or bmp); CHROMIUM and TIDY where
# they are installed. Without Chromium it ends, after the rest, with a line that CTest shows
# as skipped.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)
require_variables(QUILLMOOR MAKER SAMPLE_DIR RUN_DIR FORMAT)
set(groups "faces,events,endings,title,sprites,cellmaps")

make_fresh_sample_disc()
file(REMOVE_RECURSE ${RUN_DIR})
file(MAKE_DIRECTORY ${RUN_DIR})
file(STRINGS ${SAMPLE_DIR}/expected/manifest.txt described)
list(LENGTH described picture_count)

# quillmoor ARGS...: run in RUN_DIR; the exit status lands in status, the errors in said.
function(quillmoor)
    execute_process(COMMAND ${QUILLMOOR} ${ARGN} WORKING_DIRECTORY ${RUN_DIR}
        INPUT_FILE /dev/null OUTPUT_QUIET RESULT_VARIABLE got ERROR_VARIABLE errors)
    set(status ${got} PARENT_SCOPE)
    set(said "${errors}" PARENT_SCOPE)
endfunction()

set(failures "")
quillmoor(--gallery -f ${FORMAT} -o out ${SAMPLE_DIR}/disc)
if(NOT status EQUAL 0 OR NOT EXISTS ${RUN_DIR}/out/index.html)
    message(FATAL_ERROR "the run with --gallery failed (${status}): ${said}")
endif()

# The sample disc without TITLE.SEQ: the title group fails as a whole, on the page too.
file(MAKE_DIRECTORY ${RUN_DIR}/notitle)
file(GLOB disc_files ${SAMPLE_DIR}/disc/*)
foreach(file IN LISTS disc_files)
    get_filename_component(name ${file} NAME)
    if(NOT name STREQUAL "TITLE.SEQ")
        file(CREATE_LINK ${file} ${RUN_DIR}/notitle/${name} SYMBOLIC)
    endif()
endforeach()
quillmoor(--gallery -f ${FORMAT} -o out-notitle notitle)
file(READ ${RUN_DIR}/out-notitle/index.html notitle_page)
if(NOT status EQUAL 255)
    string(APPEND failures "the run without TITLE.SEQ ended with ${status}, not 255\n")
endif()
foreach(words "<h2>title</h2>\n<div class=\"pictures\">\n<div class=\"failure\">\n<p>cannot open notitle/TITLE.SEQ</p>"
        "<p>the title group failed as a whole: 41 pictures not made (TITLELOG, ")
    string(FIND "${notitle_page}" "${words}" found)
    if(found EQUAL -1)
        string(APPEND failures "the page without TITLE.SEQ lacks: ${words}\n")
    endif()
endforeach()

if(TIDY)
    foreach(page out/index.html out-notitle/index.html)
        execute_process(COMMAND ${TIDY} -errors -quiet ${RUN_DIR}/${page}
            RESULT_VARIABLE tidied ERROR_VARIABLE tidy_said OUTPUT_QUIET)
        # 1: warnings alone, which -errors does not show; 2: errors.
        if(tidied GREATER 1)
            string(APPEND failures "tidy finds errors in ${page}:\n${tidy_said}\n")
        endif()
    endforeach()
endif()
if(failures)
    message(FATAL_ERROR "${failures}")
endif()
if(NOT CHROMIUM)
    message(STATUS "SKIPPED: chromium is not installed: the page was not opened in a browser")
    return()
endif()

# The page has no script: a copy of it beside the pictures gets one that writes what it sees
# into the document once everything has loaded, and the document is read back.
file(READ ${RUN_DIR}/out/index.html page)
string(REPLACE "</body>" "<script>
window.addEventListener('load', function () {
  var images = Array.prototype.slice.call(document.images);
  var broken = images.filter(function (i) { return !(i.complete && i.naturalWidth > 0); })
    .map(function (i) { return i.getAttribute('src'); });
  var groups = Array.prototype.slice.call(document.querySelectorAll('section > h2'))
    .filter(function (h) { return h.getBoundingClientRect().height > 0; })
    .map(function (h) { return h.textContent; });
  var out = document.createElement('pre');
  out.id = 'verdict';
  out.textContent = 'images ' + images.length + '; broken ' + broken.length + ' [' +
    broken.join(' ') + ']; groups ' + groups.join(',') + ';';
  document.body.appendChild(out);
});
</script>
</body>" checked "${page}")
file(WRITE ${RUN_DIR}/out/checked.html "${checked}")
set(browser ${CHROMIUM} --headless --no-sandbox --disable-gpu --disable-dev-shm-usage
    --user-data-dir=${RUN_DIR}/profile --allow-file-access-from-files
    --virtual-time-budget=10000)
execute_process(COMMAND ${browser} --dump-dom file://${RUN_DIR}/out/checked.html
    OUTPUT_VARIABLE dom ERROR_VARIABLE browser_said RESULT_VARIABLE opened TIMEOUT 120)
string(REGEX MATCH "id=\"verdict\">([^<]*)" verdict "${dom}")
set(verdict "${CMAKE_MATCH_1}")
math(EXPR image_count "${picture_count} * 2")
set(expected "images ${image_count}; broken 0 []; groups ${groups};")
if(NOT verdict STREQUAL expected)
    message(FATAL_ERROR "Chromium (${opened}) saw: '${verdict}', expected '${expected}'\n"
        "${browser_said}")
endif()
execute_process(COMMAND ${browser} --window-size=1280,8000
    --screenshot=${RUN_DIR}/gallery.png file://${RUN_DIR}/out/index.html
    OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE shot TIMEOUT 120)
if(NOT EXISTS ${RUN_DIR}/gallery.png)
    message(FATAL_ERROR "Chromium made no screenshot (${shot})")
endif()
message(STATUS "Chromium: ${verdict} screenshot in ${RUN_DIR}/gallery.png")
