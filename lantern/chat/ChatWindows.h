#pragma once
#include <QDateTime>
#include <QString>

namespace oa::lantern {

// What the message poller needs of the chat window registry. The real one holds TFormChat windows; tests
// record what would have been shown.
class ChatWindows {
public:
    virtual ~ChatWindows() = default;
    // Shows one received message in the window of the sender's presence id, creating the window (minimised,
    // flashing) when there is none. False when no window can exist for that id: the message stays unread.
    virtual bool deliver(int presenceId, const QString& sender, const QDateTime& sent, const QString& rtf) = 0;
    // Closes every window: another member logs in on this desktop.
    virtual void clear() {}
};

}  // namespace oa::lantern
