#include "Screenshots.h"

#include "TForm1.h"
#include "UpgradeEngine.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>

namespace oa {

namespace {
void settle(TForm1& form)
{
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (form.busy()) QThread::msleep(20);
    } while (form.busy());
    QCoreApplication::processEvents();
}

bool save(TForm1& form, int page, const QDir& dir, const QString& name, QTextStream& out)
{
    form.PageControl1->setCurrentIndex(page);
    QCoreApplication::processEvents();
    const QString file = dir.filePath(name);
    const bool ok = form.grab().save(file);
    out << (ok ? "saved " : "cannot save ") << file << Qt::endl;
    return ok;
}
}  // namespace

int takeWizardScreenshots(const QString& folder, const QString& database, const QString& settingsPath, QTextStream& out)
{
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        out << "cannot create " << folder << Qt::endl;
        return 1;
    }
    QTemporaryDir tmp;
    QString address = database;
    if (address.isEmpty()) {
        address = QStringLiteral("sqlite:") + tmp.filePath(QStringLiteral("school.db"));
        auto s = Session::open(*ConnectionUrl::parse(address));
        UpgradeEngine::createBaseTables(*s);
    }

    ScriptedPrompter prompter;
    prompter.answer(true);   // the backup question
    TForm1 form(prompter, settingsPath);
    form.show();
    form.EditFolder->setText(tmp.path());
    bool ok = save(form, 0, dir, QStringLiteral("page1-connect.png"), out);

    form.EditServerIP->setText(address);
    form.ButtonConnect->click();
    ok = save(form, 1, dir, QStringLiteral("page2-backup.png"), out) && ok;
    form.ButtonBackup->click();
    settle(form);
    ok = save(form, 2, dir, QStringLiteral("page3-upgrade.png"), out) && ok;
    form.ButtonUpgrade->click();
    settle(form);
    ok = save(form, 2, dir, QStringLiteral("page3-upgrade-done.png"), out) && ok;
    ok = save(form, 3, dir, QStringLiteral("page4-webserver.png"), out) && ok;
    ok = save(form, 4, dir, QStringLiteral("page5-finished.png"), out) && ok;
    for (const Shown& s : prompter.shown())
        out << "shown: " << (s.caption.isEmpty() ? QString() : s.caption + QStringLiteral(": ")) << s.text << Qt::endl;
    return ok ? 0 : 1;
}

}  // namespace oa
