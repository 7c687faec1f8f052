#pragma once
// Small fixtures for the main-window, login and list tests: a school database with just the rows a test
// needs, a scratch desktop settings file, and a registry of stand-in tool windows.
#include "TestDb.h"

#include "common/config/DesktopSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "registrar/shell/Commands.h"
#include "registrar/shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

namespace oa::shelltest {

inline void addTeacher(Session& s, const QString& tno, const QString& password, const QString& tname,
                       const QString& group)
{
    s.exec(QStringLiteral("insert into Teachers(Tno,tname,TPassWord,powdergroup) "
                          "values(:tno,:tname,:pw,:grp)"),
           {{QStringLiteral("tno"), tno}, {QStringLiteral("tname"), tname}, {QStringLiteral("pw"), password},
            {QStringLiteral("grp"), group}});
}

inline void grant(Session& s, const QString& group, const QString& permission)
{
    s.exec(QStringLiteral("insert into teacherpowder(powdergroup,powderdetail) values(:g,:p)"),
           {{QStringLiteral("g"), group}, {QStringLiteral("p"), permission}});
}

inline void setVar(Session& s, const QString& name, int vid, const QString& vname, const QVariant& vname1 = QVariant(),
                   const QVariant& shuoming = QVariant())
{
    s.exec(QStringLiteral("insert into varset(name,vid,vname,vname1,shuoming) values(:n,:vid,:v,:v1,:sm)"),
           {{QStringLiteral("n"), name}, {QStringLiteral("vid"), vid}, {QStringLiteral("v"), vname},
            {QStringLiteral("v1"), vname1}, {QStringLiteral("sm"), shuoming}});
}

inline void clearVar(Session& s, const QString& name)
{
    s.exec(QStringLiteral("delete from varset where name=:n"), {{QStringLiteral("n"), name}});
}

// A desktop settings file of the test's own.
class TempDesktop {
public:
    TempDesktop() : settings(dir.filePath(QStringLiteral("desktop.ini"))) {}
    QString path() const { return dir.filePath(QStringLiteral("desktop.ini")); }
    QTemporaryDir dir;
    DesktopSettings settings;
};

// A stand-in tool window: records the command it was opened by and can refuse to close.
class StubWindow : public QWidget {
public:
    explicit StubWindow(const QString& command, QWidget* parent = nullptr) : QWidget(parent), command(command)
    {
        setWindowTitle(command);
    }
    QString command;
    bool refuseClose = false;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (refuseClose)
            e->ignore();
        else
            e->accept();
    }
};

inline WindowFactory stubFactory()
{
    return [](const WindowContext& ctx, QWidget* parent) -> QWidget* { return new StubWindow(ctx.command, parent); };
}

// A registry in which every command of the main window has a stand-in window.
inline std::unique_ptr<WindowRegistry> fullRegistry()
{
    auto r = std::make_unique<WindowRegistry>();
    for (const Command& c : registrarCommands())
        if (!c.window.isEmpty()) r->put(c.window, stubFactory());
    return r;
}

}  // namespace oa::shelltest
