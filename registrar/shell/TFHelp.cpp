#include "registrar/shell/TFHelp.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace oa {

namespace {

struct Registered {
    TFHelp::PageFactory factory;
    int generation = 0;
};

QMap<QString, Registered>& registered()
{
    static QMap<QString, Registered> pages;
    return pages;
}
QStringList& extraCaptions()
{
    static QStringList extra;
    return extra;
}
int& generationCounter()
{
    static int g = 0;
    return g;
}
QPointer<TFHelp>& current()
{
    static QPointer<TFHelp> w;
    return w;
}

QWidget* connectionHelp(QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    l->setText(QStringLiteral(
        "客户机连接不上服务器时，请依次检查：\n\n"
        "1、服务器是否已经开机，数据库服务是否已经启动。\n"
        "2、本机与服务器之间网络是否畅通（可以在命令行里 ping 服务器IP）。\n"
        "3、服务器的防火墙是否允许数据库端口（SQL Server 1433，PostgreSQL 5432）。\n"
        "4、在【设置服务器】里填写的数据服务器IP地址和密匙，应与OA主页右上方【常用工具】-【Registrar】里面显示的一致；"
        "密匙留空时使用系统默认密匙。\n"
        "5、设置成功后，请重新运行程序。"));
    l->setMargin(12);
    return l;
}

}  // namespace

QStringList TFHelp::pageCaptions()
{
    return {QStringLiteral("学生表样板"),
            QStringLiteral("班别学号姓名成绩表样板"),
            QStringLiteral("试室号样板"),
            QStringLiteral("导入教师样板"),
            QStringLiteral("工资表模板"),
            QStringLiteral("教职工表"),
            QStringLiteral("导入一个班科成绩"),
            QStringLiteral("按 学号姓名成绩样板"),
            QStringLiteral("按【学籍号】和【姓名】导入成绩"),
            QStringLiteral("导入【学籍号】"),
            QStringLiteral("按【学籍号】导入成绩"),
            QStringLiteral("按【考号】导入成绩"),
            QStringLiteral("值日值班"),
            QStringLiteral("客户机连接不上服务器"),
            QStringLiteral("按【班别】【姓名】导入成绩")};
}

void TFHelp::registerPage(const QString& caption, PageFactory factory)
{
    if (!factory) {
        registered().remove(caption);
        extraCaptions().removeAll(caption);
        return;
    }
    registered().insert(caption, Registered{std::move(factory), ++generationCounter()});
    if (!pageCaptions().contains(caption) && !extraCaptions().contains(caption)) extraCaptions() << caption;
}

bool TFHelp::hasPage(const QString& caption) { return registered().contains(caption); }

TFHelp* TFHelp::instance() { return current(); }

void TFHelp::open(const QString& caption)
{
    TFHelp* w = instance();
    if (!w) {
        w = new TFHelp;
        w->setAttribute(Qt::WA_DeleteOnClose);
    }
    w->showPage(caption);
}

TFHelp::TFHelp(QWidget* parent) : QWidget(parent, Qt::Window)
{
    if (!registered().contains(QString::fromUtf8(kHelpConnectionPage)))
        registerPage(QString::fromUtf8(kHelpConnectionPage), connectionHelp);
    setObjectName(QStringLiteral("TFHelp"));
    setWindowTitle(QStringLiteral("帮助"));
    auto* h = new QHBoxLayout(this);
    ListPages = new QListWidget(this);
    ListPages->setObjectName(QStringLiteral("ListPages"));
    ListPages->setFixedWidth(240);
    Pages = new QStackedWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    h->addWidget(ListPages);
    h->addWidget(Pages, 1);
    resize(980, 600);
    syncPages();
    connect(ListPages, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= slots_.size()) return;
        build(row);
        Pages->setCurrentIndex(row);
    });
    ListPages->setCurrentRow(0);
    current() = this;
}

TFHelp::~TFHelp() = default;

void TFHelp::syncPages()
{
    QStringList captions = pageCaptions() + extraCaptions();
    for (int i = int(slots_.size()); i < captions.size(); ++i) {
        Slot slot;
        slot.caption = captions[i];
        slot.holder = new QWidget(Pages);
        new QVBoxLayout(slot.holder);
        slot.holder->layout()->setContentsMargins(0, 0, 0, 0);
        Pages->addWidget(slot.holder);
        ListPages->addItem(slot.caption);
        slots_.append(slot);
    }
}

void TFHelp::build(int index)
{
    Slot& slot = slots_[index];
    const auto it = registered().constFind(slot.caption);
    const int generation = it == registered().cend() ? 0 : it->generation;
    if (slot.content && slot.generation == generation) return;
    delete slot.content;
    slot.content = nullptr;
    if (it != registered().cend()) slot.content = it->factory(slot.holder);
    if (!slot.content) {
        auto* note = new QLabel(QString::fromUtf8(kHelpPlaceholder), slot.holder);
        note->setObjectName(QStringLiteral("HelpPlaceholder"));
        note->setAlignment(Qt::AlignCenter);
        slot.content = note;
    }
    slot.generation = generation;
    slot.holder->layout()->addWidget(slot.content);
}

void TFHelp::showPage(const QString& caption)
{
    syncPages();
    for (int i = 0; i < slots_.size(); ++i) {
        if (slots_[i].caption != caption) continue;
        build(i);
        ListPages->setCurrentRow(i);
        Pages->setCurrentIndex(i);
        break;
    }
    const int row = ListPages->currentRow();
    if (row >= 0) build(row);
    // Opened from a modal dialog (the server-address dialog) the window must take input itself.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted = modal && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
}

QString TFHelp::currentPage() const
{
    const int row = Pages->currentIndex();
    return row >= 0 && row < slots_.size() ? slots_[row].caption : QString();
}

QWidget* TFHelp::pageWidget(const QString& caption) const
{
    for (const Slot& s : slots_)
        if (s.caption == caption) return s.content;
    return nullptr;
}

}  // namespace oa
