# The test suites of a Windows build, run under Wine by CTest (the toolchain's
# CMAKE_CROSSCOMPILING_EMULATOR). Left out, and why:
#   editor  its window tests drive an X11 window (the Windows editor is checked
#           in the SDK's editor host instead: scripts/windows/editor-check.sh);
#   play    tolvane-play is a JACK client, built for Linux only;
#   plugin/vst  the shell's unit tests load the SDK's Linux module and hosting
#           code; the SDK's validator runs every host-side test on the bundle;
#   clap    only the host program tolvane_clap_host.exe is built; it renders
#           against the Linux plug-in and opens the window under Wine
#           (scripts/windows/clap-check.sh);
#   tools   the tests that run tolvane-render through a POSIX shell or fork
#           (command line, outputs, faults, sound-data options, golden renders,
#           the factory bank renders) and the demo generator check: the Windows
#           renderer is compared render for render with the Linux one instead
#           (scripts/windows/render-compare.sh);
#   the Python checks of the generated bank files, demo songs and audition
#           manifest, and Ardour's preset menu: they run on the build machine,
#           in the Linux stage.
# SPDX-License-Identifier: GPL-3.0-or-later
include_guard(GLOBAL)
set(TOLVANE_WINDOWS_TESTS ON)
list(REMOVE_ITEM tolvane_test_layers editor play)

# GoogleTest from Debian's source package (googletest), built for the target.
set(TOLVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory("${TOLVANE_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# One CTest test per test program rather than per test case: each case would
# start Wine afresh, which costs more than the case itself.
function(gtest_discover_tests target)
    cmake_parse_arguments(ARG "" "DISCOVERY_TIMEOUT" "PROPERTIES" ${ARGN})
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    if(ARG_PROPERTIES)
        set_tests_properties(${target} PROPERTIES ${ARG_PROPERTIES})
    endif()
endfunction()
