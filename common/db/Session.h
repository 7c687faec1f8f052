#pragma once
#include "common/db/Dialect.h"
#include "common/db/Engine.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>

namespace oa {

// A statement the database refused, with the database's own message.
class DbError : public std::runtime_error {
public:
    DbError(const QString& message, const QString& sql = QString())
        : std::runtime_error(message.toStdString()), message_(message), sql_(sql) {}
    QString message() const { return message_; }
    QString sql() const { return sql_; }

private:
    QString message_;
    QString sql_;
};

using Params = QList<QPair<QString, QVariant>>;

// Rewrites ":name" placeholders (Chinese names included) into positional ones the drivers accept, skipping
// literals, quoted names, comments and "::" casts. names receives each occurrence's name, in order.
QString positionalPlaceholders(const QString& sql, QStringList* names);

class Session;

// One prepared statement over the session. Bind by the names the statement was written with; execute as often
// as needed (prepared once, which matters for imports of thousands of rows).
class Statement {
public:
    Statement(Session& s, const QString& sql);
    Statement& bind(const QString& name, const QVariant& value);
    Statement& bind(const Params& params);
    Statement& exec();                     // throws DbError
    bool next() { return q_.next(); }
    QVariant value(const QString& column) const;
    QVariant value(int i) const { return q_.value(i); }
    QSqlRecord record() const { return q_.record(); }
    int rowsAffected() const { return q_.numRowsAffected(); }
    QSqlQuery& query() { return q_; }
    QString sql() const { return sql_; }

private:
    Session& s_;
    QString sql_;
    QStringList names_;
    QHash<QString, QVariant> values_;
    QSqlQuery q_;
};

// The one database connection of a program.
class Session {
public:
    // Opens the database the URL names. password is used where the URL carries none (the deciphered key of
    // the settings file, or the wizard's typed password). Throws DbError with the driver's message.
    static std::unique_ptr<Session> open(const ConnectionUrl& url, const QString& password = QString());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Engine engine() const { return dialect_.engine(); }
    const Dialect& dialect() const { return dialect_; }
    const ConnectionUrl& url() const { return url_; }
    QSqlDatabase database() const;
    bool isOpen() const;

    // Runs a statement (translated for this engine) and returns it positioned before the first row.
    Statement exec(const QString& sql, const Params& params = {});
    // Runs a statement that has no result and no parameters, as is (DDL, several statements on PostgreSQL).
    void execRaw(const QString& sql);
    QList<QSqlRecord> rows(const QString& sql, const Params& params = {});
    QVariant scalar(const QString& sql, const Params& params = {});

    QDateTime serverNow();                          // "select GetDate() as FDate"
    int incid(const QString& name);                 // next value of a varset counter
    void putstutoscore(const QString& years, const QString& grade, const QString& cls, const QString& subject,
                       const QString& testname);
    void shiShiPutstutoscore(const QString& years, const QString& grade, const QString& shishihao,
                             const QString& subject, const QString& testname);

    // Columns of a table without reading its rows; empty when the table does not exist.
    QStringList columns(const QString& table);
    bool tableExists(const QString& table);
    QStringList userTables();

    void begin();
    void commit();
    void rollback();

    // The value to bind for a date-time column on this engine.
    QVariant dateTimeValue(const QDateTime& dt) const;

private:
    Session(const ConnectionUrl& url, QString connectionName);
    friend class Statement;
    ConnectionUrl url_;
    QString connectionName_;
    Dialect dialect_;
    int txDepth_ = 0;
};

// RAII transaction: rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Session& s) : s_(s) { s_.begin(); }
    ~Transaction()
    {
        if (!done_) {
            try { s_.rollback(); } catch (...) {}
        }
    }
    void commit() { s_.commit(); done_ = true; }

private:
    Session& s_;
    bool done_ = false;
};

// Reads a date-time however the engine returned it (PostgreSQL and SQL Server: a date-time; SQLite: text).
QDateTime toDateTime(const QVariant& v);
// Text of a field as the original's AsString would give it (NULL is empty text; integral floats without ".0").
QString fieldText(const QVariant& v);

}  // namespace oa
