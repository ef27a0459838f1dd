# Tests of TAnal, TAMAdvLed and TWebLabel: paint into an image, probe pixels.
zentor_add_test(widgets_meter
    SOURCES amm_geometry_test.cpp amm_test.cpp pixel_probe.h
    LIBS zentor_widgets zentor_qt_test_main Qt6::Test)
zentor_add_test(widgets_led
    SOURCES amadvled_test.cpp pixel_probe.h
    LIBS zentor_widgets zentor_ledshapes zentor_qt_test_main Qt6::Test)
zentor_add_test(widgets_weblabel
    SOURCES weblabel_test.cpp
    LIBS zentor_widgets zentor_qt_test_main Qt6::Test)
# What the drawn widgets tell assistive technology; text colours on fixed
# backgrounds.
zentor_add_test(widgets_access
    SOURCES widget_access_test.cpp
    LIBS zentor_widgets zentor_qt_test_main Qt6::Test)
# Positions told to assistive tools at a scale of 200 % (a main of its own
# sets the scale before the application starts).
zentor_add_test(widgets_device_pixels
    SOURCES device_pixels_test.cpp
    LIBS zentor_widgets Qt6::Test)
