# Tests of TAnal, TAMAdvLed, TWebLabel (zentor_add_test).
