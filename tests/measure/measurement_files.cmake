# Measurement files, CSV export, chart pictures and hover values: the pure
# part, the pages, and the "&Datei" entries in the whole window.
zentor_add_test(measure_measurement_logic_test
    SOURCES
        locale_scope.h
        measurement_csv_test.cpp
        measurement_file_test.cpp
        measurement_lookup_test.cpp
    LIBS zentor_measure)
zentor_add_test(measure_measurement_pages_test
    SOURCES locale_scope.h measurement_pages_test.cpp
    LIBS zentor_measure_pages zentor_qt_test_main zentor_test_link_wait)
zentor_add_test(measure_measurement_menu_test
    SOURCES locale_scope.h measurement_commands_test.cpp
    LIBS zentor_shell zentor_test_link_wait zentor_qt_test_main)
