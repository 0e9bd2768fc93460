// SPDX-License-Identifier: GPL-3.0-or-later
#include "RedrawingContainer.h"

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

double area(const CRect& r) { return r.getWidth() * r.getHeight(); }

} // namespace

std::vector<PendingRedraws::Entry>& PendingRedraws::list()
{
    static std::vector<Entry> pending;
    return pending;
}

void PendingRedraws::add(CFrame* frame, const CRect& rect)
{
    CRect joined(rect);
    auto& pending = list();
    // Joining may bring the result near another one: look again until nothing joins.
    for (bool again = true; again;) {
        again = false;
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->first.get() != frame)
                continue;
            CRect both(it->second);
            both.unite(joined);
            if (area(both) <= kJoinedAreaLimit * (area(it->second) + area(joined))) {
                joined = both;
                pending.erase(it);
                again = true;
                break;
            }
        }
    }
    pending.emplace_back(frame, joined);
}

void PendingRedraws::flush()
{
    // Invalidating can run view code: hand over a list nobody adds to meanwhile.
    std::vector<Entry> pending;
    pending.swap(list());
    for (const Entry& entry : pending)
        entry.first->invalidRect(entry.second);
}

} // namespace kest::tolvane::editor
