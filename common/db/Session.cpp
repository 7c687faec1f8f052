#include "common/db/Session.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>

namespace oa {

namespace {
QAtomicInt connectionCounter;

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() > 127; }

QString errorText(const QSqlError& e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty()) t = e.text().trimmed();
    if (t.isEmpty()) t = e.driverText().trimmed();
    return t;
}
}  // namespace

QString positionalPlaceholders(const QString& sql, QStringList* names)
{
    QString out;
    out.reserve(sql.size());
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < n) {
                if (sql.at(j) == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql.at(j + 1) == close) { j += 2; continue; }
                    break;
                }
                ++j;
            }
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('$') && i + 1 < n && sql.at(i + 1) == QLatin1Char('$')) {
            // A PostgreSQL function body is opaque.
            const int j = sql.indexOf(QLatin1String("$$"), i + 2);
            const int e = j < 0 ? n : j + 2;
            out += sql.mid(i, e - i);
            i = e;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0) j = n;
            out += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {  // cast
                out += QLatin1String("::");
                i += 2;
                continue;
            }
            const bool afterName = i > 0 && isNameChar(sql.at(i - 1));
            int j = i + 1;
            while (j < n && isNameChar(sql.at(j))) ++j;
            if (j > i + 1 && !afterName && !sql.at(i + 1).isDigit()) {
                names->append(sql.mid(i + 1, j - i - 1));
                out += QLatin1Char('?');
                i = j;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

// ---- Statement ---------------------------------------------------------------------------------------

Statement::Statement(Session& s, const QString& sql) : s_(s), q_(s.database())
{
    const QString translated = s.dialect().translate(sql);
    sql_ = positionalPlaceholders(translated, &names_);
    q_.setForwardOnly(true);
    if (s.engine() == Engine::SQLite) {
        // Qt's SQLite driver sizes a result by the columns known when the statement is prepared; if another
        // desktop changed the table since, SQLite re-prepares behind its back and the row no longer fits.
        // Reading the catalogue first makes this connection load the current schema.
        QSqlQuery refresh(s.database());
        refresh.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    }
    if (!q_.prepare(sql_)) throw DbError(errorText(q_.lastError()), sql);
}

Statement& Statement::bind(const QString& name, const QVariant& value)
{
    QVariant v = value;
    if (value.metaType().id() == QMetaType::QDateTime) v = s_.dateTimeValue(value.toDateTime());
    else if (value.metaType().id() == QMetaType::QDate && s_.engine() == Engine::SQLite)
        v = value.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    values_.insert(name.toLower(), v);
    return *this;
}

Statement& Statement::bind(const Params& params)
{
    for (const auto& p : params) bind(p.first, p.second);
    return *this;
}

Statement& Statement::exec()
{
    for (int k = 0; k < names_.size(); ++k) {
        const auto it = values_.constFind(names_[k].toLower());
        if (it == values_.constEnd())
            throw DbError(QStringLiteral("parameter :%1 has no value").arg(names_[k]), sql_);
        q_.bindValue(k, *it);
    }
    if (!q_.exec()) throw DbError(errorText(q_.lastError()), sql_);
    return *this;
}

QVariant Statement::value(const QString& column) const
{
    const int i = q_.record().indexOf(column);
    if (i < 0) throw DbError(QStringLiteral("no column %1").arg(column), sql_);
    return q_.value(i);
}

// ---- Session -----------------------------------------------------------------------------------------

Session::Session(const ConnectionUrl& url, QString connectionName)
    : url_(url), connectionName_(std::move(connectionName)), dialect_(url.engine)
{
}

Session::~Session()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

std::unique_ptr<Session> Session::open(const ConnectionUrl& url, const QString& password)
{
    const QString name = QStringLiteral("oa-session-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    std::unique_ptr<Session> s(new Session(url, name));
    const QString user = url.user.isEmpty() ? QString::fromLatin1(kDatabaseLogin) : url.user;
    const QString catalogue = url.database.isEmpty() ? QString::fromLatin1(kDatabaseCatalogue) : url.database;
    const QString pw = url.hasPassword ? url.password : password;
    QSqlDatabase db;
    switch (url.engine) {
    case Engine::SQLite:
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(url.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        break;
    case Engine::PostgreSQL:
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host);
        if (url.port) db.setPort(url.port);
        db.setDatabaseName(catalogue);
        db.setUserName(user);
        db.setPassword(pw);
        db.setConnectOptions(QStringLiteral("connect_timeout=15"));
        break;
    case Engine::SqlServer: {
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        QString driver = qEnvironmentVariable("OA_ODBC_DRIVER");
        if (driver.isEmpty()) driver = QStringLiteral("{FreeTDS}");
        QString host = url.host;
        QString port;
        const int comma = host.indexOf(QLatin1Char(','));
        if (comma > 0) { port = host.mid(comma + 1); host = host.left(comma); }
        // Braces keep a password with ';' in it one value.
        db.setDatabaseName(QStringLiteral("DRIVER=%1;SERVER=%2;%3DATABASE=%4;UID=%5;PWD={%6};ClientCharset=UTF-8;TDS_Version=7.3;")
                               .arg(driver, host, port.isEmpty() ? QString() : QStringLiteral("PORT=%1;").arg(port),
                                    catalogue, user, QString(pw).replace(QLatin1Char('}'), QLatin1String("}}"))));
        db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15"));
        break;
    }
    }
    if (!db.open()) {
        const QString why = errorText(db.lastError());
        db = QSqlDatabase();
        throw DbError(why.isEmpty() ? QStringLiteral("不能连接到数据库 %1").arg(url.display()) : why);
    }
    if (url.engine == Engine::PostgreSQL && !url.schema.isEmpty()) {
        s->execRaw(QStringLiteral("CREATE SCHEMA IF NOT EXISTS \"%1\"").arg(url.schema));
        s->execRaw(QStringLiteral("SET search_path TO \"%1\"").arg(url.schema));
    }
    if (url.engine == Engine::SQLite) {
        s->execRaw(QStringLiteral("PRAGMA journal_mode=WAL"));
        s->execRaw(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    return s;
}

QSqlDatabase Session::database() const { return QSqlDatabase::database(connectionName_, false); }

bool Session::isOpen() const { return database().isOpen(); }

Statement Session::exec(const QString& sql, const Params& params)
{
    Statement st(*this, sql);
    st.bind(params);
    st.exec();
    return st;
}

void Session::execRaw(const QString& sql)
{
    QSqlQuery q(database());
    if (!q.exec(sql)) throw DbError(errorText(q.lastError()), sql);
}

QList<QSqlRecord> Session::rows(const QString& sql, const Params& params)
{
    Statement st = exec(sql, params);
    QList<QSqlRecord> out;
    while (st.next()) out.append(st.record());
    return out;
}

QVariant Session::scalar(const QString& sql, const Params& params)
{
    Statement st = exec(sql, params);
    return st.next() ? st.value(0) : QVariant();
}

QDateTime Session::serverNow()
{
    return toDateTime(scalar(QStringLiteral("select GetDate() as FDate")));
}

int Session::incid(const QString& name)
{
    if (engine() == Engine::SQLite) {
        // SQLite takes the write lock at the first write of a deferred transaction; the single statement is
        // atomic, so concurrent desktops queue on the busy timeout and each sees the previous value.
        Statement st = exec(dialect_.incidStatement(), {{QStringLiteral("name"), name}});
        int v = 0;
        bool any = false;
        while (st.next()) { v = std::max(v, st.value(0).toInt()); any = true; }
        if (!any) throw DbError(QStringLiteral("计数器 %1 不存在").arg(name));
        return v;
    }
    Statement st = exec(dialect_.incidStatement(), {{QStringLiteral("name"), name}});
    int v = 0;
    bool any = false;
    while (st.next()) { v = std::max(v, st.value(0).toInt()); any = true; }
    if (!any) throw DbError(QStringLiteral("计数器 %1 不存在").arg(name));
    return v;
}

void Session::putstutoscore(const QString& years, const QString& grade, const QString& cls, const QString& subject,
                            const QString& testname)
{
    if (engine() == Engine::SqlServer) {
        exec(QStringLiteral("exec putstutoscore @years=:years, @grade=:grade, @class=:class, @subject=:subject, @testname=:testname"),
             {{QStringLiteral("years"), years}, {QStringLiteral("grade"), grade}, {QStringLiteral("class"), cls},
              {QStringLiteral("subject"), subject}, {QStringLiteral("testname"), testname}});
        return;
    }
    Transaction tx(*this);
    exec(putstutoscoreSql(), {{QStringLiteral("years"), years}, {QStringLiteral("grade"), grade},
                              {QStringLiteral("class"), cls}, {QStringLiteral("subject"), subject},
                              {QStringLiteral("testname"), testname}});
    tx.commit();
}

void Session::shiShiPutstutoscore(const QString& years, const QString& grade, const QString& shishihao,
                                  const QString& subject, const QString& testname)
{
    const Params p{{QStringLiteral("years"), years}, {QStringLiteral("grade"), grade},
                   {QStringLiteral("shishihao"), shishihao}, {QStringLiteral("subject"), subject},
                   {QStringLiteral("testname"), testname}};
    if (engine() == Engine::SqlServer) {
        exec(QStringLiteral("exec ShiShiputstutoscore @years=:years, @grade=:grade, @Shishihao=:shishihao, @subject=:subject, @testname=:testname"), p);
        return;
    }
    Transaction tx(*this);
    exec(shiShiputstutoscoreSql(), p);
    tx.commit();
}

QStringList Session::columns(const QString& table)
{
    QSqlQuery q(database());
    if (!q.exec(dialect_.probeColumns(table))) return {};
    QStringList out;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i) out << r.fieldName(i);
    return out;
}

bool Session::tableExists(const QString& table)
{
    QSqlQuery q(database());
    return q.exec(dialect_.probeColumns(table));
}

QStringList Session::userTables()
{
    QStringList out;
    Statement st = exec(dialect_.userTablesQuery());
    while (st.next()) out << st.value(0).toString();
    return out;
}

void Session::begin()
{
    if (txDepth_++ > 0) return;
    if (!database().transaction()) {
        txDepth_ = 0;
        throw DbError(errorText(database().lastError()));
    }
}

void Session::commit()
{
    if (txDepth_ == 0) return;
    if (--txDepth_ > 0) return;
    if (!database().commit()) throw DbError(errorText(database().lastError()));
}

void Session::rollback()
{
    if (txDepth_ == 0) return;
    txDepth_ = 0;
    database().rollback();
}

QVariant Session::dateTimeValue(const QDateTime& dt) const
{
    if (!dt.isValid()) return QVariant(QMetaType::fromType<QDateTime>());
    if (engine() == Engine::SQLite) return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return dt;
}

QDateTime toDateTime(const QVariant& v)
{
    if (v.isNull()) return {};
    if (v.metaType().id() == QMetaType::QDateTime) return v.toDateTime();
    if (v.metaType().id() == QMetaType::QDate) return v.toDate().startOfDay();
    const QString s = v.toString().trimmed();
    for (const char* f : {"yyyy-MM-dd hh:mm:ss.zzz", "yyyy-MM-dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss.zzz",
                          "yyyy-MM-ddThh:mm:ss", "yyyy-MM-dd hh:mm", "yyyy-MM-dd"}) {
        const QDateTime d = QDateTime::fromString(s, QString::fromLatin1(f));
        if (d.isValid()) return d;
    }
    return QDateTime::fromString(s, Qt::ISODateWithMs);
}

QString fieldText(const QVariant& v)
{
    if (v.isNull()) return {};
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        return d.time() == QTime(0, 0) ? d.date().toString(QStringLiteral("yyyy-M-d"))
                                       : d.toString(QStringLiteral("yyyy-M-d h:mm:ss"));
    }
    default: return v.toString();
    }
}

}  // namespace oa
