# A copy of the VST 3 SDK in the build tree with cmake/vst3sdk-patches applied:
# what a MinGW-w64 build needs and the SDK does not (yet) do itself. The copy is
# made again whenever the patch set changes.
# SPDX-License-Identifier: GPL-3.0-or-later
include_guard(GLOBAL)

function(tolvane_patched_vst3_sdk sdk_root result)
    set(patch_dir "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/vst3sdk-patches")
    file(GLOB patches "${patch_dir}/*.patch")
    list(SORT patches)
    set(fingerprint "${sdk_root}")
    foreach(patch IN LISTS patches)
        file(SHA256 "${patch}" hash)
        string(APPEND fingerprint "\n${hash}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${patch}")
    endforeach()

    set(copy "${CMAKE_BINARY_DIR}/vst3sdk-patched")
    set(stamp "${copy}/.tolvane-patches")
    if(EXISTS "${stamp}")
        file(READ "${stamp}" applied)
        if(applied STREQUAL fingerprint)
            set(${result} "${copy}" PARENT_SCOPE)
            return()
        endif()
    endif()

    find_program(TOLVANE_PATCH patch REQUIRED)
    file(REMOVE_RECURSE "${copy}")
    foreach(part base cmake pluginterfaces public.sdk vstgui4)
        file(COPY "${sdk_root}/${part}" DESTINATION "${copy}" NO_SOURCE_PERMISSIONS)
    endforeach()
    file(COPY "${sdk_root}/CMakeLists.txt" "${sdk_root}/LICENSE.txt" DESTINATION "${copy}" NO_SOURCE_PERMISSIONS)
    foreach(patch IN LISTS patches)
        execute_process(COMMAND "${TOLVANE_PATCH}" -p1 --forward --silent -d "${copy}" -i "${patch}"
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "Could not apply ${patch} to the VST 3 SDK copy in ${copy}")
        endif()
    endforeach()
    file(WRITE "${stamp}" "${fingerprint}")
    set(${result} "${copy}" PARENT_SCOPE)
endfunction()
