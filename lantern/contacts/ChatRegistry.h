#pragma once
#include "lantern/chat/ChatWindows.h"
#include "lantern/chat/TFormChat.h"

#include <QPointer>
#include <QVector>

namespace oa::lantern {

// The chat windows by the colleague's presence id (1 … 10000). A window, once made, keeps its slot: closing
// it only hides it, so the conversation is still there when it comes back.
class ChatRegistry : public ChatWindows {
public:
    static constexpr int kSlots = 10000;

    ChatRegistry();
    ~ChatRegistry() override;

    ChatContext& context() { return ctx_; }
    TFormChat* window(int id) const;
    // Double-click in the contact list: raise the colleague's window or make it. Null above 10000.
    TFormChat* open(int id, const QString& name, int state);
    bool deliver(int presenceId, const QString& sender, const QDateTime& sent, const QString& rtf) override;
    void clear() override;
    QList<TFormChat*> windows() const;

private:
    TFormChat* create(int id, const QString& name);
    ChatContext ctx_;
    QVector<QPointer<TFormChat>> slots_;
};

}  // namespace oa::lantern
