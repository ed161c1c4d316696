# The libraries that unpack CHD images' hunks: liblzma, zlib, libzstd and libFLAC, one for each
# of the CD codecs (cdlz, cdzl, cdzs, cdfl). A build reads CHD images only with all four; it
# sets CHD_LIBRARIES_FOUND and links them into quillmoor_chd_libraries, or names in
# CHD_LEFT_OUT why they are not there. Where they are linked in (Windows), CHD_LICENCE_FILES
# lists their licences, written for the package.
add_library(quillmoor_chd_libraries INTERFACE)
set(CHD_LIBRARIES_FOUND FALSE)
set(CHD_LEFT_OUT "")
set(CHD_LIBRARY_VERSIONS "")
set(CHD_LICENCE_FILES "")

if(WIN32)
    # Linked in, as a bare Windows has none of them: the static libraries that
    # cmake/build-chd-libraries-mingw.sh builds from Debian's sources (into a cache outside the
    # source tree, unless told otherwise), and mingw-w64's static zlib.
    set(QUILLMOOR_WIN32_CHD_PREFIX "" CACHE PATH
        "Where liblzma, libzstd and libFLAC for the Windows program are installed (empty: the script's cache)")
    set(chd_prefix ${QUILLMOOR_WIN32_CHD_PREFIX})
    if(NOT chd_prefix)
        execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/build-chd-libraries-mingw.sh
            --print-prefix OUTPUT_VARIABLE chd_prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
    endif()
    # libz.a by its full name: a bare "z" would find the import library of zlib's DLL.
    find_library(QUILLMOOR_WIN32_ZLIB libz.a)
    find_path(QUILLMOOR_WIN32_ZLIB_INCLUDE_DIR zlib.h)
    set(chd_files lib/liblzma.a lib/libzstd.a lib/libFLAC.a lib/pkgconfig/flac.pc
        include/lzma.h include/lzma/version.h include/zstd.h include/FLAC/stream_decoder.h
        share/doc/xz/COPYING share/doc/zstd/LICENSE share/doc/flac/COPYING.Xiph)
    set(chd_lacking "")
    foreach(file IN LISTS chd_files)
        if(NOT EXISTS ${chd_prefix}/${file})
            list(APPEND chd_lacking ${file})
        endif()
    endforeach()
    if(chd_lacking)
        set(CHD_LEFT_OUT "no liblzma, libzstd and libFLAC in ${chd_prefix}")
        string(APPEND CHD_LEFT_OUT ": cmake/build-chd-libraries-mingw.sh builds them")
    elseif(NOT QUILLMOOR_WIN32_ZLIB OR NOT QUILLMOOR_WIN32_ZLIB_INCLUDE_DIR)
        set(CHD_LEFT_OUT "no static zlib: libz-mingw-w64-dev installs it")
    else()
        # Each version as its header states it (libFLAC's headers do not: its pkg-config file
        # does).
        header_version(${chd_prefix}/include/lzma/version.h chd_version
            LZMA_VERSION_MAJOR LZMA_VERSION_MINOR LZMA_VERSION_PATCH)
        list(APPEND CHD_LIBRARY_VERSIONS "liblzma ${chd_version}")
        file(READ ${QUILLMOOR_WIN32_ZLIB_INCLUDE_DIR}/zlib.h zlib_h)
        string(REGEX MATCH "#define ZLIB_VERSION \"([^\"]+)\"" chd_version "${zlib_h}")
        list(APPEND CHD_LIBRARY_VERSIONS "zlib ${CMAKE_MATCH_1}")
        header_version(${chd_prefix}/include/zstd.h chd_version
            ZSTD_VERSION_MAJOR ZSTD_VERSION_MINOR ZSTD_VERSION_RELEASE)
        list(APPEND CHD_LIBRARY_VERSIONS "libzstd ${chd_version}")
        file(STRINGS ${chd_prefix}/lib/pkgconfig/flac.pc chd_version REGEX "^Version: ")
        string(REPLACE "Version: " "" chd_version "${chd_version}")
        list(APPEND CHD_LIBRARY_VERSIONS "flac ${chd_version}")
        target_include_directories(quillmoor_chd_libraries SYSTEM INTERFACE
            ${chd_prefix}/include)
        # Without them, lzma.h and FLAC's headers declare the functions as a DLL's.
        target_compile_definitions(quillmoor_chd_libraries INTERFACE LZMA_API_STATIC FLAC__NO_DLL)
        target_link_libraries(quillmoor_chd_libraries INTERFACE ${chd_prefix}/lib/liblzma.a
            ${chd_prefix}/lib/libzstd.a ${chd_prefix}/lib/libFLAC.a ${QUILLMOOR_WIN32_ZLIB})
        # The licences, for the package, as Windows tools read text: libzstd's and libFLAC's ask
        # that a binary carry them; liblzma is in the public domain and zlib's licence asks
        # nothing of a binary, but the package names whose code it holds. zlib's stands at
        # the head of zlib.h.
        file(READ ${chd_prefix}/share/doc/xz/COPYING chd_licence_xz)
        string(REGEX MATCH "^/\\* ([^*]*)\\*/" chd_licence_zlib "${zlib_h}")
        set(chd_licence_zlib "${CMAKE_MATCH_1}")
        file(READ ${chd_prefix}/share/doc/zstd/LICENSE chd_licence_zstd)
        file(READ ${chd_prefix}/share/doc/flac/COPYING.Xiph chd_licence_flac)
        foreach(name xz zlib zstd flac)
            write_windows_text(${CMAKE_BINARY_DIR}/LICENSE-${name}.txt "${chd_licence_${name}}")
            list(APPEND CHD_LICENCE_FILES ${CMAKE_BINARY_DIR}/LICENSE-${name}.txt)
        endforeach()
        set(CHD_LIBRARIES_FOUND TRUE)
    endif()
else()
    set(chd_modules liblzma zlib libzstd flac)
    set(chd_packages liblzma-dev zlib1g-dev libzstd-dev libflac-dev)
    set(chd_lacking "")
    foreach(module package IN ZIP_LISTS chd_modules chd_packages)
        string(TOUPPER ${module} prefix)
        set(prefix CHD_${prefix})
        if(PKG_CONFIG_FOUND)
            pkg_check_modules(${prefix} IMPORTED_TARGET ${module})
        endif()
        if(${prefix}_FOUND)
            target_link_libraries(quillmoor_chd_libraries INTERFACE PkgConfig::${prefix})
            list(APPEND CHD_LIBRARY_VERSIONS "${module} ${${prefix}_VERSION}")
        else()
            list(APPEND chd_lacking ${package})
        endif()
    endforeach()
    if(chd_lacking)
        list(JOIN chd_lacking ", " chd_lacking)
        set(CHD_LEFT_OUT "not found: ${chd_lacking}")
    else()
        set(CHD_LIBRARIES_FOUND TRUE)
    endif()
endif()
if(CHD_LIBRARIES_FOUND)
    list(JOIN CHD_LIBRARY_VERSIONS ", " chd_versions)
    message(STATUS "CHD images: through ${chd_versions}")
else()
    message(STATUS "CHD images: left out (${CHD_LEFT_OUT})")
endif()
