# ONNX Runtime, prebuilt: a folder with include/ (the C and C++ API headers) and lib/
# (libonnxruntime.so and its soname). scripts/setup unpacks one into the dependency cache.
if(DEFINED ENV{ORVANE_DEPS_CACHE})
    set(_orvane_deps_cache "$ENV{ORVANE_DEPS_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(_orvane_deps_cache "$ENV{XDG_CACHE_HOME}/orvane-deps")
else()
    set(_orvane_deps_cache "$ENV{HOME}/.cache/orvane-deps")
endif()
set(ORVANE_ONNXRUNTIME_ROOT "${_orvane_deps_cache}/onnxruntime-1.29"
    CACHE PATH "ONNX Runtime to build with: a folder holding include/ and lib/")
# Its folder becomes a search path of the executables, which must never depend on the folder they
# are started from.
get_filename_component(ORVANE_ONNXRUNTIME_ROOT "${ORVANE_ONNXRUNTIME_ROOT}" ABSOLUTE)

set(_ort_header "${ORVANE_ONNXRUNTIME_ROOT}/include/onnxruntime_cxx_api.h")
set(_ort_library "${ORVANE_ONNXRUNTIME_ROOT}/lib/libonnxruntime.so")
if(NOT EXISTS "${_ort_header}" OR NOT EXISTS "${_ort_library}")
    message(FATAL_ERROR "ONNX Runtime not found in ${ORVANE_ONNXRUNTIME_ROOT} (expected "
                        "include/onnxruntime_cxx_api.h and lib/libonnxruntime.so). Run scripts/setup, "
                        "or set ORVANE_ONNXRUNTIME_ROOT to another ONNX Runtime.")
endif()

add_library(orvane_onnxruntime SHARED IMPORTED GLOBAL)
set_target_properties(orvane_onnxruntime PROPERTIES
    IMPORTED_LOCATION "${_ort_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${ORVANE_ONNXRUNTIME_ROOT}/include")

# The executables find the library through their RUNPATH: its own folder in the build tree (CMake
# adds that), and the installed lib folder beside bin/ after `cmake --install` (CMAKE_INSTALL_RPATH,
# see cmake/InstalledProgram.cmake).
set_property(GLOBAL APPEND PROPERTY ORVANE_RUNTIME_FOLDERS "${ORVANE_ONNXRUNTIME_ROOT}/lib")
# Following the symlink chain installs the soname the executables ask for (install(FILES) would
# copy the unversioned link's target under the unversioned name).
install(CODE "file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\"
                   TYPE SHARED_LIBRARY FOLLOW_SYMLINK_CHAIN FILES \"${_ort_library}\")")
