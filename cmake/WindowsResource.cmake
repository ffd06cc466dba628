# Explorer, the taskbar and Task Manager take an executable's icon, name and
# version from its resources, not from its windows.
function(add_windows_resource target description)
    if(NOT WIN32)
        return()
    endif()
    set(ICON_FILE ${PROJECT_SOURCE_DIR}/ui/icons/fmtest.ico)
    string(REPLACE "\"" "\"\"" RC_CREDIT_NAME "${CREDIT_NAME}") # quotes in an .rc string
    set(RC_DESCRIPTION "${description}")
    set(RC_NAME ${target})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
