# The web page (web/). When Debian's emscripten is installed, the native build
# builds the page's WebAssembly side as a sub-build with Emscripten's toolchain
# in <build>/web-wasm and lays the page out in <build>/web: web/site's files,
# the module, the factory presets with their index and the licence. The page's
# tests (its suites under Node, the page in headless Chromium) join the suite.
# SPDX-License-Identifier: GPL-3.0-or-later
find_program(TOLVANE_EMCMAKE emcmake)
find_program(TOLVANE_NODE node)
if(NOT TOLVANE_EMCMAKE OR NOT TOLVANE_NODE)
    message(STATUS "emscripten or node not found (Debian: emscripten): the web page is not built")
    return()
endif()

include(ExternalProject)
set(web_wasm_dir ${CMAKE_BINARY_DIR}/web-wasm)
set(TOLVANE_WEB_DIR ${CMAKE_BINARY_DIR}/web)
# Emscripten's tools run under Node and load Debian's acorn from its folder,
# which Node builds other than Debian's own do not search.
set(web_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(web_launchers)
foreach(language C CXX)
    if(CMAKE_${language}_COMPILER_LAUNCHER)
        list(APPEND web_launchers -DCMAKE_${language}_COMPILER_LAUNCHER=${CMAKE_${language}_COMPILER_LAUNCHER})
    endif()
endforeach()
set(web_wasm_targets tolvane_web_module)
if(TOLVANE_BUILD_TESTS)
    list(APPEND web_wasm_targets web_wasm_tests)
endif()
string(REPLACE ";" " " web_target_list "${web_wasm_targets}")
ExternalProject_Add(tolvane_web_wasm
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${web_wasm_dir}
    CONFIGURE_COMMAND ${web_env} ${TOLVANE_EMCMAKE} ${CMAKE_COMMAND} -G Ninja -S ${PROJECT_SOURCE_DIR} -B ${web_wasm_dir}
                      -DCMAKE_BUILD_TYPE=Release ${web_launchers}
    BUILD_COMMAND ${web_env} ${CMAKE_COMMAND} --build ${web_wasm_dir} --target ${web_wasm_targets}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON
    BUILD_BYPRODUCTS ${web_wasm_dir}/web/tolvane.wasm)

# The page: copied afresh whenever a file of it changed.
file(GLOB_RECURSE web_site_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/site/*)
set(web_stamp ${CMAKE_CURRENT_BINARY_DIR}/web-page.stamp)
set(web_preset_dependencies)
set(web_preset_arguments)
if(TARGET tolvane_factory_presets)
    set(web_preset_dependencies tolvane_factory_presets ${CMAKE_BINARY_DIR}/tools/make-presets/presets.stamp)
    set(web_preset_arguments -DPRESETS=${CMAKE_BINARY_DIR}/presets)
endif()
add_custom_command(
    OUTPUT ${web_stamp}
    COMMAND ${CMAKE_COMMAND} -DSITE=${PROJECT_SOURCE_DIR}/web/site -DOUT=${TOLVANE_WEB_DIR}
            -DMODULE=${web_wasm_dir}/web/tolvane.wasm -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
            -DVERSION=${PROJECT_VERSION} ${web_preset_arguments} -P ${PROJECT_SOURCE_DIR}/web/LayOutPage.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${web_stamp}
    DEPENDS ${web_site_files} ${PROJECT_SOURCE_DIR}/web/LayOutPage.cmake ${web_wasm_dir}/web/tolvane.wasm
            tolvane_web_wasm ${web_preset_dependencies}
    COMMENT "Laying out the web page in ${TOLVANE_WEB_DIR}"
    VERBATIM)
add_custom_target(tolvane_web_page ALL DEPENDS ${web_stamp})

if(TOLVANE_BUILD_TESTS)
    # The engine's table hashes and the golden renders, run by the WebAssembly build under Node.
    foreach(suite web_wasm_platform_tables_test web_wasm_golden_render_test)
        add_test(NAME ${suite} COMMAND ${TOLVANE_NODE} ${web_wasm_dir}/web/${suite}.js)
        set_tests_properties(${suite} PROPERTIES LABELS web)
    endforeach()
    # The page's WAV writer, alone under Node's test runner.
    add_test(NAME web_wav_file_test COMMAND ${TOLVANE_NODE} --test ${PROJECT_SOURCE_DIR}/web/tests/wav-file.test.mjs)
    set_tests_properties(web_wav_file_test PROPERTIES LABELS web)
    # The page in headless Chromium against tolvane-render; Debian's Python,
    # whose selenium package setup.sh installs.
    if(TARGET tolvane-render)
        add_test(NAME web_page_test
                 COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/web/tests/page_test.py --site ${TOLVANE_WEB_DIR}
                         --render $<TARGET_FILE:tolvane-render> --source ${PROJECT_SOURCE_DIR})
        set_tests_properties(web_page_test PROPERTIES LABELS web TIMEOUT 900 SKIP_RETURN_CODE 77)
    endif()
endif()
