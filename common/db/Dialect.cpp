#include "common/db/Dialect.h"

#include <QRegularExpression>

namespace oa {

namespace {

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('@')
        || c == QLatin1Char('$') || c.unicode() > 127;
}

// Rewrites the closed list of T-SQL constructs for SQLite and PostgreSQL. String literals, quoted names and
// comments are copied untouched; function arguments are rewritten recursively.
class Translator {
public:
    Translator(Engine e, const QString& s) : e_(e), s_(s) {}

    QString run() { return rewrite(0, s_.size()); }

private:
    // Index one past the end of the literal or comment starting at i, or i when none starts there.
    int skipOpaque(int i, int end) const
    {
        const QChar c = s_.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < end) {
                if (s_.at(j) == c) {
                    if (j + 1 < end && s_.at(j + 1) == c) { j += 2; continue; }
                    return j + 1;
                }
                ++j;
            }
            return end;
        }
        if (c == QLatin1Char('-') && i + 1 < end && s_.at(i + 1) == QLatin1Char('-')) {
            int j = s_.indexOf(QLatin1Char('\n'), i);
            return j < 0 || j > end ? end : j;
        }
        return i;
    }

    int skipSpaces(int i, int end) const
    {
        while (i < end && s_.at(i).isSpace()) ++i;
        return i;
    }

    // Given the index of '(', returns the index of its matching ')' and the top-level argument ranges.
    int parseArgs(int open, int end, QList<QPair<int, int>>* args) const
    {
        int depth = 0;
        int argStart = open + 1;
        for (int i = open; i < end;) {
            const int skip = skipOpaque(i, end);
            if (skip != i) { i = skip; continue; }
            const QChar c = s_.at(i);
            if (c == QLatin1Char('(')) ++depth;
            else if (c == QLatin1Char(')')) {
                if (--depth == 0) {
                    args->append({argStart, i});
                    return i;
                }
            } else if (c == QLatin1Char(',') && depth == 1) {
                args->append({argStart, i});
                argStart = i + 1;
            }
            ++i;
        }
        return -1;
    }

    QString nowExpr() const
    {
        return e_ == Engine::SQLite ? QStringLiteral("datetime('now','localtime')")
                                    : QStringLiteral("LOCALTIMESTAMP(0)");
    }

    QString rewrite(int begin, int end)
    {
        QString out;
        out.reserve(end - begin + 16);
        // Row limits waiting for the close of the (sub)query they belong to, by parenthesis depth.
        QList<QPair<int, QString>> limits;
        int depth = 0;
        QString lastWord;
        auto flushLimit = [&](int d) {
            for (int k = limits.size() - 1; k >= 0; --k)
                if (limits[k].first == d) {
                    out += QStringLiteral(" LIMIT ") + limits[k].second;
                    limits.removeAt(k);
                }
        };
        int i = begin;
        while (i < end) {
            const int skip = skipOpaque(i, end);
            if (skip != i) {
                out += s_.mid(i, skip - i);
                i = skip;
                continue;
            }
            const QChar c = s_.at(i);
            if (c == QLatin1Char('[')) {
                const int close = s_.indexOf(QLatin1Char(']'), i);
                if (close > i && close < end) {
                    out += QLatin1Char('"') + s_.mid(i + 1, close - i - 1) + QLatin1Char('"');
                    i = close + 1;
                    // "[dbo].[mark]" names the schema the other engines do not have.
                    if (out.endsWith(QLatin1String("\"dbo\"")) && i < end && s_.at(i) == QLatin1Char('.')) {
                        out.chop(5);
                        ++i;
                    }
                    lastWord.clear();
                    continue;
                }
            }
            if (c == QLatin1Char('(')) { ++depth; out += c; ++i; lastWord.clear(); continue; }
            if (c == QLatin1Char(')')) { flushLimit(depth); --depth; out += c; ++i; lastWord.clear(); continue; }
            if (c == QLatin1Char(';') && depth == 0) { flushLimit(0); out += c; ++i; continue; }
            if (c == QLatin1Char(':') ) {
                // Parameters and casts pass through whole, so a parameter named like a function stays a parameter.
                int j = i + 1;
                while (j < end && (s_.at(j) == QLatin1Char(':') )) ++j;
                while (j < end && isIdentChar(s_.at(j))) ++j;
                out += s_.mid(i, j - i);
                i = j;
                continue;
            }
            if (!isIdentChar(c) || c.isDigit()) {
                if (c.isDigit()) {
                    int j = i;
                    while (j < end && (s_.at(j).isLetterOrNumber() || s_.at(j) == QLatin1Char('.'))) ++j;
                    out += s_.mid(i, j - i);
                    i = j;
                } else {
                    out += c;
                    ++i;
                }
                continue;
            }
            int j = i;
            while (j < end && isIdentChar(s_.at(j))) ++j;
            const QString word = s_.mid(i, j - i);
            const QString lower = word.toLower();
            const int after = skipSpaces(j, end);
            const bool call = after < end && s_.at(after) == QLatin1Char('(');

            if (lower == QLatin1String("dbo") && j < end && s_.at(j) == QLatin1Char('.')) {
                i = j + 1;
                continue;
            }
            if (word.startsWith(QLatin1Char('#'))) {
                out += QStringLiteral("tmp_") + word.mid(1);
                i = j;
                lastWord = lower;
                continue;
            }
            if (call && lower == QLatin1String("getdate")) {
                QList<QPair<int, int>> args;
                const int close = parseArgs(after, end, &args);
                if (close > 0) {
                    out += nowExpr();
                    i = close + 1;
                    continue;
                }
            }
            if (call && lower == QLatin1String("isnull")) {
                QList<QPair<int, int>> args;
                const int close = parseArgs(after, end, &args);
                if (close > 0 && args.size() == 2) {
                    out += QStringLiteral("coalesce(") + rewrite(args[0].first, args[0].second) + QLatin1Char(',')
                        + rewrite(args[1].first, args[1].second) + QLatin1Char(')');
                    i = close + 1;
                    continue;
                }
            }
            if (call && lower == QLatin1String("datediff")) {
                QList<QPair<int, int>> args;
                const int close = parseArgs(after, end, &args);
                const QString unit = args.isEmpty() ? QString() : s_.mid(args[0].first, args[0].second - args[0].first).trimmed().toLower();
                if (close > 0 && args.size() == 3 && (unit == QLatin1String("second") || unit == QLatin1String("ss") || unit == QLatin1String("s"))) {
                    const QString a = rewrite(args[1].first, args[1].second).trimmed();
                    const QString b = rewrite(args[2].first, args[2].second).trimmed();
                    if (e_ == Engine::SQLite)
                        out += QStringLiteral("CAST(round((julianday(%2)-julianday(%1))*86400) AS INTEGER)").arg(a, b);
                    else
                        out += QStringLiteral("CAST(EXTRACT(EPOCH FROM ((%2)::timestamp-(%1)::timestamp)) AS INTEGER)").arg(a, b);
                    i = close + 1;
                    continue;
                }
            }
            if (call && lower == QLatin1String("convert")) {
                QList<QPair<int, int>> args;
                const int close = parseArgs(after, end, &args);
                if (close > 0 && args.size() >= 2) {
                    const QString type = s_.mid(args[0].first, args[0].second - args[0].first).trimmed();
                    const QString x = rewrite(args[1].first, args[1].second).trimmed();
                    const QString style = args.size() > 2 ? s_.mid(args[2].first, args[2].second - args[2].first).trimmed() : QString();
                    if (style == QLatin1String("20") || style == QLatin1String("120")) {
                        out += e_ == Engine::SQLite ? QStringLiteral("strftime('%Y-%m-%d %H:%M:%S',%1)").arg(x)
                                                    : QStringLiteral("to_char(%1,'YYYY-MM-DD HH24:MI:SS')").arg(x);
                    } else {
                        out += QStringLiteral("CAST(%1 AS %2)").arg(x, type);
                    }
                    i = close + 1;
                    continue;
                }
            }
            if (lower == QLatin1String("top") && (lastWord == QLatin1String("select") || lastWord == QLatin1String("distinct"))) {
                int k = after;
                bool paren = k < end && s_.at(k) == QLatin1Char('(');
                if (paren) k = skipSpaces(k + 1, end);
                int n0 = k;
                while (k < end && s_.at(k).isDigit()) ++k;
                if (k > n0) {
                    const QString n = s_.mid(n0, k - n0);
                    if (paren) {
                        k = skipSpaces(k, end);
                        if (k < end && s_.at(k) == QLatin1Char(')')) ++k;
                    }
                    limits.append({depth, n});
                    i = skipSpaces(k, end);
                    continue;
                }
            }
            out += word;
            lastWord = lower;
            i = j;
        }
        flushLimit(depth);
        return out;
    }

    Engine e_;
    const QString& s_;
};

QString baseType(const QString& t, int* width)
{
    static const QRegularExpression re(QStringLiteral(R"(^([a-z]+)(?:\((\d+)\))?$)"));
    const auto m = re.match(t);
    *width = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    return m.hasMatch() ? m.captured(1) : t;
}

}  // namespace

QString Dialect::translate(const QString& sql) const
{
    if (engine_ == Engine::SqlServer) return sql;
    QString s = sql;
    // "select a, b into #t from …" makes a temporary table from a query.
    static const QRegularExpression into(QStringLiteral(R"(^(\s*)select\b(.*?)\binto\s+(#\w+)\s+from\b)"),
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::DotMatchesEverythingOption);
    const auto m = into.match(s);
    if (m.hasMatch())
        s = m.captured(1) + QStringLiteral("CREATE TEMP TABLE ") + m.captured(3) + QStringLiteral(" AS SELECT ")
            + m.captured(2).trimmed() + QStringLiteral(" FROM") + s.mid(m.capturedEnd());
    return Translator(engine_, s).run();
}

QString Dialect::columnType(const Column& c) const
{
    int w = 0;
    const QString b = baseType(c.type, &w);
    if (engine_ == Engine::SqlServer) return c.type;
    if (engine_ == Engine::SQLite) {
        if (b == QLatin1String("int") || b == QLatin1String("bigint") || b == QLatin1String("smallint")
            || b == QLatin1String("bit") || b == QLatin1String("tinyint"))
            return QStringLiteral("INTEGER");
        if (b == QLatin1String("float") || b == QLatin1String("real") || b == QLatin1String("money")) return QStringLiteral("REAL");
        if (b == QLatin1String("datetime") || b == QLatin1String("smalldatetime")) return QStringLiteral("DATETIME");
        if (b == QLatin1String("image") || b == QLatin1String("varbinary")) return QStringLiteral("BLOB");
        if (b == QLatin1String("text") || b == QLatin1String("ntext")) return QStringLiteral("TEXT");
        return w ? QStringLiteral("VARCHAR(%1)").arg(w) : QStringLiteral("TEXT");
    }
    // PostgreSQL
    if (b == QLatin1String("int")) return QStringLiteral("integer");
    if (b == QLatin1String("bigint")) return QStringLiteral("bigint");
    if (b == QLatin1String("smallint") || b == QLatin1String("bit") || b == QLatin1String("tinyint")) return QStringLiteral("smallint");
    if (b == QLatin1String("float")) return QStringLiteral("double precision");
    if (b == QLatin1String("real") || b == QLatin1String("money")) return QStringLiteral("real");
    if (b == QLatin1String("datetime") || b == QLatin1String("smalldatetime")) return QStringLiteral("timestamp(3)");
    if (b == QLatin1String("image") || b == QLatin1String("varbinary")) return QStringLiteral("bytea");
    if (b == QLatin1String("text") || b == QLatin1String("ntext")) return QStringLiteral("text");
    if (b == QLatin1String("char") || b == QLatin1String("nchar")) return w ? QStringLiteral("char(%1)").arg(w) : QStringLiteral("char(1)");
    return w ? QStringLiteral("varchar(%1)").arg(w) : QStringLiteral("text");
}

QString Dialect::columnDefinition(const Column& c) const
{
    QString d = c.name + QLatin1Char(' ');
    int w = 0;
    const QString b = baseType(c.type, &w);
    const bool textual = b.contains(QLatin1String("char")) || b == QLatin1String("text");
    if (c.identity) {
        switch (engine_) {
        case Engine::SQLite: return d + QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL");
        case Engine::PostgreSQL: return d + QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY NOT NULL");
        case Engine::SqlServer: return d + QStringLiteral("int IDENTITY (1, 1) NOT NULL");
        }
    }
    d += columnType(c);
    if (engine_ == Engine::SqlServer && textual) d += QStringLiteral(" COLLATE Chinese_PRC_CI_AS");
    if (!c.defaultSql.isEmpty()) d += QStringLiteral(" DEFAULT ") + c.defaultSql;
    d += c.notNull ? QStringLiteral(" NOT NULL") : QStringLiteral(" NULL");
    return d;
}

QString Dialect::createTable(const TableLayout& t) const
{
    QStringList cols;
    bool blobs = false;
    for (const Column& c : t.columns) {
        cols << columnDefinition(c);
        blobs = blobs || c.type == QLatin1String("text") || c.type == QLatin1String("image");
    }
    if (engine_ == Engine::SqlServer)
        return QStringLiteral("CREATE TABLE [dbo].[%1] (\n\t%2\n) ON [PRIMARY]%3")
            .arg(t.name, cols.join(QStringLiteral(",\n\t")), blobs ? QStringLiteral(" TEXTIMAGE_ON [PRIMARY]") : QString());
    return QStringLiteral("CREATE TABLE %1 (\n\t%2\n)").arg(t.name, cols.join(QStringLiteral(",\n\t")));
}

QString Dialect::addColumns(const QString& table, const QList<Column>& cols) const
{
    QStringList defs;
    for (const Column& c : cols) defs << columnDefinition(c);
    if (engine_ == Engine::SqlServer) return QStringLiteral("ALTER TABLE %1 ADD %2").arg(table, defs.join(QStringLiteral(", ")));
    if (engine_ == Engine::PostgreSQL) {
        QStringList adds;
        for (const QString& d : defs) adds << QStringLiteral("ADD COLUMN ") + d;
        return QStringLiteral("ALTER TABLE %1 %2").arg(table, adds.join(QStringLiteral(", ")));
    }
    // SQLite adds one column per statement; the caller runs these in one transaction.
    QStringList out;
    for (const QString& d : defs) out << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, d);
    return out.join(QStringLiteral(";\n"));
}

QStringList Dialect::alterColumnType(const QString& table, const Column& c) const
{
    switch (engine_) {
    case Engine::SqlServer: return {QStringLiteral("alter table %1 alter column %2 %3").arg(table, c.name, c.type)};
    case Engine::PostgreSQL:
        return {QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3").arg(table, c.name, columnType(c))};
    case Engine::SQLite:
        // SQLite keeps any length in any text column: there is nothing to widen, but a missing table or
        // column must still fail as it does on the other engines.
        return {QStringLiteral("SELECT %2 FROM %1 WHERE 1=0").arg(table, c.name)};
    }
    return {};
}

QString Dialect::probeColumns(const QString& table) const
{
    if (engine_ == Engine::SqlServer) return QStringLiteral("SELECT TOP 0 * FROM %1").arg(table);
    return QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(table);
}

QString Dialect::userTablesQuery() const
{
    switch (engine_) {
    case Engine::SQLite:
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name");
    case Engine::PostgreSQL:
        return QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema=current_schema() "
                              "AND table_type='BASE TABLE' ORDER BY table_name");
    case Engine::SqlServer:
        return QStringLiteral("SELECT name FROM sysobjects WHERE xtype='U' ORDER BY name");
    }
    return {};
}

QString Dialect::serverNowQuery() const { return translate(QStringLiteral("select GetDate() as FDate")); }

QStringList Dialect::createTrigger(const QString& name) const
{
    const QString n = name.toLower();
    if (n == QLatin1String("gongzuorizhiinsert")) {
        switch (engine_) {
        case Engine::SqlServer:
            return {QStringLiteral(
                "CREATE TRIGGER GongZuoRiZhiInsert ON dbo.GongZuoRiZhi FOR INSERT AS\n"
                "declare @id int\nselect @id=id from inserted\n"
                "insert into GongZuoRiZhisee(fid,tname,Havesee) select @id,tname,'未查阅' from Teachers where show=1 order by tname")};
        case Engine::SQLite:
            return {QStringLiteral(
                "CREATE TRIGGER GongZuoRiZhiInsert AFTER INSERT ON GongZuoRiZhi BEGIN "
                "INSERT INTO GongZuoRiZhiSee(fid,tname,Havesee) SELECT NEW.id,tname,'未查阅' FROM Teachers WHERE show=1 ORDER BY tname; END")};
        case Engine::PostgreSQL:
            return {QStringLiteral(
                        "CREATE FUNCTION gongzuorizhiinsert_fn() RETURNS trigger AS $$ BEGIN "
                        "INSERT INTO GongZuoRiZhiSee(fid,tname,Havesee) SELECT NEW.id,tname,'未查阅' FROM Teachers WHERE show=1 ORDER BY tname; "
                        "RETURN NEW; END $$ LANGUAGE plpgsql"),
                    QStringLiteral("CREATE TRIGGER GongZuoRiZhiInsert AFTER INSERT ON GongZuoRiZhi FOR EACH ROW EXECUTE FUNCTION gongzuorizhiinsert_fn()")};
        }
    }
    if (n == QLatin1String("delgongwenfile")) {
        switch (engine_) {
        case Engine::SqlServer:
            return {QStringLiteral(
                "CREATE TRIGGER delGongWenfile ON dbo.GongWen FOR DELETE AS\n"
                "declare @id int\nselect @id=id from deleted\n"
                "delete from GongWenFile where fid=@id\ndelete from GongWenSee where fid=@id")};
        case Engine::SQLite:
            return {QStringLiteral(
                "CREATE TRIGGER delGongWenfile AFTER DELETE ON GongWen BEGIN "
                "DELETE FROM GongWenFile WHERE fid=OLD.id; DELETE FROM GongWenSee WHERE fid=OLD.id; END")};
        case Engine::PostgreSQL:
            return {QStringLiteral(
                        "CREATE FUNCTION delgongwenfile_fn() RETURNS trigger AS $$ BEGIN "
                        "DELETE FROM GongWenFile WHERE fid=OLD.id; DELETE FROM GongWenSee WHERE fid=OLD.id; "
                        "RETURN OLD; END $$ LANGUAGE plpgsql"),
                    QStringLiteral("CREATE TRIGGER delGongWenfile AFTER DELETE ON GongWen FOR EACH ROW EXECUTE FUNCTION delgongwenfile_fn()")};
        }
    }
    return {};
}

QStringList Dialect::dropObject(const QString& kind, const QString& name) const
{
    const QString k = kind.toLower();
    if (k == QLatin1String("procedure")) {
        if (engine_ == Engine::SqlServer) return {QStringLiteral("Drop procedure ") + name};
        return {};
    }
    if (engine_ == Engine::SqlServer) return {QStringLiteral("Drop %1 %2").arg(kind, name)};
    // Without IF EXISTS, so a missing object fails the way the school's scripts expect.
    return {QStringLiteral("DROP %1 %2").arg(k.toUpper(), name)};
}

QStringList Dialect::createProcedure(const QString& name) const
{
    if (engine_ != Engine::SqlServer) return {};
    const QString n = name.toLower();
    if (n == QLatin1String("putstutoscore"))
        return {QStringLiteral(
            "CREATE PROCEDURE putstutoscore @years varchar(50), @grade varchar(50), @class varchar(50), "
            "@subject varchar(50), @testname varchar(50) AS\n"
            "INSERT INTO stuscore(tongyibianhao,years,testname,grade,class,number,uname,sex,jifen,subject) select "
            "tongyibianhao,years,@testname,grade,class,number,uname,sex,jifen,@subject from students where 是否离校='' "
            "and years=@years and grade=@grade and class=@class and number not in (select number from stuscore where "
            "years=@years and grade=@grade and class=@class and subject=@subject and testname=@testname)")};
    if (n == QLatin1String("shishiputstutoscore"))
        return {QStringLiteral(
            "CREATE PROCEDURE ShiShiputstutoscore @years varchar(50), @grade varchar(50), @Shishihao varchar(50), "
            "@subject varchar(50), @testname varchar(50) AS\n"
            "select * into #gradestudents from students where years=@years and grade=@grade\n"
            "select * into #gradescore from stuscore where years=@years and grade=@grade and subject=@subject\n"
            "INSERT INTO stuscore(tongyibianhao,years,testname,grade,class,number,uname,sex,jifen,subject) select "
            "tongyibianhao,years,@testname,grade,class,number,uname,sex,jifen,@subject from #gradestudents where "
            "是否离校='' and Shishihao=@Shishihao and zuoweihao not in (select s.zuoweihao from #gradestudents s, "
            "#gradescore c where s.years=c.years and s.grade=c.grade and s.class=c.class and s.number=c.number and "
            "s.Uname=c.Uname and s.Shishihao=@Shishihao and c.testname=@testname)")};
    if (n == QLatin1String("incid"))
        return {QStringLiteral(
            "CREATE PROCEDURE incid @name varchar(50), @id int output AS\n"
            "update varset set @id=vid=vid+1 where name=@name")};
    return {};
}

QString Dialect::createView(const QString& name, const QString& body) const
{
    Q_UNUSED(name);
    return translate(body);
}

QString Dialect::incidStatement() const
{
    switch (engine_) {
    case Engine::SqlServer:
        return QStringLiteral("SET NOCOUNT ON; declare @id int; update varset set @id=vid=vid+1 where name=:name; select @id");
    case Engine::SQLite:
    case Engine::PostgreSQL:
        // One statement: the row lock (PostgreSQL) or the write lock (SQLite) serialises concurrent callers.
        return QStringLiteral("UPDATE varset SET vid=vid+1 WHERE name=:name RETURNING vid");
    }
    return {};
}

QString putstutoscoreSql()
{
    return QStringLiteral(
        "INSERT INTO stuscore(tongyibianhao,years,testname,grade,class,number,uname,sex,jifen,subject) select "
        "tongyibianhao,years,:testname,grade,class,number,uname,sex,jifen,:subject from students where 是否离校='' and "
        "years=:years and grade=:grade and class=:class and number not in (select number from stuscore where "
        "years=:years and grade=:grade and class=:class and subject=:subject and testname=:testname and number is not null)");
}

QString shiShiputstutoscoreSql()
{
    // One statement instead of two temporary tables: students of the room whose seat is not yet taken by a
    // student of that room who already has a row for the exam and subject.
    return QStringLiteral(
        "INSERT INTO stuscore(tongyibianhao,years,testname,grade,class,number,uname,sex,jifen,subject) select "
        "tongyibianhao,years,:testname,grade,class,number,uname,sex,jifen,:subject from students where "
        "years=:years and grade=:grade and 是否离校='' and Shishihao=:shishihao and zuoweihao not in (select "
        "s.zuoweihao from students s, stuscore c where s.years=:years and s.grade=:grade and c.years=s.years and "
        "c.grade=s.grade and c.class=s.class and c.number=s.number and c.Uname=s.Uname and s.Shishihao=:shishihao "
        "and c.subject=:subject and c.testname=:testname and s.zuoweihao is not null)");
}

QString markViewSql()
{
    return QStringLiteral(
        "CREATE VIEW dbo.mark AS SELECT s.TestName, s.years, s.grade, s.number, s.class, s.Uname, s.sex, s.jifen, "
        "SUM(s.score) AS score, v.shuoming AS subject, MIN(s.id) AS iorder FROM dbo.stuscore s INNER JOIN dbo.varSet v "
        "ON s.subject = v.vname WHERE (v.name = 'subject') GROUP BY s.TestName, s.years, s.grade, s.number, s.class, "
        "s.Uname, s.sex, s.jifen, v.shuoming");
}

}  // namespace oa
