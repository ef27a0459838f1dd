# TAnal, TAMAdvLed, TWebLabel: target_sources(zentor_widgets PRIVATE ...)
