#include "shell_support.h"

#include "registrar/shell/ListHelpers.h"

#include <QComboBox>

using namespace oa;
using namespace oa::shelltest;
using oa::test::SchoolDatabase;

namespace {

QStringList items(const QComboBox& box)
{
    QStringList out;
    for (int i = 0; i < box.count(); ++i) out << box.itemText(i);
    return out;
}

class ListHelpersTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        for (const char* key : {"grade", "TestName", "nowxueqi", "Years"}) clearVar(s(), QString::fromUtf8(key));
        // Inserted out of order: lists come in vid order.
        setVar(s(), QStringLiteral("grade"), 3, QStringLiteral("初三"));
        setVar(s(), QStringLiteral("grade"), 1, QStringLiteral("初一"));
        setVar(s(), QStringLiteral("grade"), 2, QStringLiteral("初二"));
        setVar(s(), QStringLiteral("TestName"), 1, QStringLiteral("期中考试"), QStringLiteral("关闭"));
        setVar(s(), QStringLiteral("TestName"), 2, QStringLiteral("期末考试"), QStringLiteral("关闭 "));
        setVar(s(), QStringLiteral("TestName"), 3, QStringLiteral("月考"), QVariant());
        setVar(s(), QStringLiteral("TestName"), 4, QStringLiteral("模拟考"), QStringLiteral("开放"));
        box.setEditable(true);
    }
    Session& s() { return db->session(); }
    std::unique_ptr<SchoolDatabase> db;
    QComboBox box;
};

TEST_P(ListHelpersTest, FillVarListReplacesTheItemsInVidOrder)
{
    box.addItems({QStringLiteral("旧的")});
    FillVarList(s(), QStringLiteral("grade"), &box);
    EXPECT_EQ(items(box), (QStringList{"初一", "初二", "初三"}));
    FillVarList(s(), QStringLiteral("TestName"), &box);
    EXPECT_EQ(items(box), (QStringList{"期中考试", "期末考试", "月考", "模拟考"}));
    FillVarList(s(), QStringLiteral("没有这个"), &box);
    EXPECT_TRUE(items(box).isEmpty());
}

TEST_P(ListHelpersTest, FillOpenVarListLeavesOutExactlyClosedExams)
{
    box.addItems({QStringLiteral("旧的")});
    FillOpenVarList(s(), QStringLiteral("TestName"), &box);
    // "关闭 " with a trailing blank is not closed.
    EXPECT_EQ(items(box), (QStringList{"期末考试", "月考", "模拟考"}));
}

TEST_P(ListHelpersTest, SelectVarCurrentCases)
{
    setVar(s(), QStringLiteral("Years"), 1, QStringLiteral("2024-2025"));
    setVar(s(), QStringLiteral("Years"), 2, QStringLiteral("2025-2026"));
    struct Case {
        const char* what;
        QVariant stored;        // nowxueqi vname; invalid: no row
        bool editable;
        QString text;           // the list's text afterwards
    };
    const Case cases[] = {
        {"plain", QStringLiteral("2025-2026"), true, QStringLiteral("2025-2026")},
        {"leading blank: found trimmed, set as stored", QStringLiteral(" 2025-2026"), true, QStringLiteral(" 2025-2026")},
        {"trailing blank", QStringLiteral("2024-2025  "), true, QStringLiteral("2024-2025  ")},
        {"not in the list: unchanged", QStringLiteral("2030-2031"), true, QStringLiteral("2024-2025")},
        {"no row: unchanged", QVariant(), true, QStringLiteral("2024-2025")},
        {"fixed list selects the item", QStringLiteral(" 2025-2026"), false, QStringLiteral("2025-2026")},
    };
    for (const Case& c : cases) {
        clearVar(s(), QStringLiteral("nowxueqi"));
        if (c.stored.isValid()) setVar(s(), QStringLiteral("nowxueqi"), 1, c.stored.toString());
        QComboBox list;
        list.setEditable(c.editable);
        FillVarList(s(), QStringLiteral("Years"), &list);
        SelectVarCurrent(s(), QStringLiteral("nowxueqi"), &list);
        EXPECT_EQ(list.currentText(), c.text) << c.what;
    }
}

TEST_P(ListHelpersTest, SelectVarCurrentOnAnEmptyListDoesNothing)
{
    setVar(s(), QStringLiteral("nowxueqi"), 1, QStringLiteral("2025-2026"));
    box.setEditText(QStringLiteral("手工"));
    SelectVarCurrent(s(), QStringLiteral("nowxueqi"), &box);
    EXPECT_EQ(box.currentText(), QStringLiteral("手工"));
}

TEST(ListHasTextTest, ExactCaseSensitiveAndUntrimmed)
{
    QComboBox box;
    box.addItems({QStringLiteral("Grade 1"), QStringLiteral("初一")});
    EXPECT_TRUE(ListHasText(QStringLiteral("Grade 1"), &box));
    EXPECT_TRUE(ListHasText(QStringLiteral("初一"), &box));
    EXPECT_FALSE(ListHasText(QStringLiteral("grade 1"), &box));
    EXPECT_FALSE(ListHasText(QStringLiteral(" 初一"), &box));
    EXPECT_FALSE(ListHasText(QStringLiteral("初"), &box));
    EXPECT_FALSE(ListHasText(QString(), &box));
}

}  // namespace

OA_INSTANTIATE_ENGINES(ListHelpersTest);
