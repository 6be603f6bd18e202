# Warnings are errors for the project's own targets (not for JUCE itself).
add_library(rav_warnings INTERFACE)
target_compile_options(rav_warnings INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wunused-parameter -Wuninitialized -Wreorder -Werror)
