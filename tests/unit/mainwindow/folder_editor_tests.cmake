# The folder editor's and the application picker's decisions without a display: the name rule, the symbols,
# saving, and the picker's search and choices.
tessly_add_test(folder_editor_logic_tests
    SOURCES folder_editor_logic_test.cpp app_picker_selection_test.cpp ../../support/string_table_bundle.h
    LIBRARIES tessly_mainwindow_logic)
# The editor sheet, the symbol grid and the application picker driven by keyboard and pointer on the
# offscreen platform.
find_package(Qt6 6.4 REQUIRED COMPONENTS Test Widgets)
tessly_add_test(folder_editor_tests WIDGETS
    SOURCES folder_editor_sheets_test.cpp ../../support/string_table_bundle.h
    LIBRARIES tessly_mainwindow Qt6::Test)
