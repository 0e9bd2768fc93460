// SPDX-License-Identifier: GPL-3.0-or-later
// File selectors of the editor's menus and the file-select messages a
// selection turns into.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "EditorLogic/EditorIds.h"

namespace kest::tolvane::editor {

struct FileFilter {
    const char* description;
    const char* extension;
};

struct FileSelectorInfo {
    int code;
    bool save;          // save style (exports) or open style (imports)
    bool multipleFiles; // only the WAV imports
    const char* title;
    std::span<const FileFilter> filters;
    const char* defaultName; // exports only, nullptr otherwise
};

// The selector of a file action code, or nullptr for a code without one.
const FileSelectorInfo* findFileSelector(int code);

struct FileSelectMessage {
    int code;
    std::string path;
};

// The messages a finished selection sends: one per WAV file into consecutive
// sample slots from `currentSampleData` up to 127, or the first file only for
// single-file actions; nothing for a cancelled selector or another code.
std::vector<FileSelectMessage> fileSelectMessages(int pendingFileAction, const std::vector<std::string>& paths,
                                                  int currentSampleData);

// The "path" attribute's bytes: the path and its terminating zero.
std::vector<char> pathAttributeBytes(const std::string& path);

} // namespace kest::tolvane::editor
