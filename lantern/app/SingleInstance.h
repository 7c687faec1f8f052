#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

namespace oa::lantern {

// One Lantern per user, desktop and desktop settings. The first one listens on a local socket; a later start
// finds it, asks it to come forward and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket name for this user and desktop; desktopSettings separates Lanterns that keep different
    // desktop settings on one machine.
    static QString keyFor(const QString& desktopSettings);

    // True when another instance answered (it was asked to show itself): this process should exit.
    bool signalRunning(int timeoutMs = 500);
    // Starts listening; false when the name cannot be taken.
    bool listen();
    QString serverName() const { return key_; }

signals:
    void activateRequested();

private:
    QString key_;
    QLocalServer* server_ = nullptr;
};

}  // namespace oa::lantern
