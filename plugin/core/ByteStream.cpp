// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteStream.h"

#include <cstring>

namespace kest::tolvane::plugin {

bool MemoryByteReader::read(void* destination, std::size_t count)
{
    if (count > size_ - position_) {
        position_ = size_;
        return false;
    }
    if (count > 0)
        std::memcpy(destination, data_ + position_, count);
    position_ += count;
    return true;
}

void MemoryByteWriter::write(const void* source, std::size_t count)
{
    const auto* begin = static_cast<const std::uint8_t*>(source);
    bytes.insert(bytes.end(), begin, begin + count);
}

} // namespace kest::tolvane::plugin
