// SPDX-License-Identifier: GPL-3.0-or-later
// Which text format a text import or export handles, and how a WAV import
// reduces its samples (stored per sample slot): the formats layer's kinds.
#pragma once

#include "FormatKinds.h"

namespace kest::tolvane::plugin {

using TextKind = formats::TextKind;
using SampleSourceKind = formats::SampleSourceKind;

} // namespace kest::tolvane::plugin
