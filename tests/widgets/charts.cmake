# Tests of TDiagramm, TDiagram and their geometry.
zentor_add_test(widgets_chart_scale_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart_scale_test.cpp ${CMAKE_CURRENT_LIST_DIR}/chart_test_main.cpp
    LIBS zentor_widgets)
zentor_add_test(widgets_chart_widget_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart_widget_test.cpp ${CMAKE_CURRENT_LIST_DIR}/chart_test_main.cpp
    LIBS zentor_widgets)

# Not a test: times full repaints of a chart with a 1500-point trace
# (run build-dir/tests/widgets/widgets_chart_bench [repaints]).
add_executable(widgets_chart_bench ${CMAKE_CURRENT_LIST_DIR}/chart_bench.cpp)
target_link_libraries(widgets_chart_bench PRIVATE zentor_widgets)
