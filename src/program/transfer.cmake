# Upload, run control and read-back: target_sources(zentor_program_page PRIVATE ...)
target_sources(zentor_program_page PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/program_transfer.h
    ${CMAKE_CURRENT_LIST_DIR}/program_transfer.cpp)
