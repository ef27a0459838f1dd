# "Extern Messen": the board-side data logger page.
target_sources(zentor_measure_pages PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/logger_page.h
    ${CMAKE_CURRENT_LIST_DIR}/logger_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logger_page.ui)
