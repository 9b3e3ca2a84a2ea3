# The folders page's decisions without a display.
target_sources(mainwindow_logic_tests PRIVATE folders_page_logic_test.cpp)
