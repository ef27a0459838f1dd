# Upload, run control and read-back: against the simulated board, against a
# scripted board for exact bytes and pauses, and the page's view.
zentor_add_test(program_transfer_board_test
    SOURCES transfer_support.h transfer_board_test.cpp
    LIBS zentor_program_page zentor_sim)
zentor_add_test(program_transfer_peer_test
    SOURCES transfer_support.h transfer_peer_test.cpp
    LIBS zentor_program_page)
zentor_add_test(program_transfer_view_test
    SOURCES transfer_view_test.cpp
    LIBS zentor_program_page zentor_qt_test_main)
