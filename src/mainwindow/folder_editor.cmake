# The folder editor and its pickers: the name rule, the symbols and the picker's choices as plain logic; the
# editor sheet, the symbol grid and the application picker as widgets.
target_sources(tessly_mainwindow_logic PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/app_picker_selection.cpp ${CMAKE_CURRENT_LIST_DIR}/app_picker_selection.h
    ${CMAKE_CURRENT_LIST_DIR}/folder_editor_logic.cpp ${CMAKE_CURRENT_LIST_DIR}/folder_editor_logic.h)
target_sources(tessly_mainwindow PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/app_icon_cache.cpp ${CMAKE_CURRENT_LIST_DIR}/app_icon_cache.h
    ${CMAKE_CURRENT_LIST_DIR}/app_picker_view.cpp ${CMAKE_CURRENT_LIST_DIR}/app_picker_view.h
    ${CMAKE_CURRENT_LIST_DIR}/folder_editor_sheets.cpp ${CMAKE_CURRENT_LIST_DIR}/folder_editor_sheets.h
    ${CMAKE_CURRENT_LIST_DIR}/icon_picker_popover.cpp ${CMAKE_CURRENT_LIST_DIR}/icon_picker_popover.h
    ${CMAKE_CURRENT_LIST_DIR}/new_folder_sheet.cpp ${CMAKE_CURRENT_LIST_DIR}/new_folder_sheet.h
    ${CMAKE_CURRENT_LIST_DIR}/popup_window.cpp ${CMAKE_CURRENT_LIST_DIR}/popup_window.h
    ${CMAKE_CURRENT_LIST_DIR}/sheet_content.cpp ${CMAKE_CURRENT_LIST_DIR}/sheet_content.h
    ${CMAKE_CURRENT_LIST_DIR}/text_field.cpp ${CMAKE_CURRENT_LIST_DIR}/text_field.h)
# The application picker scans for applications when it opens.
target_link_libraries(tessly_mainwindow PUBLIC tessly_discovery)
