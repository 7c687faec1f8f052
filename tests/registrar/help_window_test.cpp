#include "shell_support.h"

#include "registrar/shell/TFHelp.h"

#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>

using namespace oa;

namespace {

QString placeholderText(QWidget* page)
{
    auto* l = qobject_cast<QLabel*>(page);
    return l && l->objectName() == QStringLiteral("HelpPlaceholder") ? l->text() : QString();
}

// A fixed page nobody has given contents yet (other tests may have registered the import pages).
QString emptyPage()
{
    for (const QString& c : TFHelp::pageCaptions())
        if (!TFHelp::hasPage(c)) return c;
    return QString();
}

TEST(TFHelpWindow, FifteenPagesInOrderWithAPlaceholderUntilFilled)
{
    TFHelp w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("帮助"));
    const QStringList expected = {"学生表样板", "班别学号姓名成绩表样板", "试室号样板", "导入教师样板", "工资表模板", "教职工表",
                                  "导入一个班科成绩", "按 学号姓名成绩样板", "按【学籍号】和【姓名】导入成绩", "导入【学籍号】",
                                  "按【学籍号】导入成绩", "按【考号】导入成绩", "值日值班", "客户机连接不上服务器",
                                  "按【班别】【姓名】导入成绩"};
    EXPECT_EQ(TFHelp::pageCaptions(), expected);
    ASSERT_EQ(w.ListPages->count(), 15);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(w.ListPages->item(i)->text(), expected[i]);

    const QString empty = emptyPage();
    ASSERT_FALSE(empty.isEmpty());
    w.showPage(empty);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.currentPage(), empty);
    EXPECT_EQ(placeholderText(w.pageWidget(empty)), QStringLiteral("样表见导入窗口"));
    // The connection page is the server dialog's own and has its text.
    w.showPage(QStringLiteral("客户机连接不上服务器"));
    QWidget* connection = w.pageWidget(QStringLiteral("客户机连接不上服务器"));
    ASSERT_NE(connection, nullptr);
    EXPECT_TRUE(placeholderText(connection).isEmpty());
    // An unknown page leaves the window where it was.
    w.showPage(QStringLiteral("没有这一页"));
    EXPECT_EQ(w.currentPage(), QStringLiteral("客户机连接不上服务器"));
}

TEST(TFHelpWindow, RegisteredContentsReplaceThePlaceholder)
{
    const QString page = emptyPage();
    ASSERT_FALSE(page.isEmpty());
    TFHelp w;
    w.showPage(page);
    EXPECT_EQ(placeholderText(w.pageWidget(page)), QStringLiteral("样表见导入窗口"));

    TFHelp::registerPage(page, [](QWidget* parent) {
        auto* l = new QLabel(QStringLiteral("样表"), parent);
        l->setObjectName(QStringLiteral("Sample"));
        return l;
    });
    TFHelp::registerPage(QStringLiteral("新的样表"), [](QWidget* parent) { return new QLabel(QStringLiteral("新"), parent); });
    w.showPage(page);
    auto* sample = qobject_cast<QLabel*>(w.pageWidget(page));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->text(), QStringLiteral("样表"));
    // A page outside the fixed fifteen is added at the end.
    w.showPage(QStringLiteral("新的样表"));
    EXPECT_EQ(w.ListPages->count(), 16);
    EXPECT_EQ(w.ListPages->item(15)->text(), QStringLiteral("新的样表"));
    EXPECT_EQ(w.currentPage(), QStringLiteral("新的样表"));

    TFHelp::registerPage(page, nullptr);
    TFHelp::registerPage(QStringLiteral("新的样表"), nullptr);
    EXPECT_FALSE(TFHelp::hasPage(page));
}

TEST(TFHelpWindow, OpenUsesTheProgramsWindow)
{
    TFHelp w;
    EXPECT_EQ(TFHelp::instance(), &w);
    TFHelp::open(QStringLiteral("学生表样板"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.currentPage(), QStringLiteral("学生表样板"));
}

}  // namespace
