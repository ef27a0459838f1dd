# TDiagramm, TDiagram: the chart widgets, and their geometry without painting.
target_sources(zentor_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/chart_scale.h
    ${CMAKE_CURRENT_LIST_DIR}/chart_scale.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chart_widget.h
    ${CMAKE_CURRENT_LIST_DIR}/chart_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diagramm.h
    ${CMAKE_CURRENT_LIST_DIR}/diagramm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/diagram.h
    ${CMAKE_CURRENT_LIST_DIR}/diagram.cpp)
