# Each folder of src/ sees only itself and the folders below it: a file of one layer that
# includes a header of a layer above fails to compile. For LAYER, with its library's include
# folders (INCLUDES), a header of each folder ABOVE must be out of reach, and one of its own
# in reach (else the probe proves nothing).
cmake_minimum_required(VERSION 3.25)

set(probe_dir ${WORK_DIR}/${LAYER})
file(MAKE_DIRECTORY ${probe_dir})
set(flags "")
foreach(dir ${INCLUDES})
    list(APPEND flags -I${dir})
endforeach()

# Compiles a file holding one include; gives the compiler's exit status and words.
function(probe header out_status out_words)
    string(MAKE_C_IDENTIFIER ${header} stem)
    set(source ${probe_dir}/${stem}.cpp)
    file(WRITE ${source} "#include \"${header}\"\n")
    execute_process(COMMAND ${COMPILER} -std=c++20 -fsyntax-only ${flags} ${source}
        RESULT_VARIABLE got ERROR_VARIABLE words OUTPUT_QUIET)
    set(${out_status} ${got} PARENT_SCOPE)
    set(${out_words} "${words}" PARENT_SCOPE)
endfunction()

function(first_header folder out)
    file(GLOB headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.hpp)
    list(SORT headers)
    list(GET headers 0 header)
    set(${out} ${header} PARENT_SCOPE)
endfunction()

first_header(${LAYER} own)
probe(${own} got words)
if(NOT got EQUAL 0)
    message(FATAL_ERROR "${LAYER}: its own ${own} does not compile:\n${words}")
endif()
foreach(above ${ABOVE})
    first_header(${above} header)
    probe(${header} got words)
    if(got EQUAL 0)
        message(FATAL_ERROR "${LAYER} reaches ${header}, of the layer above it")
    elseif(NOT words MATCHES "No such file|file not found")
        message(FATAL_ERROR "${LAYER}: ${header} fails for another reason:\n${words}")
    endif()
endforeach()
message(STATUS "${LAYER}: ${own} in reach; ${ABOVE} out of reach")
