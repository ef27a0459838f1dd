# TAnal (amm), TAMAdvLed and TWebLabel.
target_sources(zentor_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/amm.h
    ${CMAKE_CURRENT_LIST_DIR}/amm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/amm_geometry.h
    ${CMAKE_CURRENT_LIST_DIR}/amm_geometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/amadvled.h
    ${CMAKE_CURRENT_LIST_DIR}/amadvled.cpp
    ${CMAKE_CURRENT_LIST_DIR}/led_names.h
    ${CMAKE_CURRENT_LIST_DIR}/leds.qrc
    ${CMAKE_CURRENT_LIST_DIR}/weblabel.h
    ${CMAKE_CURRENT_LIST_DIR}/weblabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/click_tracker.h
    ${CMAKE_CURRENT_LIST_DIR}/picture_label.h
    ${CMAKE_CURRENT_LIST_DIR}/widget_access.h
    ${CMAKE_CURRENT_LIST_DIR}/widget_access.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_pixels.h
    ${CMAKE_CURRENT_LIST_DIR}/device_pixels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pacer.h
    ${CMAKE_CURRENT_LIST_DIR}/pacer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/announcer.h
    ${CMAKE_CURRENT_LIST_DIR}/announcer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/focus_group.h
    ${CMAKE_CURRENT_LIST_DIR}/focus_group.cpp
    ${CMAKE_CURRENT_LIST_DIR}/focus_return.h
    ${CMAKE_CURRENT_LIST_DIR}/focus_return.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_place.h
    ${CMAKE_CURRENT_LIST_DIR}/window_place.cpp
    ${CMAKE_CURRENT_LIST_DIR}/access_style.h
    ${CMAKE_CURRENT_LIST_DIR}/access_style.cpp)

# The LED shape pictures in resources/leds are drawn by tools/leds and kept
# in the repository; `cmake --build <dir> --target zentor_leds` draws them
# again after a change of the drawing code.
add_library(zentor_ledshapes STATIC EXCLUDE_FROM_ALL
    ${PROJECT_SOURCE_DIR}/tools/leds/led_shapes.h
    ${PROJECT_SOURCE_DIR}/tools/leds/led_shapes.cpp)
target_include_directories(zentor_ledshapes PUBLIC
    ${PROJECT_SOURCE_DIR}/tools/leds
    ${CMAKE_CURRENT_LIST_DIR})
add_executable(zentor_ledgen EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tools/leds/ledgen.cpp)
target_link_libraries(zentor_ledgen PRIVATE zentor_ledshapes)
add_custom_target(zentor_leds
    COMMAND zentor_ledgen ${PROJECT_SOURCE_DIR}/resources/leds
    DEPENDS zentor_ledgen
    COMMENT "Drawing the LED shape pictures into resources/leds"
    VERBATIM)
