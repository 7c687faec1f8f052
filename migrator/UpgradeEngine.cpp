#include "UpgradeEngine.h"

namespace oa {

namespace {
bool hasColumn(const QStringList& cols, const QString& c)
{
    for (const QString& x : cols)
        if (x.compare(c, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// An empty value is empty text, never NULL: readers compare with ''.
QString nonNull(const QString& s) { return s.isNull() ? QString::fromLatin1("", 0) : s; }
}  // namespace

QVariant UpgradeEngine::valueFor(const QString& column, const QString& text)
{
    if (text == QLatin1String("@now20"))
        return s_.serverNow().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (column.compare(QLatin1String("vid"), Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const int v = text.toInt(&ok);
        if (ok) return v;
    }
    return nonNull(text);
}

void UpgradeEngine::execAll(const QStringList& statements)
{
    if (statements.size() == 1) {
        s_.execRaw(statements.first());
        return;
    }
    Transaction tx(s_);
    for (const QString& st : statements) s_.execRaw(st);
    tx.commit();
}

void UpgradeEngine::upsertVarset(const QString& key, const QList<QPair<QString, QString>>& values)
{
    QStringList sets;
    Params p{{QStringLiteral("name"), key}};
    for (const auto& v : values) {
        sets << QStringLiteral("%1=:%1").arg(v.first);
        p.append({v.first, valueFor(v.first, v.second)});
    }
    Transaction tx(s_);
    const int n = s_.exec(QStringLiteral("update varset set %1 where name=:name").arg(sets.join(QLatin1Char(','))), p).rowsAffected();
    if (n <= 0) {
        QStringList cols{QStringLiteral("name")};
        QStringList marks{QStringLiteral(":name")};
        bool vid = false;
        for (const auto& v : values) {
            cols << v.first;
            marks << QLatin1Char(':') + v.first;
            vid = vid || v.first.compare(QLatin1String("vid"), Qt::CaseInsensitive) == 0;
        }
        if (!vid) {
            cols << QStringLiteral("vid");
            marks << QStringLiteral(":vid");
            p.append({QStringLiteral("vid"), 1});
        }
        s_.exec(QStringLiteral("insert into varset(%1) values(%2)").arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))), p);
    }
    tx.commit();
}

StepOutcome UpgradeEngine::runStep(const UpgradeStep& st)
{
    const Dialect& d = s_.dialect();
    switch (st.kind) {
    case UpgradeStep::Seed:
    case UpgradeStep::SeedList: {
        QString probe = QStringLiteral("select * from varset where name=:name");
        Params p{{QStringLiteral("name"), st.target}};
        QString vname;
        for (const auto& v : st.values)
            if (v.first.compare(QLatin1String("vname"), Qt::CaseInsensitive) == 0) vname = v.second;
        if (st.kind == UpgradeStep::SeedList) {
            probe += QStringLiteral(" and vname=:vname");
            p.append({QStringLiteral("vname"), nonNull(vname)});
        }
        if (!s_.rows(probe, p).isEmpty()) return {StepOutcome::Skipped, {}};
        QStringList cols{QStringLiteral("name")};
        QStringList marks{QStringLiteral(":name")};
        Params ins{{QStringLiteral("name"), st.target}};
        for (const auto& v : st.values) {
            cols << v.first;
            marks << QLatin1Char(':') + v.first;
            ins.append({v.first, valueFor(v.first, v.second)});
        }
        s_.exec(QStringLiteral("insert into varset(%1) values(%2)").arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))), ins);
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::AddColumn: {
        const QStringList cols = s_.columns(st.target);
        if (hasColumn(cols, st.columns.first().name)) return {StepOutcome::Skipped, {}};
        execAll(d.addColumns(st.target, st.columns).split(QStringLiteral(";\n")));
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::AddColumns: {
        const QStringList cols = s_.columns(st.target);
        if (hasColumn(cols, st.probeColumn)) return {StepOutcome::Skipped, {}};
        execAll(d.addColumns(st.target, st.columns).split(QStringLiteral(";\n")));
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::AlterColumn:
        execAll(d.alterColumnType(st.target, st.columns.first()));
        return {StepOutcome::Done, {}};
    case UpgradeStep::Create:
        s_.execRaw(d.createTable(Layouts::instance().find(st.target)));
        return {StepOutcome::Done, {}};
    case UpgradeStep::CreateTrigger: {
        const QStringList sql = d.createTrigger(st.target);
        if (sql.isEmpty()) throw DbError(QStringLiteral("unknown trigger ") + st.target);
        execAll(sql);
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::CreateProcedure: {
        const QStringList sql = d.createProcedure(st.target);
        if (s_.engine() == Engine::SqlServer && sql.isEmpty()) throw DbError(QStringLiteral("unknown procedure ") + st.target);
        if (!sql.isEmpty()) execAll(sql);
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::CreateView:
        if (st.target.compare(QLatin1String("mark"), Qt::CaseInsensitive) != 0)
            throw DbError(QStringLiteral("unknown view ") + st.target);
        s_.execRaw(d.createView(st.target, markViewSql()));
        return {StepOutcome::Done, {}};
    case UpgradeStep::Drop: {
        const QStringList sql = d.dropObject(st.objectKind, st.target);
        if (!sql.isEmpty()) execAll(sql);
        return {StepOutcome::Done, {}};
    }
    case UpgradeStep::Sql:
        // Not prepared: PostgreSQL prepares only queries and data changes, and these steps carry no values.
        s_.execRaw(d.translate(st.text));
        return {StepOutcome::Done, {}};
    case UpgradeStep::Stamp:
        upsertVarset(st.target, st.values);
        return {StepOutcome::Done, {}};
    case UpgradeStep::Message:
        return {StepOutcome::Done, st.text};
    }
    return {StepOutcome::Done, {}};
}

QString UpgradeEngine::run(const UpgradeScript& script)
{
    QString message;
    int failedGroup = -1;
    const int total = int(script.steps.size());
    for (int i = 0; i < total; ++i) {
        const UpgradeStep& st = script.steps[i];
        if (st.group >= 0 && st.group == failedGroup) {
            if (progress_) progress_(i, total, st, {StepOutcome::Skipped, QStringLiteral("group")});
            continue;
        }
        StepOutcome out;
        try {
            out = runStep(st);
        } catch (const DbError& e) {
            // PostgreSQL leaves nothing half-done outside a transaction; SQLite and SQL Server likewise.
            if (st.trapped) {
                out = {StepOutcome::Failed, e.message()};
            } else if (st.group >= 0) {
                failedGroup = st.group;
                out = {StepOutcome::Failed, e.message()};
            } else {
                if (progress_) progress_(i, total, st, {StepOutcome::Failed, e.message()});
                throw UpgradeError(e.message(), st.describe());
            }
        }
        if (st.kind == UpgradeStep::Message) message = st.text;
        if (progress_) progress_(i, total, st, out);
    }
    return message;
}

void UpgradeEngine::stampRelease(const QString& release)
{
    upsertVarset(QStringLiteral("OA系统的数据库版本"), {{QStringLiteral("vname"), release}});
}

void UpgradeEngine::createBaseTables(Session& s)
{
    const Dialect& d = s.dialect();
    Transaction tx(s);
    for (const TableLayout& t : Layouts::instance().base()) s.execRaw(d.createTable(t));
    for (const QString& v : Layouts::instance().baseViews()) {
        const int colon = v.indexOf(QLatin1Char(':'));
        s.execRaw(QStringLiteral("CREATE VIEW %1 AS %2").arg(v.left(colon).trimmed(), d.translate(v.mid(colon + 1).trimmed())));
    }
    for (const QString& st : d.createProcedure(QStringLiteral("incid"))) s.execRaw(st);
    tx.commit();
}

void UpgradeEngine::createSchool(Session& s, const Progress& progress)
{
    createBaseTables(s);
    UpgradeEngine e(s);
    e.setProgress(progress);
    e.run(UpgradeScript::load(QStringLiteral("v3")));
    e.run(UpgradeScript::load(QStringLiteral("v5")));
    e.stampRelease();
}

}  // namespace oa
