# The "Extern Messen" page: against the simulated board, and on its own with
# a scripted board.
zentor_add_test(measure_page_logger_test
    SOURCES
        locale_scope.h
        page_logger_support.h
        page_logger_test.cpp
    LIBS zentor_measure_pages zentor_sim zentor_qt_test_main zentor_test_link_wait)

zentor_add_test(measure_page_logger_view_test
    SOURCES
        locale_scope.h
        page_logger_support.h
        page_logger_view_test.cpp
    LIBS zentor_measure_pages zentor_qt_test_main zentor_test_link_wait Qt6::Test)

# "&Kopieren" through the main window, for every page with a text of its own.
zentor_add_test(measure_page_logger_copy_test
    SOURCES
        locale_scope.h
        page_logger_copy_test.cpp
    LIBS zentor_shell zentor_qt_test_main zentor_test_link_wait)
