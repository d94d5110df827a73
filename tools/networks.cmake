# The enlarging networks shipped with Orvane: UpscalerJS model packages (TF.js layers models, MIT)
# converted at build time by import-tfjs-network.py into network packages in
# share/orvane/packages/, each with its licence beside it (STYLE.LICENSE).

option(ORVANE_BUILD_NETWORKS "Convert the enlarging networks into share/orvane/packages" ON)

# ORVANE_PYTHON3: the importer and other offline tools need Debian's python3-onnx and
# python3-numpy, which live with /usr/bin/python3 (a python3 found first on PATH, such as pyenv's,
# may lack them).
if(NOT ORVANE_PYTHON3)
    find_program(_orvane_path_python3 python3)
    foreach(candidate /usr/bin/python3 ${_orvane_path_python3})
        if(EXISTS "${candidate}")
            execute_process(COMMAND "${candidate}" -c "import onnx, numpy"
                            RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
            if(result EQUAL 0)
                set(ORVANE_PYTHON3 "${candidate}" CACHE FILEPATH
                    "Python 3 with the onnx and numpy modules, for the network importer")
                break()
            endif()
        endif()
    endforeach()
endif()
if(NOT ORVANE_PYTHON3 AND ORVANE_BUILD_NETWORKS)
    message(FATAL_ERROR "No python3 with the onnx and numpy modules: run scripts/setup, "
                        "or configure with -DORVANE_BUILD_NETWORKS=OFF")
endif()

if(NOT ORVANE_BUILD_NETWORKS)
    return()
endif()

set(_orvane_default_deps_cache "$ENV{ORVANE_DEPS_CACHE}")
if(NOT _orvane_default_deps_cache)
    if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
        set(_orvane_default_deps_cache "$ENV{XDG_CACHE_HOME}/orvane-deps")
    else()
        set(_orvane_default_deps_cache "$ENV{HOME}/.cache/orvane-deps")
    endif()
endif()
set(ORVANE_DEPS_CACHE "${_orvane_default_deps_cache}" CACHE PATH
    "Where scripts/setup keeps downloaded dependencies")

set(_orvane_importer "${CMAKE_CURRENT_LIST_DIR}/import-tfjs-network.py")
set(_orvane_unpacker "${CMAKE_CURRENT_LIST_DIR}/unpack-npm-package.cmake")
set(_orvane_packages_dir "${CMAKE_BINARY_DIR}/share/orvane/packages")
set(_orvane_models_dir "${CMAKE_BINARY_DIR}/share/orvane/models")
set(_orvane_network_outputs)

# style | npm package | version | tarball SHA-256 | white in the network's pixels
set(_orvane_networks
    "fast|@upscalerjs/esrgan-slim|1.0.0|b53070ff01363e74d33138106dcc72b58d341c9fb7e8fd648554a4e7744142b5|255"
    "art|@upscalerjs/esrgan-medium|1.0.0|367471ded0629387b9aabc75183be0b80d39d46c3f509945ebde4f5bf7a49627|255"
    "detail|@upscalerjs/esrgan-thick|1.0.0|3d38971084d8281bf68da443085c7eb65355fb28aa81b33b54f950cca6328a15|1"
)
foreach(entry IN LISTS _orvane_networks)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 style)
    list(GET fields 1 npm_name)
    list(GET fields 2 npm_version)
    list(GET fields 3 sha256)
    list(GET fields 4 pixel_range)
    string(REGEX REPLACE "^@" "" file_stem "${npm_name}")
    string(REPLACE "/" "-" file_stem "${file_stem}")
    set(tarball "${ORVANE_DEPS_CACHE}/npm/${file_stem}-${npm_version}.tgz")
    if(NOT EXISTS "${tarball}")
        message(FATAL_ERROR "${tarball} is missing: run scripts/setup, "
                            "or configure with -DORVANE_BUILD_NETWORKS=OFF")
    endif()

    set(unpacked "${CMAKE_BINARY_DIR}/tools/networks/${file_stem}-${npm_version}")
    add_custom_command(
        OUTPUT "${unpacked}.stamp"
        COMMAND "${CMAKE_COMMAND}" "-DTARBALL=${tarball}" "-DSHA256=${sha256}"
                "-DDESTINATION=${unpacked}" "-DSTAMP=${unpacked}.stamp" -P "${_orvane_unpacker}"
        DEPENDS "${tarball}" "${_orvane_unpacker}"
        COMMENT "Unpacking ${npm_name}@${npm_version}"
        VERBATIM)

    set(package "${_orvane_packages_dir}/${style}.mlpackage")
    add_custom_command(
        OUTPUT "${package}/Manifest.json" "${_orvane_packages_dir}/${style}.LICENSE"
        COMMAND "${ORVANE_PYTHON3}" "${_orvane_importer}"
                "${unpacked}/package/models/x4/model.json" "${package}"
                --scale 4 --pixel-range ${pixel_range} --sizes 256,512
        COMMAND "${CMAKE_COMMAND}" -E copy "${unpacked}/package/LICENSE"
                "${_orvane_packages_dir}/${style}.LICENSE"
        DEPENDS "${unpacked}.stamp" "${_orvane_importer}"
        COMMENT "Importing ${npm_name}@${npm_version} as ${style}.mlpackage"
        VERBATIM)
    list(APPEND _orvane_network_outputs "${package}/Manifest.json"
                                        "${_orvane_packages_dir}/${style}.LICENSE")

    # The application loads compiled bundles; they are made here, on the machine that runs them,
    # because ONNX Runtime's optimised networks suit only the processor they were made on.
    set(bundle "${_orvane_models_dir}/${style}.mlmodelc")
    add_custom_command(
        OUTPUT "${bundle}/Manifest.json" "${_orvane_models_dir}/${style}.LICENSE"
        COMMAND "${CMAKE_COMMAND}" -E rm -rf "${bundle}"
        COMMAND compile-network "${package}" "${bundle}"
        COMMAND "${CMAKE_COMMAND}" -E copy "${_orvane_packages_dir}/${style}.LICENSE"
                "${_orvane_models_dir}/${style}.LICENSE"
        DEPENDS "${package}/Manifest.json" compile-network
        COMMENT "Compiling ${style}.mlmodelc"
        VERBATIM)
    list(APPEND _orvane_network_outputs "${bundle}/Manifest.json" "${_orvane_models_dir}/${style}.LICENSE")
endforeach()

add_custom_target(networks ALL DEPENDS ${_orvane_network_outputs})
