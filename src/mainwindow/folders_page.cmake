# The folders page: its decisions (no widgets) and its views.
target_sources(tessly_mainwindow_logic PRIVATE
    folders_page_logic.cpp folders_page_logic.h)
target_sources(tessly_mainwindow PRIVATE
    folder_card_view.cpp folder_card_view.h
    folders_list_view.cpp folders_list_view.h)
