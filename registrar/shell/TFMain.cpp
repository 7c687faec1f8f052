#include "registrar/shell/TFMain.h"

#include "common/config/DesktopSettings.h"
#include "common/db/ConnectionSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "common/ui/TFormSetServerIP.h"
#include "registrar/shell/BackupReminder.h"
#include "registrar/shell/ListHelpers.h"
#include "registrar/shell/TFHelp.h"
#include "registrar/shell/TFrmLogin.h"

#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cstdio>

namespace oa {

namespace {
const char* kCloseCaption = "关闭";
const char* kSystemMenu = "系统设置";

QString displayAddress(const QString& address)
{
    // The data source as shown and recorded: a URL loses any password it carries.
    const auto url = ConnectionUrl::parse(address);
    return url ? url->display() : address.trimmed();
}
}  // namespace

TFMain::TFMain(Prompter& p, const Machine& machine, const Clock& clock, DesktopSettings& desktop,
               const WindowRegistry& windows, QWidget* parent)
    : QMainWindow(parent), p_(p), machine_(machine), clock_(clock), desktop_(desktop), windows_(windows)
{
    setObjectName(QStringLiteral("TFMain"));
    setWindowTitle(QStringLiteral("学校ＯＡ系统数据录入"));

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* buttonBar = new QWidget(central);
    buttonBar->setObjectName(QStringLiteral("PanelButtons"));
    auto* bh = new QHBoxLayout(buttonBar);
    bh->setContentsMargins(8, 6, 8, 6);
    bh->setSpacing(8);
    buttonBar->setLayout(bh);
    v->addWidget(buttonBar);

    PanelBackup = new QWidget(central);
    PanelBackup->setObjectName(QStringLiteral("PanelBackup"));
    auto* rh = new QHBoxLayout(PanelBackup);
    rh->setContentsMargins(12, 4, 12, 4);
    LabelBackup = new QLabel(QStringLiteral("已经超过30天没有备份数据库！请备份数据"), PanelBackup);
    LabelBackup->setObjectName(QStringLiteral("LabelBackup"));
    LabelBackup->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    ButtonBackup = new QPushButton(QStringLiteral("一键备份数据库"), PanelBackup);
    ButtonBackup->setObjectName(QStringLiteral("ButtonBackup"));
    LabelIgnore = new QLabel(QStringLiteral("<a href=\"#\">忽略</a>"), PanelBackup);
    LabelIgnore->setObjectName(QStringLiteral("LabelIgnore"));
    rh->addWidget(LabelBackup);
    rh->addWidget(ButtonBackup);
    rh->addWidget(LabelIgnore);
    rh->addStretch();
    PanelBackup->hide();
    v->addWidget(PanelBackup);
    connect(ButtonBackup, &QPushButton::clicked, this, &TFMain::ButtonBackupClick);
    connect(LabelIgnore, &QLabel::linkActivated, this, &TFMain::LabelIgnoreClick);

    MDIArea = new QMdiArea(central);
    MDIArea->setObjectName(QStringLiteral("MDIArea"));
    v->addWidget(MDIArea, 1);
    setCentralWidget(central);

    // The window colour; child windows that follow it read windowColour().
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour());
    setPalette(pal);
    setAutoFillBackground(true);
    MDIArea->setBackground(windowColour());

    const QStringList panelTexts = {QString(), QString(), QString(), QStringLiteral("学校OA系统   数据录入工具"),
                                    QStringLiteral("版本：Version 5.16")};
    const int widths[5] = {200, 120, 200, 200, 200};
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new QLabel(panelTexts[i], this);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setAlignment(Qt::AlignCenter);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(StatusPanels[i]);
    }

    // The sample-sheet window lives for the whole run; the import windows and the server dialog open it.
    help_ = new TFHelp(this);

    buildCommands();
    // Buttons go in the order of the table, on the bar above the MDI area.
    for (const Command& c : registrarCommands())
        if (c.kind == Command::Button) bh->addWidget(buttons_.value(c.caption));
    bh->addStretch();
    refreshCommands();
}

TFMain::~TFMain()
{
    // Children go before the session they use.
    for (QMdiSubWindow* w : MDIArea->subWindowList()) delete w;
    for (auto& m : modals_) delete m.data();
}

void TFMain::buildCommands()
{
    QHash<QString, QMenu*> menus;
    for (const Command& c : registrarCommands()) {
        switch (c.kind) {
        case Command::MenuItem: {
            QMenu* m = menus.value(c.menu);
            if (!m) {
                m = menuBar()->addMenu(c.menu);
                menus.insert(c.menu, m);
                topActions_.insert(c.menu, m->menuAction());
            }
            QAction* a = m->addAction(c.caption);
            a->setObjectName(c.window);
            a->setVisible(!c.hidden);
            itemActions_.insert(c.caption, a);
            const QString caption = c.caption;
            connect(a, &QAction::triggered, this, [this, caption] { runCommand(caption); });
            break;
        }
        case Command::TopLevel: {
            QAction* a = menuBar()->addAction(c.caption);
            a->setObjectName(c.window);
            topActions_.insert(c.caption, a);
            const QString caption = c.caption;
            connect(a, &QAction::triggered, this, [this, caption] { runCommand(caption); });
            break;
        }
        case Command::Button: {
            auto* b = new QPushButton(c.caption, this);
            b->setObjectName(c.window.isEmpty() ? QStringLiteral("ButtonClose") : c.window);
            b->setMinimumSize(120, 40);
            QFont f = b->font();
            f.setPointSize(f.pointSize() + 3);
            b->setFont(f);
            buttons_.insert(c.caption, b);
            const QString caption = c.caption;
            connect(b, &QPushButton::clicked, this, [this, caption] { runCommand(caption); });
            break;
        }
        }
    }
}

const Command* TFMain::command(const QString& caption) const
{
    for (const Command& c : registrarCommands())
        if (c.caption == caption) return &c;
    return nullptr;
}

bool TFMain::windowAvailable(const Command& c) const
{
    if (c.window.isEmpty()) return c.caption == QString::fromUtf8(kCloseCaption);
    return windows_.contains(c.window, c.caption);
}

void TFMain::enableCommands(const QStringList& captions)
{
    for (const QString& c : captions) granted_.insert(c);
    refreshCommands();
}

void TFMain::refreshCommands()
{
    // Every top-level menu and gated command starts disabled; the login grants them. A command whose window
    // has not been built stays visible and disabled.
    for (const QString& menu : registrarMenus())
        if (QAction* a = topActions_.value(menu)) a->setEnabled(granted_.contains(menu));
    for (const Command& c : registrarCommands()) {
        switch (c.kind) {
        case Command::MenuItem: itemActions_.value(c.caption)->setEnabled(windowAvailable(c)); break;
        case Command::TopLevel:
            topActions_.value(c.caption)->setEnabled(granted_.contains(c.caption) && windowAvailable(c));
            break;
        case Command::Button:
            buttons_.value(c.caption)->setEnabled((!c.gated || granted_.contains(c.caption)) && windowAvailable(c));
            break;
        }
    }
    ButtonBackup->setEnabled(windows_.contains(QString::fromLatin1(win::Backup), QStringLiteral("一键备份数据库")));
}

bool TFMain::commandEnabled(const QString& caption) const
{
    const Command* c = command(caption);
    if (!c) {
        const QAction* menu = topActions_.value(caption);
        return menu && menu->isEnabled();
    }
    switch (c->kind) {
    case Command::MenuItem: {
        const QAction* menu = topActions_.value(c->menu);
        return menu && menu->isEnabled() && itemActions_.value(caption)->isEnabled();
    }
    case Command::TopLevel: return topActions_.value(caption)->isEnabled();
    case Command::Button: return buttons_.value(caption)->isEnabled();
    }
    return false;
}

bool TFMain::commandVisible(const QString& caption) const
{
    const Command* c = command(caption);
    if (!c) return topActions_.contains(caption) && topActions_.value(caption)->isVisible();
    switch (c->kind) {
    case Command::MenuItem: return itemActions_.value(caption)->isVisible();
    case Command::TopLevel: return topActions_.value(caption)->isVisible();
    case Command::Button: return !buttons_.value(caption)->isHidden();
    }
    return false;
}

void TFMain::runCommand(const QString& caption)
{
    const Command* c = command(caption);
    if (!c || !commandEnabled(caption)) return;
    if (c->window.isEmpty()) {
        close();
        return;
    }
    openWindow(c->window, c->caption);
}

QWidget* TFMain::openWindow(const QString& id, const QString& commandCaption)
{
    const WindowRegistry::Entry* entry = windows_.find(id, commandCaption);
    if (!entry || !session_) return nullptr;
    const WindowContext ctx{*session_, p_, clock_, machine_, desktop_, *this, commandCaption};
    try {
        if (entry->mode == WindowMode::Modal) {
            QPointer<QWidget>& w = modals_[id];
            if (!w) {
                w = entry->factory(ctx, this);
                if (!w) return nullptr;
                w->setWindowFlag(Qt::Window, true);
            }
            if (auto* d = qobject_cast<QDialog*>(w.data())) {
                d->exec();
            } else {
                w->setWindowModality(Qt::ApplicationModal);
                w->show();
                w->raise();
            }
            return w;
        }
        QWidget* w = entry->factory(ctx, nullptr);
        if (!w) return nullptr;
        w->setAttribute(Qt::WA_DeleteOnClose);
        const bool maximised = w->windowState() & Qt::WindowMaximized;
        QMdiSubWindow* sub = MDIArea->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        if (maximised)
            sub->showMaximized();
        else
            sub->show();
        MDIArea->setActiveSubWindow(sub);
        newest_ = w;
        return w;
    } catch (const DbError& e) {
        p_.error(e.message());
    } catch (const std::exception& e) {
        p_.error(QString::fromLocal8Bit(e.what()));
    }
    return nullptr;
}

QList<QWidget*> TFMain::childWindows() const
{
    QList<QWidget*> out;
    for (QMdiSubWindow* s : MDIArea->subWindowList())
        if (s->widget()) out << s->widget();
    return out;
}

TFHelp* TFMain::help()
{
    if (!help_) help_ = new TFHelp(this);
    return help_;
}

QString TFMain::LocalComputerName() const { return machine_.localComputerName(); }

void TFMain::FillVarList(const QString& key, QComboBox* list) { oa::FillVarList(*session_, key, list); }
void TFMain::FillOpenVarList(const QString& key, QComboBox* list) { oa::FillOpenVarList(*session_, key, list); }
void TFMain::SelectVarCurrent(const QString& key, QComboBox* list) { oa::SelectVarCurrent(*session_, key, list); }
bool TFMain::ListHasText(const QString& text, const QComboBox* list) { return oa::ListHasText(text, list); }

// ---------------------------------------------------------------------------------------------- start-up

bool TFMain::FormShow(const ConnectOptions& options)
{
    if (!connectDatabase(options)) return false;
    if (!login()) return false;
    afterLogin();
    return true;
}

bool TFMain::showServerDialog()
{
    ServerAddressSetup setup(p_, ServerDialogProgram::Registrar, options_.settingsPath);
    TFormSetServerIP dlg(setup, this);
    dlg.onHelp = [this] { help()->showPage(QString::fromUtf8(kHelpConnectionPage)); };
    return dlg.exec() == QDialog::Accepted;
}

bool TFMain::connectDatabase(const ConnectOptions& options)
{
    options_ = options;
    const ConnectionSettings settings(ConnectionSettings::effectivePath(options.settingsPath));
    const QString address = options.database.isEmpty() ? settings.serverAddress() : options.database.trimmed();
    if (address.isEmpty()) {
        showServerDialog();
        return false;
    }
    QString key = settings.encipheredKey();
    if (key.isEmpty()) key = QString::fromLatin1(kDefaultEncipheredKey);
    QString why;
    std::unique_ptr<Session> s;
    try {
        s = ServerAddressSetup::openServer(address, Dec(key), &why);
    } catch (const DecError& e) {
        why = QString::fromStdString(e.what());
    }
    if (!s) {
        // The dialog says what to do; the reason is for whoever reads the console.
        std::fprintf(stderr, "%s\n", qPrintable(QStringLiteral("不能连接到数据库 %1：%2").arg(displayAddress(address), why)));
        showServerDialog();
        return false;
    }
    setSession(std::move(s), address);
    return true;
}

void TFMain::setSession(std::unique_ptr<Session> s, const QString& serverAddress)
{
    session_ = std::move(s);
    serverAddress_ = displayAddress(serverAddress);
}

bool TFMain::login()
{
    LoginService svc(session_.get(), p_, machine_, desktop_, serverAddress_);
    TFrmLogin dlg(this);
    dlg.setService(&svc);
    dlg.setServerText(serverAddress_);
    dlg.onMember = [this](const LoginService::Result& r) { applyLogin(r); };
    dlg.onServerLabel = [this] { return showServerDialog(); };
    return dlg.exec() == QDialog::Accepted;
}

void TFMain::applyLogin(const LoginService::Result& r)
{
    tname_ = r.member.tname;
    powdergroup_ = r.member.powdergroup;
    StatusPanels[1]->setText(powdergroup_ + QStringLiteral("：") + tname_);
    enableCommands(r.enabledCommands);
}

void TFMain::afterLogin()
{
    StatusPanels[2]->setText(QStringLiteral("服务器IP：") + serverAddress_);
    if (!session_) return;
    const StartupInfo info = readStartupInfo(*session_, granted_.contains(QString::fromUtf8(kSystemMenu)));
    if (info.schoolNameRead) StatusPanels[0]->setText(info.schoolName);
    PanelBackup->setVisible(info.showReminder);
}

void TFMain::ButtonBackupClick()
{
    openWindow(QString::fromLatin1(win::Backup), QStringLiteral("一键备份数据库"));
    PanelBackup->hide();
}

void TFMain::LabelIgnoreClick() { PanelBackup->hide(); }

// ---------------------------------------------------------------------------------------------- closing

void TFMain::closeEvent(QCloseEvent* e)
{
    // Each close request closes one child window; the program ends when none is left.
    const QList<QMdiSubWindow*> subs = MDIArea->subWindowList();
    if (!subs.isEmpty()) {
        QPointer<QMdiSubWindow> sub = MDIArea->currentSubWindow() ? MDIArea->currentSubWindow() : subs.last();
        // The child may refuse (an import still running); then nothing closes.
        if (sub->close() && sub) delete sub.data();
        e->ignore();
        return;
    }
    if (help_) help_->close();
    e->accept();
}

}  // namespace oa
