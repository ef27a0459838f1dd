# The decoder of the first page's picture, checked also against the picture
# and icons the program ships in its resources.
zentor_add_test(shell_jpeg_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_image_test.cpp ${PROJECT_SOURCE_DIR}/src/shell/jpeg_image.cpp
            ${PROJECT_SOURCE_DIR}/resources/app.qrc
    LIBS JPEG::JPEG Qt6::Gui)
target_include_directories(shell_jpeg_test PRIVATE ${PROJECT_SOURCE_DIR}/src/shell)
