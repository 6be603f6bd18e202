# Files compiled into the program: the icons and logo, painted at build time by
# resources/ResourceGenerator.cpp, and the metric-compatible typefaces that stand
# in for "Arial" (Liberation Sans Regular and Bold, SIL OFL, from the Debian
# package fonts-liberation2). The generator writes one C++ source holding them
# all; its object is linked into rav_core.

set(RAV_LIBERATION_SANS_DIR "/usr/share/fonts/truetype/liberation2"
    CACHE PATH "Folder holding LiberationSans-Regular.ttf and LiberationSans-Bold.ttf")
set(RAV_FONT_REGULAR "${RAV_LIBERATION_SANS_DIR}/LiberationSans-Regular.ttf")
set(RAV_FONT_BOLD "${RAV_LIBERATION_SANS_DIR}/LiberationSans-Bold.ttf")

foreach(font IN ITEMS "${RAV_FONT_REGULAR}" "${RAV_FONT_BOLD}")
    if(NOT EXISTS "${font}")
        message(FATAL_ERROR "${font} is missing: install the package fonts-liberation2")
    endif()
endforeach()

add_executable(rav_resource_gen resources/ResourceGenerator.cpp)
target_link_libraries(rav_resource_gen PRIVATE rav_juce rav_warnings)

set(RAV_RESOURCE_SOURCE "${CMAKE_BINARY_DIR}/generated/EmbeddedResources.cpp")
set(RAV_RESOURCE_IMAGES "${CMAKE_BINARY_DIR}/resources/images")

add_custom_command(
    OUTPUT "${RAV_RESOURCE_SOURCE}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/generated" "${RAV_RESOURCE_IMAGES}"
    COMMAND rav_resource_gen "${RAV_RESOURCE_SOURCE}" "${RAV_RESOURCE_IMAGES}"
            "${RAV_FONT_REGULAR}" "${RAV_FONT_BOLD}"
    DEPENDS rav_resource_gen "${RAV_FONT_REGULAR}" "${RAV_FONT_BOLD}"
    COMMENT "Painting the icons and embedding the images and typefaces"
    VERBATIM)

add_library(rav_resources OBJECT "${RAV_RESOURCE_SOURCE}")
target_include_directories(rav_resources PRIVATE "${CMAKE_SOURCE_DIR}/src")
set_target_properties(rav_resources PROPERTIES POSITION_INDEPENDENT_CODE TRUE)

target_sources(rav_core PRIVATE $<TARGET_OBJECTS:rav_resources>)
