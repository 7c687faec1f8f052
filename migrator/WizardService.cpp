#include "WizardService.h"

#include <QFileInfo>
#include <QSqlRecord>

namespace oa {

QString releaseInstalledWarning(const QString& release)
{
    return QStringLiteral("数据库已经升级到V ") + release + QStringLiteral(";你确定要重新升级？");
}

std::optional<ConnectionUrl> WizardService::connectionUrl(const QString& address, const QString& user, QString* error)
{
    auto url = ConnectionUrl::parse(address, error);
    if (!url) return url;
    if (url->engine != Engine::SQLite && url->user.isEmpty()) url->user = user;
    return url;
}

bool WizardService::fail()
{
    disconnect();
    p_.error(QString::fromUtf8(kConnectFailed));
    return false;
}

void WizardService::disconnect()
{
    session_.reset();
    v3Done_ = false;
    releaseInstalled_ = false;
}

bool WizardService::open(const QString& address, const QString& user, const QString& password)
{
    disconnect();
    const auto url = connectionUrl(address, user);
    if (!url) return fail();
    if (url->engine == Engine::SQLite && !QFileInfo(url->path).isFile()) return fail();
    try {
        session_ = Session::open(*url, password);
    } catch (const DbError&) {
        return fail();
    }
    url_ = *url;
    password_ = password;
    return true;
}

bool WizardService::readVersions()
{
    if (!session_) return fail();
    try {
        const Params version{{QStringLiteral("name"), QStringLiteral("Version")}};
        const auto v = session_->rows(QStringLiteral("select * from  varset where (name =:name)"), version);
        // A database from before the V3 script has no vname1 column yet: that, like a missing row, means the
        // V3 script has not run (and must not keep the installer from connecting).
        v3Done_ = !v.isEmpty() && v.first().indexOf(QStringLiteral("vname1")) >= 0
            && fieldText(v.first().value(QStringLiteral("vname1"))) == QString::fromUtf8(kV3Done);
        const Params release{{QStringLiteral("name"), QStringLiteral("OA系统的数据库版本")}};
        const auto r = session_->rows(QStringLiteral("select * from  varset where (name =:name)"), release);
        releaseInstalled_ = !r.isEmpty() && fieldText(r.first().value(QStringLiteral("vname"))) == QString::fromLatin1(kReleaseNumber);
    } catch (const DbError&) {
        return fail();
    }
    if (releaseInstalled_) p_.error(releaseInstalledWarning());
    return true;
}

bool WizardService::connect(const QString& address, const QString& user, const QString& password)
{
    return open(address, user, password) && readVersions();
}

QStringList WizardService::scriptsFor(const UpgradeChoice& c)
{
    QStringList out;
    if (c.v3) out << QStringLiteral("v3");
    if (c.v5) out << QStringLiteral("v5");
    // The module field is compared exactly: "图书管理 " is no module.
    if (c.module == QString::fromUtf8(kLibraryModule)) out << QStringLiteral("library");
    else if (c.module == QString::fromUtf8(kNewStudentModule)) out << QStringLiteral("newstudent");
    return out;
}

bool WizardService::upgrade(Session& s, Prompter& p, const UpgradeChoice& c, const UpgradeEngine::Progress& progress)
{
    try {
        UpgradeEngine engine(s);
        engine.setProgress(progress);
        for (const QString& name : scriptsFor(c)) {
            const QString message = engine.run(UpgradeScript::load(name));
            if (!message.isEmpty()) p.show(message);
        }
        engine.stampRelease();
        return true;
    } catch (const UpgradeError& e) {
        p.error(e.message() + QStringLiteral("\n\n") + e.step());
    } catch (const DbError& e) {
        p.error(e.message());
    } catch (const std::exception& e) {
        p.error(QString::fromUtf8(e.what()));
    }
    return false;
}

}  // namespace oa
