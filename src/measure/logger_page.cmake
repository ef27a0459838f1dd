target_sources(zentor_measure_pages PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/logger_page.h
    ${CMAKE_CURRENT_LIST_DIR}/logger_page.cpp)
