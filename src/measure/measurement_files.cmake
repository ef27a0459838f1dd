# Measurement files, CSV export, chart pictures and the hover read-out of the
# measurement pages. The pure part (file form, CSV, nearest sample) goes into
# zentor_measure, the glue to the pages and the menu into zentor_measure_pages.
target_sources(zentor_measure PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/measurement_csv.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_csv.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_file.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_lookup.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_lookup.cpp)
target_sources(zentor_measure_pages PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/measurement_pages.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_pages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_commands.h
    ${CMAKE_CURRENT_LIST_DIR}/measurement_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_journal.h
    ${CMAKE_CURRENT_LIST_DIR}/recording_journal.cpp)
# Files are written with the atomic writer of the program files.
target_link_libraries(zentor_measure_pages PUBLIC zentor_program_core)
