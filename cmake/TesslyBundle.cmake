# Assembles the application bundle directory in the build tree:
#   Tessly.app/Contents/Info.plist
#   Tessly.app/Contents/MacOS/<executable>
#   Tessly.app/Contents/Resources/{en.lproj,uk.lproj,images...}
# Everything that goes into the bundle is placed here, so that later additions (plug-in, stand-ins) have one home.
function(tessly_assemble_bundle)
    cmake_parse_arguments(ARG "" "TARGET;EXECUTABLE;IDENTIFIER;OUTPUT_DIR" "" ${ARGN})
    set(contents "${ARG_OUTPUT_DIR}/Contents")

    set_target_properties(${ARG_TARGET} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${contents}/MacOS"
        OUTPUT_NAME "${ARG_EXECUTABLE}")

    set(TESSLY_BUNDLE_IDENTIFIER "${ARG_IDENTIFIER}")
    set(TESSLY_BUNDLE_EXECUTABLE "${ARG_EXECUTABLE}")
    set(TESSLY_BUNDLE_NAME "${ARG_EXECUTABLE}")
    set(TESSLY_VERSION "${PROJECT_VERSION}")
    set(TESSLY_BUILD_NUMBER "1")
    configure_file("${PROJECT_SOURCE_DIR}/resources/Info.plist.in" "${contents}/Info.plist" @ONLY)

    set(resource_root "${PROJECT_SOURCE_DIR}/resources")
    file(GLOB_RECURSE resource_files CONFIGURE_DEPENDS
        "${resource_root}/*.lproj/*"
        "${resource_root}/images/*")
    set(copied "")
    foreach(source IN LISTS resource_files)
        file(RELATIVE_PATH relative "${resource_root}" "${source}")
        # Images sit directly in Contents/Resources, as the platform looks them up by name.
        string(REGEX REPLACE "^images/" "" relative "${relative}")
        set(destination "${contents}/Resources/${relative}")
        add_custom_command(OUTPUT "${destination}"
            COMMAND ${CMAKE_COMMAND} -E copy_if_different "${source}" "${destination}"
            DEPENDS "${source}"
            COMMENT "Bundling ${relative}"
            VERBATIM)
        list(APPEND copied "${destination}")
    endforeach()
    add_custom_target(${ARG_TARGET}_bundle_resources ALL DEPENDS ${copied})
    add_dependencies(${ARG_TARGET} ${ARG_TARGET}_bundle_resources)

    set_property(GLOBAL PROPERTY TESSLY_BUNDLE_DIR "${ARG_OUTPUT_DIR}")
endfunction()
