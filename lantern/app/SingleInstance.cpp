#include "lantern/app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace oa::lantern {

namespace {
const QByteArray kShow = QByteArrayLiteral("QXOA 9224\n");
}

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::keyFor(const QString& desktopSettings)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    // The desktop: the X display or Wayland socket, the Windows session.
    QString desktop = qEnvironmentVariable("WAYLAND_DISPLAY") + QLatin1Char('|') + qEnvironmentVariable("DISPLAY")
        + QLatin1Char('|') + qEnvironmentVariable("SESSIONNAME") + QLatin1Char('|') + qEnvironmentVariable("XDG_SESSION_ID");
    const QByteArray id = (user + QLatin1Char('\n') + desktop + QLatin1Char('\n') + QDir::cleanPath(desktopSettings)).toUtf8();
    return QStringLiteral("QXOA-") + QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(20));
}

bool SingleInstance::signalRunning(int timeoutMs)
{
    QLocalSocket s;
    s.connectToServer(key_);
    if (!s.waitForConnected(timeoutMs)) return false;
    s.write(kShow);
    s.flush();
    s.waitForBytesWritten(timeoutMs);
    s.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(key_)) {
        // A socket file left by a Lantern that crashed: nobody answered, so it is stale.
        QLocalServer::removeServer(key_);
        if (!server_->listen(key_)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* c = server_->nextPendingConnection()) {
            // The message may already be buffered, or arrive with the disconnect.
            auto check = [this, c] {
                if (c->property("seen").toBool() || c->bytesAvailable() < kShow.size()) return;
                c->setProperty("seen", true);
                if (c->readAll().startsWith(kShow.left(4))) emit activateRequested();
            };
            connect(c, &QLocalSocket::readyRead, this, check);
            connect(c, &QLocalSocket::disconnected, this, [c, check] {
                check();
                c->deleteLater();
            });
            check();
        }
    });
    return true;
}

}  // namespace oa::lantern
