#include "common/db/HeadlessOpen.h"

#include "common/db/ConnectionSettings.h"

#include <QFileInfo>

namespace oa {

std::unique_ptr<Session> openHeadless(const HeadlessTarget& t, QTextStream& err)
{
    QString address = t.database;
    QString password = Dec(QString::fromLatin1(kDefaultEncipheredKey));
    if (address.isEmpty()) {
        ConnectionSettings settings(ConnectionSettings::effectivePath(t.settingsPath));
        address = settings.serverAddress();
        if (address.isEmpty()) {
            err << "没有数据库地址：请用 --database URL，或在 " << settings.path() << " 中设置 OADataServer" << Qt::endl;
            return nullptr;
        }
        if (!settings.encipheredKey().isEmpty()) {
            try {
                password = Dec(settings.encipheredKey());
            } catch (const DecError& e) {
                err << "数据库密匙错误（" << settings.path() << "）：" << QString::fromUtf8(e.what()) << Qt::endl;
                return nullptr;
            }
        }
    }
    if (t.password) password = *t.password;
    QString why;
    const auto url = ConnectionUrl::parse(address, &why);
    if (!url) {
        err << why << Qt::endl;
        return nullptr;
    }
    if (url->engine == Engine::SQLite) {
        const QFileInfo file(url->path);
        if (!t.creating && !file.exists()) {
            err << "数据库文件不存在：" << url->path << Qt::endl;
            return nullptr;
        }
        // Two schools must never be mixed in one file.
        if (t.creating && file.exists() && file.size() > 0) {
            err << "数据库文件已经存在，不能重新创建：" << url->path << Qt::endl;
            return nullptr;
        }
    }
    try {
        return Session::open(*url, password);
    } catch (const DbError& e) {
        err << "连接失败：" << url->display() << "：" << e.message() << Qt::endl;
        return nullptr;
    }
}

}  // namespace oa
