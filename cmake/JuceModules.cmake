# Compiles the JUCE modules once, into one static library that the program,
# the tests, the benchmarks and the tools link. Every juce_add_* target would
# otherwise compile all of JUCE again.
add_library(rav_juce STATIC)

target_link_libraries(rav_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_gui_extra
        juce::juce_audio_basics
        juce::juce_audio_devices
        juce::juce_audio_formats
        juce::juce_audio_processors
        juce::juce_audio_utils
    PUBLIC
        juce::juce_recommended_config_flags
        PkgConfig::DEB_AUDIO_CODECS
        juce::pkgconfig_JUCE_IMG_LINUX_DEPS)

target_compile_definitions(rav_juce
    PUBLIC
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=1
        JUCE_PLUGINHOST_VST3=1
        JUCE_JACK=1
        JUCE_ALSA=1
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_USE_MP3AUDIOFORMAT=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_STRICT_REFCOUNTEDPOINTER=1)

# Re-export the modules' include paths and definitions to everything linking us.
target_include_directories(rav_juce INTERFACE $<TARGET_PROPERTY:rav_juce,INCLUDE_DIRECTORIES>)
target_compile_definitions(rav_juce INTERFACE $<TARGET_PROPERTY:rav_juce,COMPILE_DEFINITIONS>)

set_target_properties(rav_juce PROPERTIES
    POSITION_INDEPENDENT_CODE TRUE
    VISIBILITY_INLINES_HIDDEN TRUE
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden)
