# Checks that the plug-in host and the Dock tile plug-in load no Qt library, directly or through another: the
# Dock holds one host per tile, and Qt's relocated data alone would double each host's private memory.
# Run by CTest: cmake -DEXECUTABLE=<tessly-dock-plugin-host> -DMODULE=<plug-in> -P check_qt_free_linking.cmake
cmake_minimum_required(VERSION 3.25)

file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${EXECUTABLE}"
    MODULES "${MODULE}"
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved)
if(unresolved)
    message(FATAL_ERROR "Libraries not found: ${unresolved}")
endif()
set(problems "")
foreach(library IN LISTS resolved)
    get_filename_component(name "${library}" NAME)
    if(name MATCHES "^libQt")
        list(APPEND problems "${name}")
    endif()
endforeach()
if(problems)
    list(JOIN problems ", " text)
    message(FATAL_ERROR "The plug-in host or its plug-in loads Qt: ${text}")
endif()
list(LENGTH resolved count)
message(STATUS "The plug-in host and its plug-in load ${count} libraries, none of Qt")
