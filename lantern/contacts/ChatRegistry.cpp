#include "lantern/contacts/ChatRegistry.h"

#include <QApplication>

namespace oa::lantern {

ChatRegistry::ChatRegistry() : slots_(kSlots + 1) {}

ChatRegistry::~ChatRegistry() { clear(); }

TFormChat* ChatRegistry::window(int id) const
{
    if (id < 1 || id > kSlots) return nullptr;
    return slots_[id].data();
}

QList<TFormChat*> ChatRegistry::windows() const
{
    QList<TFormChat*> out;
    for (const auto& w : slots_)
        if (w) out << w.data();
    return out;
}

TFormChat* ChatRegistry::create(int id, const QString& name)
{
    auto* w = new TFormChat(&ctx_);
    w->setColleague(name);
    w->setPresenceId(id);
    slots_[id] = w;
    return w;
}

TFormChat* ChatRegistry::open(int id, const QString& name, int state)
{
    if (id < 1 || id > kSlots) return nullptr;
    if (TFormChat* w = window(id)) {
        if (w->isMinimized()) w->showNormal();
        w->show();
        w->raise();
        w->activateWindow();
        return w;
    }
    TFormChat* w = create(id, name);
    w->setStatePicture(state);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

bool ChatRegistry::deliver(int id, const QString& sender, const QDateTime& sent, const QString& rtf)
{
    if (id < 1 || id > kSlots) return false;
    TFormChat* w = window(id);
    if (!w) {
        // A new conversation: a minimised, flashing taskbar button.
        w = create(id, sender);
        w->show();
        w->showMinimized();
        w->flash();
    } else if (!w->isMinimized()) {
        w->show();
        w->raise();
        w->flash();
    } else {
        w->flash();
    }
    w->appendReceived(sender, sent, rtf);
    if (!w->isActiveWindow()) w->flash();
    return true;
}

void ChatRegistry::clear()
{
    for (auto& w : slots_) {
        if (w) delete w.data();
        w = nullptr;
    }
}

}  // namespace oa::lantern
