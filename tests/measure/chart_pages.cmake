# Page tests of "Zeitschreiber" and "Oszilloskop": the pages against the
# simulated board and a scripted board on a real pty.
zentor_add_test(measure_page_recorder_test
    SOURCES locale_scope.h segment_matcher.h page_recorder_test.cpp recording_journal_test.cpp
    LIBS zentor_measure_pages zentor_sim zentor_qt_test_main zentor_test_link_wait Qt6::Test)
zentor_add_test(measure_page_scope_test
    SOURCES locale_scope.h segment_matcher.h page_scope_test.cpp
    LIBS zentor_measure_pages zentor_sim zentor_qt_test_main zentor_test_link_wait)
