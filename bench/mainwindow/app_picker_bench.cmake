# The application picker over 500 applications: open to first paint, and a keystroke in its search.
add_executable(app_picker_bench ${CMAKE_CURRENT_LIST_DIR}/app_picker_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../shell/widgets_bench_main.cpp)
target_link_libraries(app_picker_bench PRIVATE
    benchmark::benchmark tessly_mainwindow tessly_platform_linux tessly_test_support Qt6::Widgets tessly_warnings)
target_include_directories(app_picker_bench PRIVATE "${PROJECT_SOURCE_DIR}/bench" "${PROJECT_SOURCE_DIR}/tests")
get_property(TESSLY_BUNDLE_DIR GLOBAL PROPERTY TESSLY_BUNDLE_DIR)
target_compile_definitions(app_picker_bench PRIVATE
    TESSLY_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TESSLY_BUNDLE_DIR="${TESSLY_BUNDLE_DIR}"
    TESSLY_SYMBOL_FONT="${TESSLY_SYMBOL_FONT}")
