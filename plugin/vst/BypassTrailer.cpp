// SPDX-License-Identifier: GPL-3.0-or-later
#include "BypassTrailer.h"

#include <cstring>

namespace Steinberg::Vst::Tolvane {

namespace {
constexpr char kMagic[4] = {'T', 'V', 'B', 'Y'};
}

void writeBypassTrailer(IBStream& stream, bool bypassed)
{
    char bytes[kBypassTrailerSize] = {};
    std::memcpy(bytes, kMagic, sizeof kMagic);
    bytes[4] = bypassed ? 1 : 0;
    stream.write(bytes, kBypassTrailerSize, nullptr);
}

bool readBypassTrailer(IBStream& stream, bool& bypassed)
{
    int64 position = 0;
    if (stream.seek(-kBypassTrailerSize, IBStream::kIBSeekEnd, &position) != kResultOk || position < 0)
        return false;
    char bytes[kBypassTrailerSize] = {};
    int32 got = 0;
    if (stream.read(bytes, kBypassTrailerSize, &got) != kResultOk || got != kBypassTrailerSize)
        return false;
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || bytes[5] != 0 || bytes[6] != 0 || bytes[7] != 0 ||
        (bytes[4] != 0 && bytes[4] != 1))
        return false;
    bypassed = bytes[4] == 1;
    return true;
}

} // namespace Steinberg::Vst::Tolvane
