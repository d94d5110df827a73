# Where an executable looks for the shared libraries that are not the system's (ONNX Runtime).
#
# In the build tree every executable finds them through absolute paths only. CMake's own way of
# switching an installed target's RPATH at install time pads the build tree's copy with a trailing
# ":", an empty element that the loader reads as the current folder: a library named like one of
# ours, left wherever someone runs the program, would be loaded in its place. So an installed
# program is linked with the absolute folders itself (no padding), and its installed copy is given
# CMAKE_INSTALL_RPATH ($ORIGIN/../lib) afterwards, in place: that is shorter, so it always fits.

# Installs `target` into bin/ with CMAKE_INSTALL_RPATH as its only search path.
function(orvane_install_program target)
    get_property(_folders GLOBAL PROPERTY ORVANE_RUNTIME_FOLDERS)
    list(JOIN _folders ":" _build_rpath)
    string(LENGTH "${_build_rpath}" _length)
    string(LENGTH "${CMAKE_INSTALL_RPATH}" _needed)
    # The installed path is written over the build tree's one; a short build path is lengthened with
    # slashes, which name the same folder.
    while(_length LESS _needed)
        string(APPEND _build_rpath "/")
        math(EXPR _length "${_length} + 1")
    endwhile()
    set_target_properties(${target} PROPERTIES
        SKIP_BUILD_RPATH OFF
        BUILD_WITH_INSTALL_RPATH ON
        INSTALL_RPATH "${_build_rpath}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(CODE "file(RPATH_CHANGE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>\"
                       OLD_RPATH \"${_build_rpath}\" NEW_RPATH \"${CMAKE_INSTALL_RPATH}\")")
endfunction()
