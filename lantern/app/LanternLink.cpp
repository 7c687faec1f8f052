#include "lantern/app/LanternLink.h"

#include "common/db/ConnectionSettings.h"

#include <QRegularExpression>
#include <QSqlError>

namespace oa::lantern {

LanternLink::LanternLink(std::optional<ConnectionUrl> fixedUrl, QString settingsPath)
    : fixedUrl_(std::move(fixedUrl)), settingsPath_(std::move(settingsPath))
{
}

LanternLink::LanternLink(Session& borrowed) : current_(&borrowed), generation_(1)
{
    fixedUrl_ = borrowed.url();
}

LanternLink::~LanternLink() = default;

std::optional<ConnectionUrl> LanternLink::resolve(QString* password)
{
    const ConnectionSettings settings(ConnectionSettings::effectivePath(settingsPath_));
    if (fixedUrl_) {
        // An address without a password (a plain SQL Server address) takes the key of the settings file,
        // or the built-in one.
        if (!fixedUrl_->hasPassword) {
            const QString key = settings.encipheredKey();
            try {
                *password = Dec(key.isEmpty() ? QString::fromLatin1(kDefaultEncipheredKey) : key);
            } catch (const DecError& e) {
                lastError_ = QString::fromStdString(e.what());
                return std::nullopt;
            }
        }
        return fixedUrl_;
    }
    const QString address = settings.serverAddress();
    if (address.isEmpty()) return std::nullopt;
    QString why;
    auto url = ConnectionUrl::parse(address, &why);
    if (!url) {
        lastError_ = why;
        return std::nullopt;
    }
    try {
        *password = Dec(settings.encipheredKey());
    } catch (const DecError& e) {
        lastError_ = QString::fromStdString(e.what());
        return std::nullopt;
    }
    return url;
}

QString LanternLink::serverAddress() const
{
    if (fixedUrl_) return fixedUrl_->display();
    return ConnectionSettings(ConnectionSettings::effectivePath(settingsPath_)).serverAddress();
}

QString LanternLink::dataSource() const
{
    if (current_) return current_->url().display();
    return serverAddress();
}

bool LanternLink::isOpen() const { return current_ && current_->isOpen(); }

void LanternLink::close()
{
    if (!current_) return;
    QSqlDatabase db = current_->database();
    if (db.isValid()) db.close();
}

bool LanternLink::reopenInPlace()
{
    QSqlDatabase db = current_->database();
    if (!db.isValid()) return false;
    db.close();
    if (!db.open()) {
        lastError_ = db.lastError().text();
        return false;
    }
    // What Session::open sets up after connecting does not survive a reopen.
    try {
        const ConnectionUrl& u = current_->url();
        if (u.engine == Engine::PostgreSQL && !u.schema.isEmpty())
            current_->execRaw(QStringLiteral("SET search_path TO \"%1\"").arg(u.schema));
        if (u.engine == Engine::SQLite) current_->execRaw(QStringLiteral("PRAGMA synchronous=NORMAL"));
    } catch (const DbError& e) {
        lastError_ = e.message();
        db.close();
        return false;
    }
    return true;
}

LanternLink::Result LanternLink::open()
{
    lastError_.clear();
    if (isOpen()) return Result::Ok;
    QString password;
    const auto url = resolve(&password);
    if (!url) return lastError_.isEmpty() ? Result::NoAddress : Result::Failed;
    if (current_ && current_->url().display() == url->display())
        return reopenInPlace() ? Result::Ok : Result::Failed;
    try {
        auto s = Session::open(*url, password);
        if (current_ && aboutToReplace) aboutToReplace();
        owned_ = std::move(s);
        current_ = owned_.get();
        ++generation_;
        return Result::Ok;
    } catch (const DbError& e) {
        lastError_ = e.message();
        return Result::Failed;
    }
}

void LanternLink::adopt(std::unique_ptr<Session> s)
{
    // From now on the address is the one just tested; a reconnection reopens this session in place.
    fixedUrl_ = s->url();
    if (current_ && aboutToReplace) aboutToReplace();
    owned_ = std::move(s);
    current_ = owned_.get();
    ++generation_;
}

QString webHostOf(const QString& serverAddress)
{
    const auto url = ConnectionUrl::parse(serverAddress);
    if (!url) return serverAddress;
    switch (url->engine) {
    case Engine::SQLite: return QStringLiteral("127.0.0.1");
    case Engine::PostgreSQL: return url->host;
    case Engine::SqlServer: {
        QString h = url->host;
        const int cut = h.indexOf(QRegularExpression(QStringLiteral("[,\\\\]")));
        return cut > 0 ? h.left(cut) : h;
    }
    }
    return serverAddress;
}

}  // namespace oa::lantern
