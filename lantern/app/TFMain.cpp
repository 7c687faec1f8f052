#include "lantern/app/TFMain.h"

#include "lantern/app/Dragger.h"
#include "lantern/app/Pictures.h"
#include "lantern/login/TFrmLogin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace oa::lantern {

namespace {

// Column 0 of the contact grid: white cell, the state picture at the left, the name centred.
class ContactDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override
    {
        const QAbstractItemModel* m = idx.model();
        if (m->rowCount() <= 1) {
            QStyledItemDelegate::paint(p, opt, idx);
            return;
        }
        p->save();
        const bool selected = opt.state & QStyle::State_Selected;
        p->fillRect(opt.rect, selected ? QColor(255, 232, 200) : QColor(Qt::white));
        const QString state = m->index(idx.row(), 1).data().toString();
        if (idx.column() == 0 && !state.isEmpty()) {
            const QPixmap pic = Pictures::statePicture(state.toInt());
            if (!pic.isNull()) p->drawPixmap(opt.rect.left() + 8, opt.rect.top() + 3, pic);
        }
        p->setPen(Qt::black);
        p->setFont(opt.font);
        p->drawText(opt.rect, Qt::AlignCenter | Qt::TextSingleLine, idx.data().toString());
        p->restore();
    }
};

QLabel* counter(const QString& caption, QHBoxLayout* row, QWidget* parent, QList<QLabel*>* clickable)
{
    auto* c = new QLabel(caption, parent);
    auto* v = new QLabel(parent);
    v->setMinimumWidth(18);
    v->setStyleSheet(QStringLiteral("color:#c0392b;font-weight:bold;"));
    c->setCursor(Qt::PointingHandCursor);
    v->setCursor(Qt::PointingHandCursor);
    row->addWidget(c);
    row->addWidget(v);
    *clickable << c << v;
    return v;
}
}  // namespace

TFMain::TFMain(LanternCore& core, TFrmLogin& login, ServerAddressSetup& servers, QWidget* parent)
    : QWidget(parent), core_(core), login_(login), servers_(servers)
{
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Lantern"));
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    // With a tray the window keeps off the taskbar; without one it must stay reachable there.
    setWindowFlags((tray ? Qt::Tool : Qt::Window) | Qt::FramelessWindowHint);
    setFixedWidth(278);
    setMinimumHeight(588);
    setMaximumHeight(592);
    resize(278, 590);
    setStyleSheet(QStringLiteral(
        "#FMain{background:#fdf6ec;border:1px solid #b5651d;}"
        "#CounterStrip{background:#f4e4cf;border-bottom:1px solid #e0c8a8;}"
        "#TitleArea{background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #d9482b,stop:1 #a82f1c);}"
        "#TitleArea QLabel#LabelName{color:white;font-size:16px;font-weight:bold;}"
        "#TitleArea QToolButton{color:white;border:none;font-size:14px;}"
        "#TitleArea QToolButton:hover{background:#e06650;}"
        "QTableWidget{background:white;border:1px solid #e0c8a8;font-size:16px;}"
        "QTreeWidget{background:#fffaf3;border:1px solid #e0c8a8;}"
        "QPushButton{background:#f4e4cf;border:1px solid #c9a57f;padding:4px 8px;border-radius:3px;}"
        "QPushButton:hover{background:#f9d9b0;}"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);

    // Counter strip (filled by the notification part; a click opens the web OA).
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("CounterStrip"));
    strip->setFixedHeight(29);
    auto* sl = new QHBoxLayout(strip);
    sl->setContentsMargins(8, 0, 8, 0);
    sl->setSpacing(2);
    QList<QLabel*> clickable;
    LabelNotice = counter(QStringLiteral("通知："), sl, strip, &clickable);
    LabelMail = counter(QStringLiteral("邮件："), sl, strip, &clickable);
    LabelSms = counter(QStringLiteral("短信："), sl, strip, &clickable);
    LabelWork = counter(QStringLiteral("事务："), sl, strip, &clickable);
    LabelWork->hide();
    for (QLabel* l : clickable) l->installEventFilter(this), l->setProperty("webOA", true);
    root->addWidget(strip);

    // Title: logo, name, minimise and close.
    auto* title = new QWidget(this);
    title->setObjectName(QStringLiteral("TitleArea"));
    title->setFixedHeight(62);
    auto* tl = new QHBoxLayout(title);
    tl->setContentsMargins(8, 4, 4, 4);
    ImageLogo = new QLabel(title);
    ImageLogo->setPixmap(Pictures::onlineLogo());
    ImageLogo->setCursor(Qt::PointingHandCursor);
    ImageLogo->installEventFilter(this);
    ImageOffline = new QLabel(title);
    ImageOffline->setPixmap(Pictures::offlinePicture());
    ImageOffline->setToolTip(QStringLiteral("与服务器的连接已断开，点击重新连接"));
    ImageOffline->setCursor(Qt::PointingHandCursor);
    ImageOffline->installEventFilter(this);
    ImageOffline->hide();
    LabelName = new QLabel(title);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    tl->addWidget(ImageLogo);
    tl->addWidget(ImageOffline);
    tl->addWidget(LabelName, 1);
    auto* winButtons = new QVBoxLayout;
    auto* wb = new QHBoxLayout;
    ImageMin = new QToolButton(title);
    ImageMin->setText(QStringLiteral("—"));
    ImageMin->setToolTip(QStringLiteral("最小化"));
    ImageClose = new QToolButton(title);
    ImageClose->setText(QStringLiteral("✕"));
    ImageClose->setToolTip(QStringLiteral("关闭"));
    wb->addWidget(ImageMin);
    wb->addWidget(ImageClose);
    winButtons->addLayout(wb);
    winButtons->addStretch();
    tl->addLayout(winButtons);
    root->addWidget(title);
    new Dragger(title, this);

    // Colleagues: search and groups on the left, the grid on the right.
    auto* area = new QWidget(this);
    area->setFixedHeight(343);
    auto* al = new QHBoxLayout(area);
    al->setContentsMargins(10, 10, 10, 10);
    al->setSpacing(4);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    EditSearch = new QLineEdit(area);
    EditSearch->setPlaceholderText(QStringLiteral("查找"));
    EditSearch->setFixedWidth(92);
    TreeGroup = new QTreeWidget(area);
    TreeGroup->setHeaderHidden(true);
    TreeGroup->setRootIsDecorated(false);
    TreeGroup->setFixedWidth(92);
    TreeGroup->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TreeGroup->setIndentation(0);
    TreeGroup->setContextMenuPolicy(Qt::CustomContextMenu);
    left->addWidget(EditSearch);
    left->addWidget(TreeGroup, 1);
    al->addLayout(left);
    GridContacts = new QTableWidget(0, 3, area);
    GridContacts->horizontalHeader()->hide();
    GridContacts->verticalHeader()->hide();
    GridContacts->horizontalHeader()->setDefaultSectionSize(172);
    GridContacts->verticalHeader()->setDefaultSectionSize(38);
    GridContacts->setColumnHidden(1, true);
    GridContacts->setColumnHidden(2, true);
    GridContacts->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridContacts->setSelectionMode(QAbstractItemView::SingleSelection);
    GridContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridContacts->setShowGrid(false);
    GridContacts->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    GridContacts->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridContacts->setItemDelegate(new ContactDelegate(GridContacts));
    QFont gf = GridContacts->font();
    gf.setPixelSize(16);
    GridContacts->setFont(gf);
    GridContacts->setContextMenuPolicy(Qt::CustomContextMenu);
    GridContacts->viewport()->installEventFilter(this);
    al->addWidget(GridContacts, 1);
    root->addWidget(area);

    // Reminders (the notification part fills them).
    auto* remind = new QWidget(this);
    auto* rl = new QVBoxLayout(remind);
    rl->setContentsMargins(10, 0, 10, 0);
    LabelAffairCaption = new QLabel(QStringLiteral("个人事务提醒:"), remind);
    LabelAffairCaption->hide();
    LabelAffair = new QLabel(remind);
    LabelLessons = new QLabel(remind);
    LabelLessons->setWordWrap(true);
    rl->addWidget(LabelAffairCaption);
    rl->addWidget(LabelAffair);
    rl->addWidget(LabelLessons, 1);
    root->addWidget(remind, 1);

    // Button row.
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 4, 6, 6);
    ButtonSystem = new QPushButton(QStringLiteral(" 系 统 "), this);
    ButtonShare = new QPushButton(QStringLiteral("共享主机"), this);
    ButtonShare->hide();
    ButtonWebOA = new QPushButton(QStringLiteral("进入OA"), this);
    buttons->addWidget(ButtonSystem);
    buttons->addWidget(ButtonShare);
    buttons->addStretch();
    buttons->addWidget(ButtonWebOA);
    root->addLayout(buttons);

    // Menus.
    MenuTray = new QMenu(this);
    QAction* files = MenuTray->addAction(QStringLiteral("文件管理"));
    MenuTray->addSeparator();
    QAction* settings = MenuTray->addAction(QStringLiteral("系统设置"));
    MenuTray->addSeparator();
    QAction* switchUser = MenuTray->addAction(QStringLiteral("切换用户"));
    MenuTray->addSeparator();
    QAction* quit = MenuTray->addAction(QStringLiteral("退出DIde"));
    connect(files, &QAction::triggered, this, [this] { if (onFileManager) onFileManager(); });
    connect(settings, &QAction::triggered, this, [this] { if (onSettings) onSettings(); });
    connect(switchUser, &QAction::triggered, this, &TFMain::SwitchUserClick);
    connect(quit, &QAction::triggered, this, [this] { closeLantern(); });
    MenuGrid = new QMenu(this);
    connect(MenuGrid->addAction(QStringLiteral("发送即时信息")), &QAction::triggered, this, [this] { openCurrentChat(); });
    connect(MenuGrid->addAction(QStringLiteral("刷新")), &QAction::triggered, this, &TFMain::GridContextRefresh);
    MenuTree = new QMenu(this);
    connect(MenuTree->addAction(QStringLiteral("刷新")), &QAction::triggered, &core_, &LanternCore::loadGroups);

    if (tray) {
        tray_ = new QSystemTrayIcon(Pictures::trayIcon(0), this);
        tray_->setToolTip(QStringLiteral("学校OA小助手"));
        tray_->setContextMenu(MenuTray);
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) core_.trayClicked(isActiveWindow() && isVisible());
        });
        tray_->show();
    }
    trayCycle_.setInterval(300);
    connect(&trayCycle_, &QTimer::timeout, this, [this] {
        trayFrame_ = (trayFrame_ + 1) % 4;
        if (tray_) tray_->setIcon(Pictures::trayIcon(trayFrame_));
    });

    connect(EditSearch, &QLineEdit::returnPressed, this, &TFMain::EditSearchReturn);
    connect(GridContacts, &QTableWidget::cellDoubleClicked, this, [this] { GridDblClick(); });
    connect(GridContacts, &QWidget::customContextMenuRequested, this, &TFMain::GridContextMenu);
    connect(TreeGroup, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it) { TreeGroupClick(it); });
    connect(TreeGroup, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { MenuTree->popup(TreeGroup->viewport()->mapToGlobal(p)); });
    connect(ImageClose, &QToolButton::clicked, this, &TFMain::ImageCloseClick);
    connect(ImageMin, &QToolButton::clicked, this, &TFMain::ImageMinClick);
    connect(ButtonWebOA, &QPushButton::clicked, this, &TFMain::ButtonWebOAClick);
    connect(ButtonShare, &QPushButton::clicked, this, &TFMain::ButtonShareClick);
    connect(ButtonSystem, &QPushButton::clicked, this,
            [this] { MenuTray->popup(mapToGlobal(QPoint(5, height()))); });

    connect(&core_, &LanternCore::contactsShown, this, &TFMain::showContacts);
    connect(&core_, &LanternCore::contactsCleared, this, &TFMain::clearContacts);
    connect(&core_, &LanternCore::groupsShown, this, &TFMain::showGroups);
    connect(&core_, &LanternCore::offline, this, &TFMain::showOffline);
    connect(&core_, &LanternCore::onlineShown, this, &TFMain::showOnline);
    connect(&core_, &LanternCore::reconnected, this, [this] { if (tray_) tray_->setIcon(Pictures::reconnectedTrayIcon()); });
    connect(&core_, &LanternCore::titleChanged, LabelName, &QLabel::setText);
    connect(&core_, &LanternCore::sharedHostAvailable, ButtonShare, &QWidget::setVisible);
    connect(&core_, &LanternCore::showMainWindow, this, [this] { bringForward(); });
    connect(&core_, &LanternCore::minimiseToTray, this, [this] { ImageMinClick(); });
    connect(&core_, &LanternCore::trayIconReset, this, [this] {
        setTrayCycling(false);
        if (tray_) tray_->setIcon(Pictures::trayIcon(0));
    });

    // The login sound: the system's until the settings part brings its own.
    connect(&core_, &LanternCore::playLoginSound, this, [] { QApplication::beep(); });

    core_.loginWindow = [this](bool switching) { return runLogin(switching); };
    core_.serverDialog = [this] { return runServerDialog(); };
    login_.onServerLabel = [this] { runServerDialog(); };
}

TFMain::~TFMain() = default;

LanternCore::LoginWindow TFMain::runLogin(bool switching)
{
    login_.setService(core_.login());
    login_.setServerLabel(core_.link().dataSource());
    if (switching) login_.clearPassword();
    const int r = login_.exec();
    if (r == TFrmLogin::LoggedIn) return LanternCore::LoginWindow::LoggedIn;
    if (r == TFrmLogin::EndProgram) return LanternCore::LoginWindow::EndProgram;
    return LanternCore::LoginWindow::Closed;
}

bool TFMain::runServerDialog()
{
    TFormSetServerIP dlg(servers_, login_.isVisible() ? static_cast<QWidget*>(&login_) : this);
    dlg.onConnected = [this](std::unique_ptr<Session> s, const QString& address) {
        core_.serverChanged(std::move(s));
        login_.setService(core_.login());
        login_.setServerLabel(address);
    };
    dlg.exec();
    if (!dlg.pressed()) {
        core_.closing();
        if (core_.endProgram) core_.endProgram();
        return false;
    }
    return true;
}

void TFMain::placeBottomRight()
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect g = s->geometry();
    move(g.left() + g.width() - width() - 30, g.top() + g.height() - height() - 60);
}

void TFMain::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    placeBottomRight();
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, [this] { core_.firstShow(); });
    }
}

void TFMain::bringForward()
{
    setWindowOpacity(1.0);
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void TFMain::fadeOut(const std::function<void()>& then)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        then();
        return;
    }
    auto* anim = new QPropertyAnimation(this, "windowOpacity", this);
    anim->setDuration(1000);
    anim->setStartValue(windowOpacity());
    anim->setEndValue(0.0);
    connect(anim, &QPropertyAnimation::finished, this, [this, then] {
        then();
        setWindowOpacity(1.0);
    });
    anim->start(QAbstractAnimation::DeleteWhenStopped);
}

void TFMain::ImageMinClick()
{
    fadeOut([this] {
        if (tray_) hide();
        else showMinimized();
    });
}

void TFMain::ImageCloseClick()
{
    if (core_.chats().context().prompter
        && core_.chats().context().prompter->question(QStringLiteral("Lantern"), QStringLiteral("你确定关闭Lantern吗？")))
        closeLantern();
}

void TFMain::closeLantern(bool fade)
{
    if (closing_) return;
    closing_ = true;
    core_.closing();
    auto finish = [this] {
        hide();
        if (tray_) tray_->hide();
        core_.chats().clear();
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    };
    if (fade) fadeOut(finish);
    else finish();
}

void TFMain::closeEvent(QCloseEvent* e)
{
    if (!closing_) {
        e->ignore();
        closeLantern();
        return;
    }
    QWidget::closeEvent(e);
}

void TFMain::setTrayCycling(bool on)
{
    if (on) trayCycle_.start();
    else trayCycle_.stop();
}

void TFMain::showContacts(const QList<Contact>& list, const QString& summary)
{
    GridContacts->setRowCount(list.size() + 1);
    for (int i = 0; i < list.size(); ++i) {
        GridContacts->setItem(i, 0, new QTableWidgetItem(list[i].tname));
        GridContacts->setItem(i, 1, new QTableWidgetItem(QString::number(list[i].state)));
        GridContacts->setItem(i, 2, new QTableWidgetItem());
    }
    GridContacts->setItem(list.size(), 0, new QTableWidgetItem(summary));
    GridContacts->setItem(list.size(), 1, new QTableWidgetItem());
    GridContacts->setItem(list.size(), 2, new QTableWidgetItem());
}

void TFMain::clearContacts() { GridContacts->setRowCount(0); }

void TFMain::showGroups(const QList<ContactGroup>& groups)
{
    TreeGroup->clear();
    if (groups.isEmpty()) return;
    new QTreeWidgetItem(TreeGroup, QStringList{QStringLiteral("全部")});
    for (const ContactGroup& g : groups) {
        auto* it = new QTreeWidgetItem(TreeGroup, QStringList{g.name});
        it->setIcon(0, Pictures::groupIcon());
    }
}

void TFMain::showOffline(bool wholeWindow)
{
    if (tray_) tray_->setIcon(Pictures::offlineTrayIcon());
    if (!wholeWindow) return;
    ImageLogo->hide();
    ImageOffline->show();
}

void TFMain::showOnline()
{
    ImageOffline->hide();
    ImageLogo->show();
}

void TFMain::EditSearchReturn() { core_.searchContacts(EditSearch->text()); }

TFormChat* TFMain::openCurrentChat()
{
    const int row = GridContacts->currentRow();
    if (row < 0) return nullptr;
    const QTableWidgetItem* state = GridContacts->item(row, 1);
    const QTableWidgetItem* name = GridContacts->item(row, 0);
    if (!state || state->text().isEmpty() || !name) return nullptr;   // the summary row
    return core_.openChat(name->text());
}

void TFMain::GridDblClick() { openCurrentChat(); }

void TFMain::GridContextMenu(const QPoint& pos)
{
    // The row under the mouse is selected first, as a left click would.
    const int row = GridContacts->rowAt(pos.y());
    if (row >= 0) GridContacts->selectRow(row);
    MenuGrid->popup(GridContacts->viewport()->mapToGlobal(pos));
}

void TFMain::TreeGroupClick(QTreeWidgetItem* item)
{
    if (item) core_.selectGroup(item->text(0));
}

bool TFMain::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        if (o->property("webOA").toBool()) ButtonWebOAClick();
        else if (o == ImageLogo && onSettings) onSettings();
        else if (o == ImageOffline) core_.trayClicked(false);   // without a tray this is the way back
    }
    return QWidget::eventFilter(o, e);
}

}  // namespace oa::lantern
