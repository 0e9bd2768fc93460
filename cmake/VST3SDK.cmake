# Locates the VST 3 SDK and builds only the parts of it the plug-in needs: the
# base libraries, VSTGUI, the module-info tool (it writes the bundle's
# moduleinfo.json), and the validator and editor host used by the tests.
#
# Where the SDK comes from, in this order:
#   -DVST3_SDK_ROOT=<folder>          a local copy given on the command line;
#   <sources>/../shared/vst3sdk       the pinned copy beside the source tree;
#   otherwise the same pinned tags fetched from the SDK's public repositories.
#
# A MinGW-w64 build (Windows) needs a few changes to the SDK: they live in
# cmake/vst3sdk-patches and are applied to a copy of the SDK in the build tree,
# never to the SDK folder itself.
# SPDX-License-Identifier: GPL-3.0-or-later

include_guard(GLOBAL)

set(VST3_SDK_ROOT "" CACHE PATH "Folder of a VST 3 SDK (vst3sdk v3.7.14_build_55); empty: find or fetch it")

function(tolvane_vst3_sdk_usable folder result)
    if(EXISTS "${folder}/pluginterfaces/base/funknown.h"
       AND EXISTS "${folder}/cmake/modules/SMTG_VST3_SDK.cmake"
       AND EXISTS "${folder}/public.sdk/CMakeLists.txt"
       AND EXISTS "${folder}/vstgui4/vstgui/CMakeLists.txt")
        set(${result} TRUE PARENT_SCOPE)
    else()
        set(${result} FALSE PARENT_SCOPE)
    endif()
endfunction()

get_filename_component(_tolvane_vst3_workplace "${CMAKE_SOURCE_DIR}/../shared/vst3sdk" ABSOLUTE)
if(VST3_SDK_ROOT)
    get_filename_component(_tolvane_vst3_root "${VST3_SDK_ROOT}" ABSOLUTE)
    tolvane_vst3_sdk_usable("${_tolvane_vst3_root}" _tolvane_vst3_ok)
    if(NOT _tolvane_vst3_ok)
        message(FATAL_ERROR "VST3_SDK_ROOT=${VST3_SDK_ROOT} is not a complete VST 3 SDK "
                            "(needs base, cmake, pluginterfaces, public.sdk and vstgui4)")
    endif()
else()
    tolvane_vst3_sdk_usable("${_tolvane_vst3_workplace}" _tolvane_vst3_ok)
    if(_tolvane_vst3_ok)
        set(_tolvane_vst3_root "${_tolvane_vst3_workplace}")
    else()
        # The top-level tag pins each submodule at its commit (base 823de87,
        # cmake 0d64653, pluginterfaces dd77488, public.sdk b8931a0, vstgui4 at
        # vstgui4_14_2), so a recursive-free clone of just these five is enough.
        include(FetchContent)
        message(STATUS "VST 3 SDK not found locally; fetching vst3sdk v3.7.14_build_55")
        FetchContent_Declare(vst3sdk
            GIT_REPOSITORY https://github.com/steinbergmedia/vst3sdk.git
            GIT_TAG v3.7.14_build_55
            GIT_SHALLOW ON
            GIT_SUBMODULES base cmake pluginterfaces public.sdk vstgui4
            GIT_SUBMODULES_RECURSE OFF
            GIT_PROGRESS ON
            # Populate only: the SDK's own top-level project would add its examples.
            SOURCE_SUBDIR do-not-add-the-sdk-top-level
        )
        FetchContent_MakeAvailable(vst3sdk)
        set(_tolvane_vst3_root "${vst3sdk_SOURCE_DIR}")
        tolvane_vst3_sdk_usable("${_tolvane_vst3_root}" _tolvane_vst3_ok)
        if(NOT _tolvane_vst3_ok)
            message(FATAL_ERROR "The fetched VST 3 SDK in ${_tolvane_vst3_root} is incomplete")
        endif()
    endif()
endif()
message(STATUS "VST 3 SDK: ${_tolvane_vst3_root}")
# Where its licence texts are, for scripts/package.sh.
set(TOLVANE_VST3_SDK_ROOT "${_tolvane_vst3_root}" CACHE INTERNAL "The VST 3 SDK the build uses, unpatched")

if(MINGW)
    include(VST3SDKPatches)
    tolvane_patched_vst3_sdk("${_tolvane_vst3_root}" _tolvane_vst3_root)
    message(STATUS "VST 3 SDK patched for MinGW-w64: ${_tolvane_vst3_root}")
    set(SMTG_CREATE_BUNDLE_FOR_WINDOWS ON CACHE BOOL "The plug-in as a .vst3 bundle folder" FORCE)
endif()

# Only the SDK's libraries and the hosting tools we name below; never the
# example plug-ins, no validator run after each link (CTest runs it) and no
# symbolic link into the user's ~/.vst3 during builds (see the install step).
set(SMTG_ENABLE_VST3_PLUGIN_EXAMPLES OFF CACHE BOOL "Build the SDK's example plug-ins" FORCE)
set(SMTG_ENABLE_VST3_HOSTING_EXAMPLES ON CACHE BOOL "Needed for the SDK's editorhost" FORCE)
set(SMTG_ENABLE_VSTGUI_SUPPORT ON CACHE BOOL "VSTGUI for the editor" FORCE)
set(SMTG_RUN_VST_VALIDATOR OFF CACHE BOOL "Validator runs as a CTest test instead" FORCE)
set(SMTG_CREATE_PLUGIN_LINK OFF CACHE BOOL "No link into ~/.vst3 while building" FORCE)
set(SMTG_CREATE_MODULE_INFO ON CACHE BOOL "Write moduleinfo.json into the bundle" FORCE)
set(SMTG_ADD_VST3_UTILITIES OFF CACHE BOOL "The module-info tool is added on its own" FORCE)

# The SDK's set-up changes directory-wide compiler settings and output folders;
# remember ours so that the project's own targets keep exactly their settings.
get_directory_property(_tolvane_saved_compile_options COMPILE_OPTIONS)
get_directory_property(_tolvane_saved_include_dirs INCLUDE_DIRECTORIES)
get_directory_property(_tolvane_saved_link_libraries LINK_LIBRARIES)
set(_tolvane_saved_vars
    CMAKE_CXX_FLAGS CMAKE_ARCHIVE_OUTPUT_DIRECTORY CMAKE_LIBRARY_OUTPUT_DIRECTORY
    CMAKE_RUNTIME_OUTPUT_DIRECTORY CMAKE_CONFIGURATION_TYPES
    CMAKE_CXX_VISIBILITY_PRESET CMAKE_VISIBILITY_INLINES_HIDDEN)
foreach(_var IN LISTS _tolvane_saved_vars)
    if(DEFINED ${_var})
        set(_tolvane_saved_${_var} "${${_var}}")
        set(_tolvane_had_${_var} TRUE)
    else()
        set(_tolvane_had_${_var} FALSE)
    endif()
endforeach()

list(APPEND CMAKE_MODULE_PATH "${_tolvane_vst3_root}/cmake/modules")
include(SMTG_VST3_SDK)
smtg_setup_platform_toolset()
smtg_setup_symbol_visibility()

set(SDK_ROOT "${_tolvane_vst3_root}")
set(VST3_SDK_DIR "${_tolvane_vst3_root}")
set(public_sdk_SOURCE_DIR "${SDK_ROOT}/public.sdk")
set(pluginterfaces_SOURCE_DIR "${SDK_ROOT}/pluginterfaces")
set(VST_SDK TRUE)
include_directories(${SDK_ROOT})

# SYSTEM: the SDK's headers do not count against our warning-free build.
# EXCLUDE_FROM_ALL: only what our targets (and tolvane_vst3_hosts) need is built.
set(_tolvane_vst3_bin "${CMAKE_BINARY_DIR}/vst3sdk")
add_subdirectory("${SDK_ROOT}/pluginterfaces" "${_tolvane_vst3_bin}/pluginterfaces" EXCLUDE_FROM_ALL SYSTEM)
add_subdirectory("${SDK_ROOT}/base" "${_tolvane_vst3_bin}/base" EXCLUDE_FROM_ALL SYSTEM)
add_subdirectory("${SDK_ROOT}/public.sdk" "${_tolvane_vst3_bin}/public.sdk" EXCLUDE_FROM_ALL SYSTEM)
smtg_enable_vstgui_support(VSTGUI_SOURCE_DIR "${SDK_ROOT}/vstgui4")
set(SDK_IDE_HOSTING_EXAMPLES_FOLDER FOLDER "Hosting-Examples")
add_subdirectory("${SDK_ROOT}/public.sdk/samples/vst-hosting/validator"
                 "${_tolvane_vst3_bin}/validator" EXCLUDE_FROM_ALL SYSTEM)
add_subdirectory("${SDK_ROOT}/public.sdk/samples/vst-hosting/editorhost"
                 "${_tolvane_vst3_bin}/editorhost" EXCLUDE_FROM_ALL SYSTEM)
add_subdirectory("${SDK_ROOT}/public.sdk/samples/vst-utilities/moduleinfotool"
                 "${_tolvane_vst3_bin}/moduleinfotool" EXCLUDE_FROM_ALL SYSTEM)

# VSTGUI is added by the SDK's helper without those options.
set_property(DIRECTORY "${SDK_ROOT}/vstgui4/vstgui" PROPERTY EXCLUDE_FROM_ALL TRUE)
foreach(_target IN ITEMS vstgui vstgui_uidescription vstgui_support vstgui_standalone)
    if(TARGET ${_target})
        set_property(TARGET ${_target} PROPERTY SYSTEM TRUE)
    endif()
endforeach()
set_property(TARGET vstgui_support PROPERTY EXCLUDE_FROM_ALL TRUE)
# vstgui_support lives in our top-level folder, where the SDK's -Wno-multichar is undone below.
target_compile_options(vstgui_support PRIVATE -Wno-multichar)

if(MINGW)
    # The SDK's gain example, a control for the editor check under Wine
    # (scripts/windows/editor-check.sh): built only when asked for.
    set(vstsdk_VERSION 3.7.14)
    set(SDK_IDE_PLUGIN_EXAMPLES_FOLDER FOLDER "PlugInExamples")
    add_subdirectory("${SDK_ROOT}/public.sdk/samples/vst/again" "${_tolvane_vst3_bin}/again" EXCLUDE_FROM_ALL SYSTEM)
    get_target_property(_tolvane_again_bundle again SMTG_PLUGIN_PACKAGE_PATH)
    set_target_properties(again PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${_tolvane_again_bundle}/Contents/x86_64-win")
    # GNU ld reads static libraries once: VSTGUI again after its description library.
    target_link_libraries(again PRIVATE vstgui_uidescription vstgui)

    # MSVC finds VSTGUI's system libraries through #pragma comment(lib); MinGW links them by name.
    target_link_libraries(vstgui PUBLIC d2d1 dwrite d3d11 dwmapi shlwapi windowscodecs opengl32 glu32)
    # Unicode entry point (wmain), as the SDK already gives its editor host.
    target_link_options(validator PRIVATE -municode)
endif()

# The two SDK hosts the tests use, built with the default target.
add_custom_target(tolvane_vst3_hosts ALL)
add_dependencies(tolvane_vst3_hosts validator editorhost)

set_directory_properties(PROPERTIES
    COMPILE_OPTIONS "${_tolvane_saved_compile_options}"
    INCLUDE_DIRECTORIES "${_tolvane_saved_include_dirs}"
    LINK_LIBRARIES "${_tolvane_saved_link_libraries}")
foreach(_var IN LISTS _tolvane_saved_vars)
    if(_tolvane_had_${_var})
        set(${_var} "${_tolvane_saved_${_var}}")
    else()
        unset(${_var})
    endif()
endforeach()
# The SDK's own headers rename its ASSERT macros; every user of them must agree.
add_compile_definitions(SMTG_RENAME_ASSERT=1)
