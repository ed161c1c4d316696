# The sample disc for the fault injection tests, made again only when the maker is newer: a
# sample in use by another run of the tests stays where it is. A new one starts from nothing,
# so no file of an older maker is left.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/sample_run.cmake)

require_variables(MAKER SAMPLE_DIR)
set(manifest ${SAMPLE_DIR}/expected/manifest.txt)
if(EXISTS ${manifest} AND NOT ${MAKER} IS_NEWER_THAN ${manifest})
    return()
endif()
make_fresh_sample_disc()
