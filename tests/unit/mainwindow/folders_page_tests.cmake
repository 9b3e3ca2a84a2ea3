# The folders page's decisions without a display.
target_sources(mainwindow_logic_tests PRIVATE folders_page_logic_test.cpp)
# The folders page driven on the offscreen platform.
target_sources(mainwindow_view_tests PRIVATE folders_list_view_test.cpp)
