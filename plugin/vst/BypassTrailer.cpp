// SPDX-License-Identifier: GPL-3.0-or-later
#include "BypassTrailer.h"

namespace Steinberg::Vst::Tolvane {

using kest::tolvane::plugin::decodeBypassRecord;
using kest::tolvane::plugin::encodeBypassRecord;

void writeBypassTrailer(IBStream& stream, bool bypassed)
{
    auto bytes = encodeBypassRecord(bypassed);
    stream.write(bytes.data(), kBypassTrailerSize, nullptr);
}

bool readBypassTrailer(IBStream& stream, bool& bypassed)
{
    int64 position = 0;
    if (stream.seek(-kBypassTrailerSize, IBStream::kIBSeekEnd, &position) != kResultOk || position < 0)
        return false;
    std::uint8_t bytes[kBypassTrailerSize] = {};
    int32 got = 0;
    if (stream.read(bytes, kBypassTrailerSize, &got) != kResultOk || got != kBypassTrailerSize)
        return false;
    const auto decoded = decodeBypassRecord(bytes);
    if (!decoded)
        return false;
    bypassed = *decoded;
    return true;
}

} // namespace Steinberg::Vst::Tolvane
