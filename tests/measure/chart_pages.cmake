# Page tests (zentor_add_test).
