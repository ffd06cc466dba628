# Debian's hardening flags (dpkg-buildflags with hardening=+all) on native
# Linux builds, so that what may go into the Debian package is built as Debian
# builds its own. Not under the sanitizers, and not when cross-compiling: the
# flags are this machine's. Left out: -O2 -g, which would override the build
# type, and the path maps, which would hide the sources from debuggers.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT CMAKE_CROSSCOMPILING AND NOT SANITIZE)
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    if(DPKG_BUILDFLAGS)
        foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
            execute_process(
                COMMAND ${CMAKE_COMMAND} -E env
                    "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                    "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${DPKG_BUILDFLAGS} --get ${kind}
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
            separate_arguments(hardening_${kind} UNIX_COMMAND "${flags}")
        endforeach()
        # _FORTIFY_SOURCE needs the optimiser and warns without it.
        add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${hardening_CPPFLAGS}>" ${hardening_CXXFLAGS})
        add_link_options(${hardening_LDFLAGS})
    endif()
endif()
