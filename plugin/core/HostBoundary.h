// SPDX-License-Identifier: GPL-3.0-or-later
// The C entry points a host calls (LV2, its UI, CLAP) must not let an
// exception through: the host's C code cannot unwind it and would end. Each
// entry runs its work through guardedCall, which turns any exception (an
// allocation failure among them) into the format's failure value.
#pragma once

#include <utility>

namespace kest::tolvane::plugin {

template <typename Result, typename Work> Result guardedCall(Result failure, Work&& work) noexcept
{
    try {
        return std::forward<Work>(work)();
    } catch (...) {
        return failure;
    }
}

// For entries that return nothing: what threw is abandoned.
template <typename Work> void guardedCall(Work&& work) noexcept
{
    try {
        std::forward<Work>(work)();
    } catch (...) {
    }
}

} // namespace kest::tolvane::plugin
