#include "MigratorCli.h"

#include "ProgressLine.h"
#include "UpgradeEngine.h"
#include "WizardService.h"
#include "common/config/VarSet.h"
#include "common/db/ConnectionSettings.h"
#include "common/db/HeadlessOpen.h"
#include "tools/demo/DemoSchool.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace oa {

namespace {
// The database a headless run works on: --database, else the workstation's settings file.
std::unique_ptr<Session> openFromArguments(const QCommandLineParser& p, QTextStream& err, bool creating)
{
    std::optional<QString> password;
    if (p.isSet(QStringLiteral("password"))) password = p.value(QStringLiteral("password"));
    return openHeadless({p.value(QStringLiteral("database")), p.value(QStringLiteral("settings")), password, creating}, err);
}

UpgradeEngine::Progress printer(QTextStream& out)
{
    return [&out](int i, int total, const UpgradeStep& st, const StepOutcome& o) { out << progressLine(i, total, st, o) << Qt::endl; };
}
}  // namespace

int runMigratorCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("学校OA系统升级向导"));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("database"), QStringLiteral("数据库地址: sqlite:PATH, postgresql://user:pw@host[:port]/VEZevOZ, 或 SQL Server 地址"), QStringLiteral("URL")},
        {QStringLiteral("settings"), QStringLiteral("连接设置文件"), QStringLiteral("FILE")},
        {QStringLiteral("password"), QStringLiteral("数据库密码（不经解密）"), QStringLiteral("PASSWORD")},
        {QStringLiteral("create"), QStringLiteral("创建新的学校数据库")},
        {QStringLiteral("demo"), QStringLiteral("同时填入演示学校的数据")},
        {QStringLiteral("upgrade"), QStringLiteral("升级已有的数据库")},
        {QStringLiteral("v3"), QStringLiteral("运行升级数据库V3")},
        {QStringLiteral("v5"), QStringLiteral("运行升级数据库V")},
        {QStringLiteral("module"), QStringLiteral("模块: 图书管理 或 新生报名"), QStringLiteral("NAME")},
    });
    if (!p.parse(arguments)) {
        err << p.errorText() << Qt::endl;
        return 1;
    }
    if (p.isSet(QStringLiteral("help"))) {
        out << p.helpText();
        return 0;
    }
    const bool create = p.isSet(QStringLiteral("create"));
    const bool upgrade = p.isSet(QStringLiteral("upgrade"));
    if (!create && !upgrade) return 2;
    if (create && upgrade) {
        err << "--create 和 --upgrade 只能选一个" << Qt::endl;
        return 1;
    }

    auto session = openFromArguments(p, err, create);
    if (!session) return 1;
    try {
        if (create) {
            UpgradeEngine::createSchool(*session, printer(out));
            out << "升级数据库V3顺利完成！" << Qt::endl << "升级数据库V5顺利完成！" << Qt::endl;
            if (p.isSet(QStringLiteral("demo"))) {
                DemoSchool(*session).populate();
                out << "演示学校数据已经填入。" << Qt::endl;
            }
            out << "数据库已经创建：" << session->url().display() << Qt::endl;
            return 0;
        }
        bool v3 = p.isSet(QStringLiteral("v3"));
        bool v5 = p.isSet(QStringLiteral("v5"));
        if (!v3 && !v5) {
            // As the wizard offers them: V3 only where it has not run before.
            v3 = VarSet::value(*session, QStringLiteral("Version"), QStringLiteral("vname1")) != QStringLiteral("数据库V3");
            v5 = true;
        }
        UpgradeEngine engine(*session);
        engine.setProgress(printer(out));
        UpgradeChoice choice;
        choice.v3 = v3;
        choice.v5 = v5;
        choice.module = p.value(QStringLiteral("module"));
        const QStringList scripts = WizardService::scriptsFor(choice);
        if (!choice.module.isEmpty() && scripts.size() == int(v3) + int(v5))
            out << "模块 \"" << choice.module << "\" 不是 图书管理 或 新生报名，不运行模块脚本。" << Qt::endl;
        for (const QString& s : scripts) out << engine.run(UpgradeScript::load(s)) << Qt::endl;
        engine.stampRelease();
        out << "数据库版本：" << kReleaseNumber << Qt::endl;
        return 0;
    } catch (const UpgradeError& e) {
        err << "升级停止：" << e.step() << Qt::endl << e.message() << Qt::endl;
        return 1;
    } catch (const DbError& e) {
        err << e.message() << Qt::endl;
        return 1;
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
}

}  // namespace oa
