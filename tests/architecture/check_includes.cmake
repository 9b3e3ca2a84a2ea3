# Checks the layering by what the sources include:
#  - only the Linux adapters themselves and the composition roots (src/shell/main.cpp for the program,
#    src/plugin/dock_tile_plugin_entry.cpp for the Dock tile plug-in, a shared object of its own) include an
#    adapter header ("platform/linux/..."); everything else works through the ports;
#  - the main window's generic controls include nothing of folders, settings or the other rooms;
#  - the sources of the libraries meant to be free of widgets include no Qt Widgets header;
#  - the sources of the plug-in host, the plug-in and the Qt-free pieces they share (src/base) include no Qt
#    header at all, and of the program's own headers only each other's.
# Run by CTest: cmake -DSOURCE_DIR=<repo> -DWIDGETS_INCLUDE_DIR=<QtWidgets headers> -DWIDGET_FREE_SOURCES=<list>
#                     -DQT_FREE_SOURCES=<list> -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)

set(problems "")

file(GLOB_RECURSE all_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(source IN LISTS all_sources)
    if(source MATCHES "^src/platform/linux/" OR source STREQUAL "src/shell/main.cpp"
       OR source STREQUAL "src/plugin/dock_tile_plugin_entry.cpp")
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]platform/linux/")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        list(APPEND problems "${source} includes an adapter: ${line}")
    endforeach()
endforeach()

# The generic controls know nothing of folders, settings or the rest of the window: they include only each
# other, the platform's ports and the model's enumerations.
file(GLOB control_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/mainwindow/controls/*")
foreach(source IN LISTS control_sources)
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "\"(mainwindow/controls/|platform/|model/enumerations\\.h)")
            string(STRIP "${line}" line)
            list(APPEND problems "${source} is a generic control but includes ${line}")
        endif()
    endforeach()
endforeach()

# The names of the Qt Widgets headers ("QWidget", "QPushButton", ...), from the installed module.
file(GLOB widget_headers RELATIVE "${WIDGETS_INCLUDE_DIR}" "${WIDGETS_INCLUDE_DIR}/Q*")
list(REMOVE_ITEM widget_headers "QtWidgets" "QtWidgetsDepends" "QtWidgetsVersion")
if(NOT widget_headers)
    message(FATAL_ERROR "No Qt Widgets headers found in ${WIDGETS_INCLUDE_DIR}")
endif()
foreach(source IN LISTS WIDGET_FREE_SOURCES)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<")
    foreach(line IN LISTS lines)
        if(line MATCHES "<(QtWidgets/)?([A-Za-z0-9_]+)>")
            set(header "${CMAKE_MATCH_2}")
            if(CMAKE_MATCH_1 OR header IN_LIST widget_headers)
                string(STRIP "${line}" line)
                list(APPEND problems "${source} is in a library free of widgets but includes ${line}")
            endif()
        endif()
    endforeach()
endforeach()

# src/base is the Qt-free layer: it includes nothing of the program's other layers, which all use Qt.
file(GLOB_RECURSE base_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/base/*")
foreach(source IN LISTS base_sources)
    list(APPEND QT_FREE_SOURCES "${SOURCE_DIR}/${source}")
endforeach()
list(REMOVE_DUPLICATES QT_FREE_SOURCES)
foreach(source IN LISTS QT_FREE_SOURCES)
    if(NOT source MATCHES "\\.(h|cpp)$")
        continue()
    endif()
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line MATCHES "<Q[A-Za-z0-9_]*(/[A-Za-z0-9_]+)?>")
            list(APPEND problems "${source} must stay free of Qt but includes ${line}")
        elseif(line MATCHES "\"" AND NOT line MATCHES "\"(base/|plugin/dock_tile_|dock_plugin_)")
            list(APPEND problems "${source} must stay free of Qt but includes ${line}")
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "The layers are crossed:\n${text}")
endif()
list(LENGTH all_sources checked)
message(STATUS "Includes respect the layers (${checked} sources)")
