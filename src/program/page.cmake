target_sources(zentor_program_page PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/program_page.h
    ${CMAKE_CURRENT_LIST_DIR}/program_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_editor_widgets.h
    ${CMAKE_CURRENT_LIST_DIR}/program_editor_widgets.cpp)
