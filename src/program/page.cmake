target_sources(zentor_program_page PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/palettes.h
    ${CMAKE_CURRENT_LIST_DIR}/program_page.h
    ${CMAKE_CURRENT_LIST_DIR}/program_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_editor_widgets.h
    ${CMAKE_CURRENT_LIST_DIR}/program_editor_widgets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_monitor.h
    ${CMAKE_CURRENT_LIST_DIR}/program_monitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/monitor_box.h
    ${CMAKE_CURRENT_LIST_DIR}/monitor_box.cpp)
