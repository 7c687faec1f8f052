#include "UpgradeScript.h"

#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

static void initScriptResources() { Q_INIT_RESOURCE(scripts); }

namespace oa {

QString UpgradeStep::describe() const { return source; }

QString UpgradeScript::closingMessage() const
{
    for (const UpgradeStep& s : steps)
        if (s.kind == UpgradeStep::Message) return s.text;
    return {};
}

namespace {
[[noreturn]] void bad(const QString& script, int line, const QString& why)
{
    throw std::runtime_error(QStringLiteral("%1:%2: %3").arg(script).arg(line).arg(why).toStdString());
}

QList<QPair<QString, QString>> parseValues(const QStringList& parts, const QString& script, int line)
{
    QList<QPair<QString, QString>> out;
    for (int i = 1; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        const int eq = p.indexOf(QLatin1Char('='));
        if (eq <= 0) bad(script, line, QStringLiteral("expected col=value: ") + p);
        // Values keep inner blanks (the web site's links carry double blanks) but not the separator's.
        out.append({p.left(eq).trimmed(), parts[i].mid(parts[i].indexOf(QLatin1Char('=')) + 1).trimmed()});
    }
    return out;
}
}  // namespace

UpgradeScript UpgradeScript::parse(const QString& name, const QString& text)
{
    UpgradeScript script;
    script.name = name;
    int group = -1;
    int groups = 0;
    int groupLine = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        if (trimmed == QLatin1String("group {")) {
            if (group >= 0) bad(name, n + 1, QStringLiteral("nested group"));
            group = groups++;
            groupLine = n + 1;
            continue;
        }
        if (trimmed == QLatin1String("}")) {
            if (group < 0) bad(name, n + 1, QStringLiteral("} without group"));
            group = -1;
            continue;
        }
        UpgradeStep st;
        st.line = n + 1;
        st.group = group;
        st.source = trimmed;
        QString body = line.trimmed();
        if (body.startsWith(QLatin1String("t "))) {
            st.trapped = true;
            body = body.mid(2).trimmed();
        }
        const int sp = body.indexOf(QLatin1Char(' '));
        const QString verb = sp < 0 ? body : body.left(sp);
        const QString rest = sp < 0 ? QString() : body.mid(sp + 1);
        const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (verb == QLatin1String("seed") || verb == QLatin1String("seedlist") || verb == QLatin1String("stamp")) {
            st.kind = verb == QLatin1String("seed") ? UpgradeStep::Seed
                : verb == QLatin1String("seedlist") ? UpgradeStep::SeedList : UpgradeStep::Stamp;
            const QStringList parts = rest.split(QLatin1Char('|'));
            st.target = parts.first().trimmed();
            st.values = parseValues(parts, name, st.line);
        } else if (verb == QLatin1String("addcolumn") || verb == QLatin1String("altercolumn")) {
            st.kind = verb == QLatin1String("addcolumn") ? UpgradeStep::AddColumn : UpgradeStep::AlterColumn;
            if (words.size() < 3) bad(name, st.line, QStringLiteral("expected TABLE COLUMN TYPE"));
            st.target = words[0];
            QString err;
            st.columns << parseColumn(QStringList(words.mid(1)).join(QLatin1Char(' ')), &err);
            if (!err.isEmpty()) bad(name, st.line, err);
        } else if (verb == QLatin1String("addcolumns")) {
            st.kind = UpgradeStep::AddColumns;
            const QStringList parts = rest.split(QLatin1Char('|'));
            const QStringList head = parts.first().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (head.size() != 2 || parts.size() < 2) bad(name, st.line, QStringLiteral("expected TABLE PROBECOL | COL TYPE …"));
            st.target = head[0];
            st.probeColumn = head[1];
            for (int i = 1; i < parts.size(); ++i) {
                QString err;
                st.columns << parseColumn(parts[i], &err);
                if (!err.isEmpty()) bad(name, st.line, err);
            }
        } else if (verb == QLatin1String("create") || verb == QLatin1String("createtrigger")
                   || verb == QLatin1String("createprocedure") || verb == QLatin1String("createview")) {
            st.kind = verb == QLatin1String("create") ? UpgradeStep::Create
                : verb == QLatin1String("createtrigger") ? UpgradeStep::CreateTrigger
                : verb == QLatin1String("createprocedure") ? UpgradeStep::CreateProcedure : UpgradeStep::CreateView;
            if (words.size() != 1) bad(name, st.line, QStringLiteral("expected one name"));
            st.target = words[0];
            if (st.kind == UpgradeStep::Create) {
                st.trapped = true;
                if (Layouts::instance().find(st.target).isEmpty())
                    bad(name, st.line, QStringLiteral("no layout for table ") + st.target);
            }
        } else if (verb == QLatin1String("drop")) {
            st.kind = UpgradeStep::Drop;
            st.trapped = true;
            if (words.size() != 2) bad(name, st.line, QStringLiteral("expected drop KIND NAME"));
            st.objectKind = words[0].toLower();
            st.target = words[1];
        } else if (verb == QLatin1String("sql")) {
            st.kind = UpgradeStep::Sql;
            st.text = rest;
        } else if (verb == QLatin1String("message")) {
            st.kind = UpgradeStep::Message;
            st.text = rest.trimmed();
        } else {
            bad(name, st.line, QStringLiteral("unknown step ") + verb);
        }
        script.steps.append(st);
    }
    if (group >= 0) bad(name, groupLine, QStringLiteral("group not closed"));
    return script;
}

UpgradeScript UpgradeScript::load(const QString& name)
{
    initScriptResources();
    QFile f(QStringLiteral(":/scripts/%1.txt").arg(name));
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("unknown upgrade script " + name.toStdString());
    return parse(name, QString::fromUtf8(f.readAll()));
}

}  // namespace oa
