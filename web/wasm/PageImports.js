// SPDX-License-Identifier: GPL-3.0-or-later
// The function the page's module imports (as env.page_render_block), declared
// for Emscripten's linker; the page's glue (web/site/js/engine-module.js)
// provides the real one when it instantiates the module.
mergeInto(LibraryManager.library, {
    page_render_block: function (left, right, frames) {
        return 0;
    },
});
