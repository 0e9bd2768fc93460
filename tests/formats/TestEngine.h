// SPDX-License-Identifier: GPL-3.0-or-later
// One engine per test, with the plug-in's constructor arguments.
#pragma once

#include <memory>

#include "SynthesizerWT.h"

namespace kest::tolvane::formats::test {

inline std::unique_ptr<synth::SynthesizerWT> makeEngine()
{
    return std::make_unique<synth::SynthesizerWT>(440.0f, 0.8f);
}

} // namespace kest::tolvane::formats::test
