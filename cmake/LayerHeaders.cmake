# Each library's include path offers its users only its own public headers, so that a layer can't
# reach into a layer above it, or into another layer's detail/ folders, however it writes the include.
#
#   orvane_layer_headers(<target> <folder>)
#
# Headers are still included by their path from the repository root ("platform/image/Bitmap.h"). The
# target's users see a tree of links to <folder>'s headers outside its detail/ folders; the target
# itself sees all of <folder>'s headers. The trees are links to the sources, so an edited header
# takes effect at once, and they are made again whenever a header is added or removed.
function(orvane_layer_headers target folder)
    set(public "${CMAKE_BINARY_DIR}/include/public/${folder}")
    set(private "${CMAKE_BINARY_DIR}/include/private/${folder}")
    # Only links to files live here, so removing the trees never touches a source.
    file(REMOVE_RECURSE "${public}" "${private}")
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}"
         "${PROJECT_SOURCE_DIR}/${folder}/*.h")
    foreach(header IN LISTS headers)
        set(trees "${private}")
        if(NOT header MATCHES "(^|/)detail/")
            list(APPEND trees "${public}")
        endif()
        foreach(tree IN LISTS trees)
            get_filename_component(directory "${tree}/${header}" DIRECTORY)
            file(MAKE_DIRECTORY "${directory}")
            file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${header}" "${tree}/${header}" SYMBOLIC)
        endforeach()
    endforeach()
    file(MAKE_DIRECTORY "${public}" "${private}")
    target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${public}>" PRIVATE "${private}")
endfunction()
