#include "uicommon/controlidregistry.h"

namespace vexa {

void ControlIdRegistry::Clear() {
    for (Entry& entry : entries_)
        entry = Entry{};
}

int ControlIdRegistry::AllocateControlId(int start) {
    if (start < 0)
        return 0;
    for (int i = start; i < kCount; ++i) {
        Entry& entry = entries_[static_cast<std::size_t>(i)];
        if (!entry.inUse) {
            entry = Entry{};
            entry.inUse = true;
            return kFirstId + i;
        }
    }
    return 0;
}

void ControlIdRegistry::ReleaseControlId(int id) {
    if (InRange(id))
        entries_[static_cast<std::size_t>(id - kFirstId)] = Entry{};
}

ControlIdRegistry::Entry* ControlIdRegistry::Used(int id) {
    if (!InRange(id))
        return nullptr;
    Entry& entry = entries_[static_cast<std::size_t>(id - kFirstId)];
    return entry.inUse ? &entry : nullptr;
}

const ControlIdRegistry::Entry* ControlIdRegistry::Used(int id) const {
    return const_cast<ControlIdRegistry*>(this)->Used(id);
}

void ControlIdRegistry::SetControlStatusText(int id, const std::string& text) {
    if (Entry* entry = Used(id)) {
        entry->statusText = text.substr(0, kMaxTextLength);
        entry->hasStatusText = true;
    }
}

void ControlIdRegistry::SetControlToolTip(int id, const std::string& text) {
    if (Entry* entry = Used(id)) {
        entry->toolTip = text.substr(0, kMaxTextLength);
        entry->hasToolTip = true;
    }
}

void ControlIdRegistry::SetControlHelpText(int id, const std::string* help) {
    Entry* entry = Used(id);
    if (entry && !entry->help)
        entry->help = help;
}

bool ControlIdRegistry::IsInUse(int id) const {
    return Used(id) != nullptr;
}

const std::string* ControlIdRegistry::StatusText(int id) const {
    const Entry* entry = Used(id);
    return entry && entry->hasStatusText ? &entry->statusText : nullptr;
}

const std::string* ControlIdRegistry::ToolTip(int id) const {
    const Entry* entry = Used(id);
    return entry && entry->hasToolTip ? &entry->toolTip : nullptr;
}

const std::string* ControlIdRegistry::HelpText(int id) const {
    const Entry* entry = Used(id);
    return entry ? entry->help : nullptr;
}

ControlIdRegistry& ControlIds() {
    static ControlIdRegistry registry;
    return registry;
}

} // namespace vexa
