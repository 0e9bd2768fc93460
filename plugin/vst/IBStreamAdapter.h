// SPDX-License-Identifier: GPL-3.0-or-later
// The host's IBStream seen as the plug-in core's byte streams.
#pragma once

#include "ByteStream.h"
#include "pluginterfaces/base/ibstream.h"

namespace Steinberg::Vst {

class IBStreamByteReader : public kest::tolvane::plugin::ByteReader {
public:
    explicit IBStreamByteReader(IBStream& stream) : stream_(stream) {}
    // A short read counts as failure: a record is never filled halfway.
    bool read(void* destination, std::size_t count) override;

private:
    IBStream& stream_;
};

class IBStreamByteWriter : public kest::tolvane::plugin::ByteWriter {
public:
    explicit IBStreamByteWriter(IBStream& stream) : stream_(stream) {}
    void write(const void* source, std::size_t count) override;
    bool failed() const { return failed_; }

private:
    IBStream& stream_;
    bool failed_ = false;
};

} // namespace Steinberg::Vst
