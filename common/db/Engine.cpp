#include "common/db/Engine.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace oa {

QString engineName(Engine e)
{
    switch (e) {
    case Engine::SQLite: return QStringLiteral("SQLite");
    case Engine::PostgreSQL: return QStringLiteral("PostgreSQL");
    case Engine::SqlServer: return QStringLiteral("SQL Server");
    }
    return {};
}

std::optional<ConnectionUrl> ConnectionUrl::parse(const QString& raw, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<ConnectionUrl> {
        if (error) *error = why;
        return std::nullopt;
    };
    const QString text = raw.trimmed();
    ConnectionUrl u;
    if (text.isEmpty()) return fail(QStringLiteral("数据库地址为空"));

    if (text.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
        u.engine = Engine::SQLite;
        u.path = text.mid(7);
        if (u.path.startsWith(QLatin1String("//"))) u.path = u.path.mid(2);
        if (u.path.isEmpty()) return fail(QStringLiteral("数据库地址格式错误：sqlite: 后面缺少文件路径"));
        return u;
    }
    if (text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive)) {
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            return fail(QStringLiteral("数据库地址格式错误：%1").arg(text));
        u.engine = Engine::PostgreSQL;
        u.host = url.host();
        u.port = url.port(0);
        if (url.port(-2) == -2 && text.contains(QRegularExpression(QStringLiteral("@[^/]*:[^0-9/]"))))
            return fail(QStringLiteral("数据库地址格式错误：端口不是数字"));
        u.user = url.userName(QUrl::FullyDecoded);
        u.password = url.password(QUrl::FullyDecoded);
        u.hasPassword = !url.password().isNull();
        QString db = url.path(QUrl::FullyDecoded);
        if (db.startsWith(QLatin1Char('/'))) db = db.mid(1);
        u.database = db;
        u.schema = QUrlQuery(url).queryItemValue(QStringLiteral("schema"));
        return u;
    }
    if (text.contains(QLatin1String("://")) || text.contains(QLatin1Char(' ')))
        return fail(QStringLiteral("数据库地址格式错误：%1").arg(text));
    // A plain address: SQL Server, optionally "host,port" or "host\\instance" as the provider accepts them.
    u.engine = Engine::SqlServer;
    u.host = text;
    return u;
}

QString ConnectionUrl::display() const
{
    switch (engine) {
    case Engine::SQLite: return QStringLiteral("sqlite:") + path;
    case Engine::PostgreSQL:
        return QStringLiteral("postgresql://%1%2/%3")
            .arg(host, port ? QStringLiteral(":%1").arg(port) : QString(),
                 database.isEmpty() ? QString::fromLatin1(kDatabaseCatalogue) : database)
            + (schema.isEmpty() ? QString() : QStringLiteral("?schema=") + schema);
    case Engine::SqlServer: return host;
    }
    return {};
}

}  // namespace oa
