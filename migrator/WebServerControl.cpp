#include "WebServerControl.h"

#include "common/db/ConnectionSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFile>
#include <QTextStream>

namespace oa {

namespace {
QString key(WebServerControl::Action a)
{
    return a == WebServerControl::Action::Stop ? QStringLiteral("stop") : QStringLiteral("start");
}

// The value as written. QSettings would take the quotes out of a value and split it at commas, and a
// command line needs both kept ("C:/Program Files/Apache/bin/httpd.exe" -k stop).
QString rawIniValue(const QString& path, const QString& section, const QString& name)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&f);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection = line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inSection && eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

bool startDetached(const QString& program, const QStringList& args)
{
    QProcess proc;
    proc.setProgram(program);
    proc.setArguments(args);
#ifdef Q_OS_WIN
    // No console window flashes up for the command.
    proc.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* a) { a->flags |= 0x08000000; /* CREATE_NO_WINDOW */ });
#endif
    proc.setStandardOutputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
    return proc.startDetached();
}
}  // namespace

WebServerControl::WebServerControl(Prompter& p, QString settingsPath)
    : p_(p), settingsPath_(ConnectionSettings::effectivePath(settingsPath))
{
}

QString WebServerControl::command(Action a) const
{
    const QString configured = rawIniValue(settingsPath_, QStringLiteral("WebServer"), key(a));
    if (!configured.isEmpty()) return configured;
#ifdef Q_OS_WIN
    return QStringLiteral("iisreset /") + key(a);
#else
    return {};
#endif
}

bool WebServerControl::run(Action a)
{
    const QString line = command(a);
    if (line.isEmpty()) {
        p_.message(QString(), QString::fromUtf8(kCommandFailed) + QStringLiteral("：设置文件 ")
                       + QDir::toNativeSeparators(settingsPath_) + QStringLiteral(" 的 [WebServer] 中没有 ") + key(a)
                       + QStringLiteral(" 命令"),
                   Prompter::Icon::Information);
        return false;
    }
    QStringList parts = QProcess::splitCommand(line);
    const QString program = parts.isEmpty() ? QString() : parts.takeFirst();
    if (program.isEmpty() || !startDetached(program, parts)) {
        p_.message(QString(), QString::fromUtf8(kCommandFailed), Prompter::Icon::Information);
        return false;
    }
    return true;
}

}  // namespace oa
