// SPDX-License-Identifier: GPL-3.0-or-later
#include "Utf8Arguments.h"

#if defined(_WIN32)
#include <windows.h>

#include <shellapi.h>
#endif

namespace kest::tolvane::tools {

namespace {

#if defined(_WIN32)
std::string utf8FromWide(const wchar_t* wide)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string text(static_cast<std::size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::vector<std::string> readArguments(int, char**)
{
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(utf8FromWide(wide[i]));
        LocalFree(wide);
    }
    return arguments;
}
#else
std::vector<std::string> readArguments(int argc, char** argv) { return {argv, argv + argc}; }
#endif

} // namespace

Utf8Arguments::Utf8Arguments(int argc, char** argv) : arguments_(readArguments(argc, argv))
{
    if (arguments_.empty())
        arguments_.emplace_back();
}

std::vector<std::string_view> Utf8Arguments::options() const { return {arguments_.begin() + 1, arguments_.end()}; }

} // namespace kest::tolvane::tools
