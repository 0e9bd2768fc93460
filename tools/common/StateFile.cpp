// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FilePath.h"
#include "VstPresetReader.h"

namespace kest::tolvane::tools {

bool saveStateFile(plugin::EngineContext& context, const std::string& path, std::string& error)
{
    plugin::MemoryByteWriter state;
    context.writeState(state);
    const std::vector<std::uint8_t> bytes =
        path.ends_with(".vstpreset") ? encodeVstPreset(kTolvaneProcessorClassId, state.bytes) : std::move(state.bytes);
    const std::filesystem::path target = formats::pathFromUtf8(path);
    const std::filesystem::path temporary = formats::pathFromUtf8(path + ".part");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = "cannot write the file";
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = "cannot write the file: " + ec.message();
        return false;
    }
    return true;
}

} // namespace kest::tolvane::tools
