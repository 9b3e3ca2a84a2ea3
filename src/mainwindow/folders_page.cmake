# The folders page: its decisions (no widgets) and its views.
target_sources(tessly_mainwindow_logic PRIVATE
    folders_page_logic.cpp folders_page_logic.h)
