# Assembles the application bundle directory in the build tree:
#   Tessly.app/Contents/Info.plist
#   Tessly.app/Contents/MacOS/<executable>
#   Tessly.app/Contents/Resources/{en.lproj,uk.lproj,images...}
#   Tessly.app/Contents/Resources/symbols.tsv and the symbol font (MaterialIcons-Regular.ttf, from Debian's
#                                   fonts-material-design-icons-iconfont; scripts/install-deps installs it)
#   Tessly.app/Contents/Helpers/codesign   (the code-signing stand-in, desktop/codesign)
#   Tessly.app/Contents/PlugIns/<plug-in>.docktileplugin/Contents/{Info.plist,MacOS/<plug-in>}
#                                   (the Dock tile plug-in, src/plugin; Info.plist names it under NSDockTilePlugIn)
#   Tessly.app/Contents/_CodeSignature/CodeResources   (an ad-hoc signature, made last)
# Everything that goes into the bundle is placed here, so that later additions (plug-in, stand-ins) have one home.
function(tessly_assemble_bundle)
    cmake_parse_arguments(ARG "" "TARGET;EXECUTABLE;IDENTIFIER;OUTPUT_DIR;DOCK_TILE_PLUGIN" "" ${ARGN})
    set(contents "${ARG_OUTPUT_DIR}/Contents")

    set_target_properties(${ARG_TARGET} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${contents}/MacOS"
        OUTPUT_NAME "${ARG_EXECUTABLE}")

    set(TESSLY_BUNDLE_IDENTIFIER "${ARG_IDENTIFIER}")
    set(TESSLY_BUNDLE_EXECUTABLE "${ARG_EXECUTABLE}")
    set(TESSLY_BUNDLE_NAME "${ARG_EXECUTABLE}")
    set(TESSLY_VERSION "${PROJECT_VERSION}")
    set(TESSLY_BUILD_NUMBER "1")
    set(TESSLY_DOCK_TILE_PLUGIN_BUNDLE "${ARG_DOCK_TILE_PLUGIN}.docktileplugin")
    configure_file("${PROJECT_SOURCE_DIR}/resources/Info.plist.in" "${contents}/Info.plist" @ONLY)

    # The Dock tile plug-in, a bundle of its own inside the application's (and so inside every helper copied
    # from it): the Dock loads it from there by the name under NSDockTilePlugIn. Its shared object is linked
    # straight into the bundle, as the executable is.
    set(plugin_contents "${contents}/PlugIns/${TESSLY_DOCK_TILE_PLUGIN_BUNDLE}/Contents")
    set_target_properties(${ARG_DOCK_TILE_PLUGIN} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY "${plugin_contents}/MacOS"
        OUTPUT_NAME "${ARG_DOCK_TILE_PLUGIN}")
    set(TESSLY_PLUGIN_EXECUTABLE "${ARG_DOCK_TILE_PLUGIN}")
    set(TESSLY_PLUGIN_IDENTIFIER "${ARG_IDENTIFIER}.DockTilePlugin")
    configure_file("${PROJECT_SOURCE_DIR}/src/plugin/Info.plist.in" "${plugin_contents}/Info.plist" @ONLY)
    add_dependencies(${ARG_TARGET} ${ARG_DOCK_TILE_PLUGIN})

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

    # The symbol table, and the font whose glyphs it names: copied into the bundle so that every helper copy
    # draws its symbols without reaching outside it. Without the font the program still runs, without symbols.
    find_file(TESSLY_SYMBOL_FONT MaterialIcons-Regular.ttf
        PATHS /usr/share/fonts/truetype/material-design-icons-iconfont
        DOC "The icon font the symbol table names glyphs of"
        NO_DEFAULT_PATH)
    set(symbol_files "${resource_root}/symbols.tsv")
    if(TESSLY_SYMBOL_FONT)
        list(APPEND symbol_files "${TESSLY_SYMBOL_FONT}")
    else()
        message(WARNING "MaterialIcons-Regular.ttf not found (run scripts/install-deps): the bundle draws no symbols.")
    endif()
    foreach(source IN LISTS symbol_files)
        get_filename_component(name "${source}" NAME)
        set(destination "${contents}/Resources/${name}")
        add_custom_command(OUTPUT "${destination}"
            COMMAND ${CMAKE_COMMAND} -E copy_if_different "${source}" "${destination}"
            DEPENDS "${source}"
            COMMENT "Bundling ${name}"
            VERBATIM)
        list(APPEND copied "${destination}")
    endforeach()
    add_custom_target(${ARG_TARGET}_bundle_resources ALL DEPENDS ${copied})
    add_dependencies(${ARG_TARGET} ${ARG_TARGET}_bundle_resources)

    # The code-signing stand-in travels in the bundle, and so in every helper copied from it: on Linux the
    # program runs it where macOS has the system's tool.
    set(signing_tool "${contents}/Helpers/codesign")
    add_custom_command(OUTPUT "${signing_tool}"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:codesign>" "${signing_tool}"
        DEPENDS codesign
        COMMENT "Bundling the code-signing stand-in"
        VERBATIM)

    # Signing comes last, as the signature seals every file of the bundle: it depends on all of them and runs
    # again when any changes. Whatever is added to the bundle later must be added to this list.
    set(manifest "${contents}/_CodeSignature/CodeResources")
    add_custom_command(OUTPUT "${manifest}"
        COMMAND "$<TARGET_FILE:codesign>" --force --deep --sign - --timestamp=none "${ARG_OUTPUT_DIR}"
        DEPENDS ${ARG_TARGET} "$<TARGET_FILE:${ARG_TARGET}>" "${contents}/Info.plist" ${copied} "${signing_tool}"
            ${ARG_DOCK_TILE_PLUGIN} "$<TARGET_FILE:${ARG_DOCK_TILE_PLUGIN}>" "${plugin_contents}/Info.plist"
        COMMENT "Signing ${ARG_OUTPUT_DIR} ad hoc"
        VERBATIM)
    # The complete, signed bundle; build this target (not the executable alone) before running it.
    add_custom_target(${ARG_TARGET}_bundle ALL DEPENDS "${manifest}")

    set_property(GLOBAL PROPERTY TESSLY_BUNDLE_DIR "${ARG_OUTPUT_DIR}")
endfunction()
