#include "TForm1.h"

#include "BackupService.h"
#include "ProgressLine.h"
#include "UiThreadPrompter.h"
#include "WebServerControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

namespace oa {

namespace {
QLabel* label(const QString& text, QWidget* parent, const char* name = nullptr)
{
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}

QPushButton* button(const QString& text, QWidget* parent, const char* name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumWidth(90);
    return b;
}

// A page: its contents on top, its buttons at the bottom right.
QVBoxLayout* pageLayout(QWidget* page)
{
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(24, 20, 24, 16);
    v->setSpacing(12);
    return v;
}

QHBoxLayout* bottomRow(QVBoxLayout* v, std::initializer_list<QWidget*> buttons)
{
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    for (QWidget* b : buttons) h->addWidget(b);
    v->addLayout(h);
    return h;
}
}  // namespace

TForm1::TForm1(Prompter& prompter, QString settingsPath, QWidget* parent)
    : QWidget(parent), prompter_(prompter), settingsPath_(std::move(settingsPath)), service_(prompter)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kWizardCaption) + QString::fromLatin1(kReleaseNumber));
    resize(620, 420);

    auto* outer = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    outer->addWidget(PageControl1);

    // 1、连接数据库
    auto* TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    {
        auto* v = pageLayout(TabSheet1);
        auto* g = new QGridLayout;
        g->setHorizontalSpacing(10);
        g->setVerticalSpacing(10);
        EditServerIP = new QLineEdit(QStringLiteral("127.0.0.1"), TabSheet1);
        EditServerIP->setObjectName(QStringLiteral("EditServerIP"));
        EditServerIP->setToolTip(QStringLiteral("SQL Server 地址；或 postgresql://主机[:端口]；或 sqlite:文件路径"));
        EditUser = new QLineEdit(QStringLiteral("zembra"), TabSheet1);
        EditUser->setObjectName(QStringLiteral("EditUser"));
        EditPassword = new QLineEdit(QStringLiteral("50715071"), TabSheet1);
        EditPassword->setObjectName(QStringLiteral("EditPassword"));
        EditPassword->setEchoMode(QLineEdit::Password);
        g->addWidget(label(QStringLiteral("数据服务器IP:"), TabSheet1), 0, 0);
        g->addWidget(EditServerIP, 0, 1);
        g->addWidget(label(QStringLiteral("Sql Server用户:"), TabSheet1), 1, 0);
        g->addWidget(EditUser, 1, 1);
        g->addWidget(label(QStringLiteral("密码:"), TabSheet1), 2, 0);
        g->addWidget(EditPassword, 2, 1);
        g->setColumnStretch(1, 1);
        v->addLayout(g);
        auto* note = label(QStringLiteral("提示：必须使用最新下载安装包上的升级向导来升级。"), TabSheet1, "LabelNote");
        note->setStyleSheet(QStringLiteral("color: #b00000;"));
        v->addWidget(note);
        v->addStretch(1);
        ButtonConnect = button(QStringLiteral("下一步"), TabSheet1, "ButtonConnect");
        bottomRow(v, {ButtonConnect});
    }
    PageControl1->addTab(TabSheet1, QStringLiteral("1、连接数据库"));

    // 2、备份数据库
    auto* TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    {
        auto* v = pageLayout(TabSheet2);
        v->addWidget(label(QStringLiteral("请点击【下一步】备份数据库，备份时间跟数据库大小有关，请耐心等候！"), TabSheet2));
        auto* h = new QHBoxLayout;
        h->addWidget(label(QStringLiteral("保存到："), TabSheet2));
        ComboBoxDrive = new QComboBox(TabSheet2);
        ComboBoxDrive->setObjectName(QStringLiteral("ComboBoxDrive"));
        ComboBoxDrive->addItems(backupDrives());
        ComboBoxDrive->setCurrentText(QString::fromLatin1(kDefaultBackupDrive));
        h->addWidget(ComboBoxDrive);
        EditFolder = new QLineEdit(QDir::toNativeSeparators(QDir::homePath()), TabSheet2);
        EditFolder->setObjectName(QStringLiteral("EditFolder"));
        h->addWidget(EditFolder, 1);
        ButtonFolder = button(QStringLiteral("浏览…"), TabSheet2, "ButtonFolder");
        h->addWidget(ButtonFolder);
        h->addStretch(0);
        v->addLayout(h);
        v->addWidget(label(QStringLiteral("提示：使用网站功能的学校请要自行备份学校网站文件夹!"), TabSheet2));
        ProgressBackup = new QProgressBar(TabSheet2);
        ProgressBackup->setObjectName(QStringLiteral("ProgressBackup"));
        ProgressBackup->setRange(0, 0);   // no measure of a backup's progress: a busy bar while it runs
        ProgressBackup->setTextVisible(false);
        ProgressBackup->hide();
        v->addWidget(ProgressBackup);
        v->addStretch(1);
        ButtonBackup = button(QStringLiteral("下一步"), TabSheet2, "ButtonBackup");
        bottomRow(v, {ButtonBackup});
    }
    PageControl1->addTab(TabSheet2, QStringLiteral("2、备份数据库"));

    // 3、数据库升级
    auto* TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    {
        auto* v = pageLayout(TabSheet3);
        v->addWidget(label(QStringLiteral("请点击【下一步】升级份数据库"), TabSheet3));
        auto* h = new QHBoxLayout;
        CheckBoxV3 = new QCheckBox(QStringLiteral("升级数据库V3"), TabSheet3);
        CheckBoxV3->setObjectName(QStringLiteral("CheckBoxV3"));
        CheckBoxV3->setChecked(true);
        CheckBoxV5 = new QCheckBox(QStringLiteral("升级数据库V"), TabSheet3);
        CheckBoxV5->setObjectName(QStringLiteral("CheckBoxV5"));
        CheckBoxV5->setChecked(true);
        LabelVersion = label(QString::fromLatin1(kReleaseNumber), TabSheet3, "LabelVersion");
        LabelVersion->setWordWrap(false);
        EditModule = new QLineEdit(QString::fromUtf8(kNormalUpgrade), TabSheet3);
        EditModule->setObjectName(QStringLiteral("EditModule"));
        EditModule->setMaximumWidth(140);
        h->addWidget(CheckBoxV3);
        h->addSpacing(16);
        // The release number reads on as part of the box's caption: "升级数据库V5.16".
        auto* v5 = new QHBoxLayout;
        v5->setSpacing(0);
        v5->addWidget(CheckBoxV5);
        v5->addWidget(LabelVersion);
        h->addLayout(v5);
        h->addSpacing(16);
        h->addWidget(EditModule);
        h->addStretch(1);
        v->addLayout(h);
        ListProgress = new QListWidget(TabSheet3);
        ListProgress->setObjectName(QStringLiteral("ListProgress"));
        ListProgress->setUniformItemSizes(true);
        v->addWidget(ListProgress, 1);
        ProgressUpgrade = new QProgressBar(TabSheet3);
        ProgressUpgrade->setObjectName(QStringLiteral("ProgressUpgrade"));
        ProgressUpgrade->setRange(0, 1);
        ProgressUpgrade->setValue(0);
        v->addWidget(ProgressUpgrade);
        ButtonUpgrade = button(QStringLiteral("下一步"), TabSheet3, "ButtonUpgrade");
        bottomRow(v, {ButtonUpgrade});
    }
    PageControl1->addTab(TabSheet3, QStringLiteral("3、数据库升级"));

    // 4、覆盖文件夹
    auto* TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    {
        auto* v = pageLayout(TabSheet4);
        auto* g = new QGridLayout;
        g->setVerticalSpacing(18);
        ButtonStop = button(QStringLiteral("停止"), TabSheet4, "ButtonStop");
        ButtonStart = button(QStringLiteral("启动"), TabSheet4, "ButtonStart");
        auto* folders = new QHBoxLayout;
        for (int i = 0; i < 2; ++i) {
            auto* icon = new QLabel(TabSheet4);
            icon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(32, 32));
            folders->addWidget(icon);
        }
        folders->addStretch(1);
        g->addWidget(label(QStringLiteral("1、请点击右边【停止】，停止IIS服务"), TabSheet4), 0, 0);
        g->addWidget(ButtonStop, 0, 1, Qt::AlignLeft);
        g->addWidget(label(QStringLiteral("2、下载安装包，覆盖右边2个文件夹"), TabSheet4), 1, 0);
        g->addLayout(folders, 1, 1);
        g->addWidget(label(QStringLiteral("3、请点击右边【启动】，启动IIS服务"), TabSheet4), 2, 0);
        g->addWidget(ButtonStart, 2, 1, Qt::AlignLeft);
        g->setColumnStretch(0, 1);
        v->addLayout(g);
        v->addStretch(1);
        ButtonNext4 = button(QStringLiteral("下一步"), TabSheet4, "ButtonNext4");
        bottomRow(v, {ButtonNext4});
    }
    PageControl1->addTab(TabSheet4, QStringLiteral("4、覆盖文件夹"));

    // 5、升级完成
    auto* TabSheet5 = new QWidget;
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    {
        auto* v = pageLayout(TabSheet5);
        auto* done = label(QStringLiteral("您已经顺利升级到了新版本。谢谢使用!"), TabSheet5, "LabelDone");
        done->setWordWrap(false);
        QFont f = done->font();
        f.setPointSizeF(f.pointSizeF() * 1.3);
        done->setFont(f);
        v->addStretch(1);
        v->addWidget(done, 0, Qt::AlignCenter);
        v->addStretch(1);
        ButtonClose = button(QStringLiteral("关  闭"), TabSheet5, "ButtonClose");
        bottomRow(v, {ButtonClose});
    }
    PageControl1->addTab(TabSheet5, QStringLiteral("5、升级完成"));

    connect(ButtonConnect, &QPushButton::clicked, this, &TForm1::ButtonConnectClick);
    connect(ButtonFolder, &QPushButton::clicked, this, &TForm1::ButtonFolderClick);
    connect(ButtonBackup, &QPushButton::clicked, this, &TForm1::ButtonBackupClick);
    connect(ButtonUpgrade, &QPushButton::clicked, this, &TForm1::ButtonUpgradeClick);
    connect(ButtonStop, &QPushButton::clicked, this, &TForm1::ButtonStopClick);
    connect(ButtonStart, &QPushButton::clicked, this, &TForm1::ButtonStartClick);
    connect(ButtonNext4, &QPushButton::clicked, this, &TForm1::ButtonNext4Click);
    connect(ButtonClose, &QPushButton::clicked, this, &TForm1::ButtonCloseClick);

    PageControl1->setCurrentIndex(0);
    updateBackupTarget();
    updateControls();
}

TForm1::~TForm1()
{
    // Work still running may be waiting on a question to this window: keep answering until it ends.
    while (worker_ && !worker_->wait(20)) QCoreApplication::processEvents();
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

bool TForm1::usesDriveList() const
{
#ifdef Q_OS_WIN
    return true;
#else
    // SQL Server writes the backup on its own disk, where only the drives make sense.
    return connected_ && service_.url().engine == Engine::SqlServer;
#endif
}

void TForm1::updateBackupTarget()
{
    const bool drives = usesDriveList();
    ComboBoxDrive->setVisible(drives);
    EditFolder->setVisible(!drives);
    ButtonFolder->setVisible(!drives);
}

QString TForm1::backupDestination() const
{
    return usesDriveList() ? ComboBoxDrive->currentText() : EditFolder->text().trimmed();
}

void TForm1::updateControls()
{
    const bool idle = !busy();
    ButtonConnect->setEnabled(idle);
    EditServerIP->setEnabled(idle);
    EditUser->setEnabled(idle);
    EditPassword->setEnabled(idle);
    ButtonBackup->setEnabled(idle && connected_);
    ButtonUpgrade->setEnabled(idle && connected_);
    ComboBoxDrive->setEnabled(idle);
    EditFolder->setEnabled(idle);
    ButtonFolder->setEnabled(idle);
    CheckBoxV3->setEnabled(idle && !(connected_ && service_.v3Done()));
    CheckBoxV5->setEnabled(idle);
    EditModule->setEnabled(idle);
}

void TForm1::ButtonConnectClick()
{
    connected_ = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = service_.open(EditServerIP->text(), EditUser->text(), EditPassword->text());
    if (opened) {
        PageControl1->setCurrentIndex(1);
        CheckBoxV3->setChecked(true);
        CheckBoxV5->setChecked(true);
    }
    QApplication::restoreOverrideCursor();
    if (!opened || !service_.readVersions()) {
        PageControl1->setCurrentIndex(0);
        updateBackupTarget();
        updateControls();
        return;
    }
    if (service_.v3Done()) {
        CheckBoxV3->setChecked(false);
        CheckBoxV5->setChecked(true);
    }
    connected_ = true;
    updateBackupTarget();
    updateControls();
}

void TForm1::ButtonFolderClick()
{
    const QString folder = prompter_.folder(QStringLiteral("保存到："));
    if (!folder.isEmpty()) EditFolder->setText(QDir::toNativeSeparators(folder));
}

void TForm1::runInBackground(const Job& job, const std::function<void(bool)>& done)
{
    auto ok = std::make_shared<bool>(false);
    const ConnectionUrl url = service_.url();
    const QString password = service_.password();
    QThread* t = QThread::create([this, job, ok, url, password] {
        UiThreadPrompter ui(prompter_, this);
        try {
            std::unique_ptr<Session> s = Session::open(url, password);
            *ok = job(*s, ui);
        } catch (const DbError& e) {
            ui.error(e.message());
        } catch (const std::exception& e) {
            ui.error(QString::fromUtf8(e.what()));
        }
    });
    worker_ = t;
    connect(t, &QThread::finished, this, [this, t, ok, done] {
        t->wait();
        delete t;
        worker_ = nullptr;
        updateControls();
        done(*ok);
        emit workFinished(*ok);
    });
    updateControls();
    t->start();
}

void TForm1::ButtonBackupClick()
{
    if (!connected_ || busy()) return;
    const QString destination = backupDestination();
    const QString password = service_.password();
    ProgressBackup->show();
    runInBackground([destination, password](Session& s, Prompter& p) { return BackupService(s, p, password).backup(destination); },
                    [this](bool ok) {
                        ProgressBackup->hide();
                        if (ok) PageControl1->setCurrentIndex(2);
                    });
}

void TForm1::addProgress(const QString& line, int index, int total)
{
    ListProgress->addItem(line);
    ListProgress->scrollToBottom();
    ProgressUpgrade->setRange(0, total);
    ProgressUpgrade->setValue(index);
}

void TForm1::ButtonUpgradeClick()
{
    if (!connected_ || busy()) return;
    UpgradeChoice choice;
    choice.v3 = CheckBoxV3->isChecked();
    choice.v5 = CheckBoxV5->isChecked();
    choice.module = EditModule->text();
    ListProgress->clear();
    ProgressUpgrade->setRange(0, 1);
    ProgressUpgrade->setValue(0);
    runInBackground(
        [this, choice](Session& s, Prompter& p) {
            return WizardService::upgrade(s, p, choice, [this](int i, int total, const UpgradeStep& st, const StepOutcome& o) {
                const QString line = progressLine(i, total, st, o);
                QMetaObject::invokeMethod(this, [this, line, i, total] { addProgress(line, i + 1, total); }, Qt::QueuedConnection);
            });
        },
        [this](bool ok) {
            if (ok) PageControl1->setCurrentIndex(3);
        });
}

void TForm1::ButtonStopClick() { WebServerControl(prompter_, settingsPath_).stop(); }

void TForm1::ButtonStartClick() { WebServerControl(prompter_, settingsPath_).start(); }

void TForm1::ButtonNext4Click() { PageControl1->setCurrentIndex(4); }

void TForm1::ButtonCloseClick() { close(); }

void TForm1::closeEvent(QCloseEvent* e)
{
    if (busy()) {
        // Leaving in the middle of a backup or an upgrade would cut its connection half-way.
        prompter_.message(QString(), QStringLiteral("正在执行，请等候完成！"), Prompter::Icon::Information);
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace oa
