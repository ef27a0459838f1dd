# Tests of the "Programm" page: the listing editor and the program files.
set(PROGRAM_PAGE_TEST_LIBS zentor_program_page zentor_qt_test_main zentor_test_link_wait Qt6::Test)
zentor_add_test(program_page_editor_test SOURCES page_editor_test.cpp page_support.h
                LIBS ${PROGRAM_PAGE_TEST_LIBS})
zentor_add_test(program_page_files_test SOURCES page_files_test.cpp page_support.h
                LIBS ${PROGRAM_PAGE_TEST_LIBS})
zentor_add_test(program_page_startup_test SOURCES page_startup_test.cpp
                LIBS zentor_shell zentor_qt_test_main zentor_test_link_wait)
zentor_add_test(program_page_run_test SOURCES page_run_test.cpp page_support.h
                LIBS ${PROGRAM_PAGE_TEST_LIBS} zentor_sim)
target_compile_definitions(program_page_run_test PRIVATE
                           ZENTOR_SOURCE_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
zentor_add_test(program_monitor_test SOURCES monitor_test.cpp LIBS zentor_program_page)
