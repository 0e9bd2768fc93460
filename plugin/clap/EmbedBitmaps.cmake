# Writes a C++ source holding the editor's PNG files and builtInBitmap() to find them by name.
# Usage: cmake -DOUTPUT=file.cpp "-DINPUTS=a.png;b.png" -P EmbedBitmaps.cmake
# SPDX-License-Identifier: GPL-3.0-or-later
set(arrays "")
set(entries "")
set(index 0)
foreach(input IN LISTS INPUTS)
    get_filename_component(name "${input}" NAME)
    file(READ "${input}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const std::uint8_t kBitmap${index}[] = {\n    ${bytes}\n};\n")
    string(APPEND entries "    {\"${name}\", kBitmap${index}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new"
"// Generated at build time by plugin/clap/EmbedBitmaps.cmake from the editor's bitmaps.\n"
"#include \"ClapBitmaps.h\"\n\n#include <iterator>\n\nnamespace kest::tolvane::clap {\n\nnamespace {\n\n"
"${arrays}\n"
"struct Entry {\n    const char* name;\n    std::span<const std::uint8_t> bytes;\n};\n\n"
"const Entry kEntries[] = {\n${entries}};\n\n} // namespace\n\n"
"std::span<const std::uint8_t> builtInBitmap(const std::string& name)\n{\n"
"    for (const Entry& entry : kEntries)\n        if (name == entry.name)\n            return entry.bytes;\n"
"    return {};\n}\n\n} // namespace kest::tolvane::clap\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
