# Measurement files, CSV export, chart pictures and hover values: the pure
# part, the pages, and the "&Datei" entries in the whole window.
zentor_add_test(measure_measurement_logic_test
    SOURCES
        locale_scope.h
        measurement_csv_test.cpp
        measurement_file_test.cpp
        measurement_lookup_test.cpp
    LIBS zentor_measure)
