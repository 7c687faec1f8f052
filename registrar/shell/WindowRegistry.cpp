#include "registrar/shell/WindowRegistry.h"

namespace oa {

WindowRegistry& WindowRegistry::global()
{
    static WindowRegistry r;
    return r;
}

void WindowRegistry::put(const QString& id, WindowFactory factory, WindowMode mode)
{
    if (!factory) {
        entries_.remove(id);
        return;
    }
    entries_.insert(id, Entry{std::move(factory), mode});
}

const WindowRegistry::Entry* WindowRegistry::find(const QString& id, const QString& caption) const
{
    auto it = entries_.constFind(id);
    if (it != entries_.cend()) return &it.value();
    if (!caption.isEmpty()) {
        it = entries_.constFind(caption);
        if (it != entries_.cend()) return &it.value();
    }
    return nullptr;
}

}  // namespace oa
