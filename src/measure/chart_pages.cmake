target_sources(zentor_measure_pages PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/measurement_page.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recorder_page.h
    ${CMAKE_CURRENT_LIST_DIR}/recorder_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scope_page.h
    ${CMAKE_CURRENT_LIST_DIR}/scope_page.cpp)
