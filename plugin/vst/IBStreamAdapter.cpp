// SPDX-License-Identifier: GPL-3.0-or-later
#include "IBStreamAdapter.h"

#include <limits>

namespace Steinberg::Vst {

namespace {
constexpr std::size_t kLargestChunk = static_cast<std::size_t>(std::numeric_limits<int32>::max());
}

bool IBStreamByteReader::read(void* destination, std::size_t count)
{
    auto* bytes = static_cast<char*>(destination);
    while (count > 0) {
        const auto chunk = static_cast<int32>(count < kLargestChunk ? count : kLargestChunk);
        int32 got = 0;
        if (stream_.read(bytes, chunk, &got) != kResultOk || got <= 0 || got > chunk)
            return false;
        bytes += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

void IBStreamByteWriter::write(const void* source, std::size_t count)
{
    auto* bytes = static_cast<char*>(const_cast<void*>(source));
    while (count > 0 && !failed_) {
        const auto chunk = static_cast<int32>(count < kLargestChunk ? count : kLargestChunk);
        int32 written = 0;
        if (stream_.write(bytes, chunk, &written) != kResultOk || written <= 0 || written > chunk) {
            failed_ = true;
            return;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

} // namespace Steinberg::Vst
