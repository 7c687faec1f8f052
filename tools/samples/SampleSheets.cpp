#include "tools/samples/SampleSheets.h"

#include "common/sheets/SheetReader.h"
#include "common/sheets/SheetWriter.h"

#include <QDir>

namespace oa {

namespace {

QVariant t(const char* s) { return QString::fromUtf8(s); }
QVariant n(double v) { return v; }
QVariant blank() { return QString(); }

QVariantList texts(std::initializer_list<const char*> cells)
{
    QVariantList row;
    for (const char* c : cells) row << QString::fromUtf8(c);
    return row;
}

struct Marks {
    QVariant chinese, maths, english;
};

// Scores of the sample students in the same order; one cell left empty: not sat, stored as no score.
QList<Marks> sampleMarks()
{
    return {{n(96), n(88.5), n(92)}, {n(78), n(95), n(81)}, {n(85), n(72), blank()},
            {n(91), n(67), n(88)},   {n(69), n(83.5), n(74)}, {n(88), n(90), n(97)}};
}

QList<SampleSheet> build()
{
    const QList<SampleStudent>& kids = sampleStudents();
    const QList<Marks> marks = sampleMarks();
    const QStringList staff = sampleStaff();
    QList<SampleSheet> all;

    // ---- student roster ----
    {
        SampleSheet s{QStringLiteral("roster"), QStringLiteral("学生资料导入"), QStringLiteral("学生表样板"), {}, {}};
        s.rows << texts({"级别", "班别", "学号", "姓名", "学籍号", "性别", "是否计分", "出生日期", "民族", "家长姓名",
                         "家庭地址", "电话", "入学年份", "是否住校"});
        int k = 0;
        for (const SampleStudent& st : kids) {
            s.rows << QVariantList{st.grade, st.cls, n(st.number), st.name, st.tongyibianhao, st.sex, t("是"),
                                   st.birthday, t("汉族"), st.name.left(1) + QStringLiteral("先生"),
                                   QStringLiteral("城南路%1号").arg(12 + 7 * k), QStringLiteral("8862%1").arg(1031 + 17 * k),
                                   t("2025"), k % 2 ? t("住校") : t("走读")};
            ++k;
        }
        s.notes = QStringList{
            QStringLiteral("第一行是表头：每列的表头必须是系统字段，列的次序不限，没有的字段可以不要。"),
            QStringLiteral("系统字段：级别、班别、学籍号、学号、姓名、性别、是否计分、家长姓名、家庭地址、出生日期、户籍所在地、"
                           "户籍类型、户籍性质、学生来源、入学前学校、民族、政治面貌、是否住校、健康、户口、邮编、电话、特长、备注、"
                           "入学年份、身份证号码、加入政治面貌日期、是否华侨、和家长关系、家长工作单位、专业代码、专业名称、小组号、"
                           "外地生类别、外地生性质、宿舍号、留守儿童、单亲家庭、是否孤儿、特困生补助、生活补助。"),
            QStringLiteral("表头中间不能有空列：第一个空表头之后的列不会读入。"),
            QStringLiteral("第一列为空的行表示表格结束，所以中间不能有空行。"),
            QStringLiteral("级别必须是系统设定的年级；学号必须是整数；性别只能是“男”、“女”或空；出生日期写成 2013-3-14。"),
            QStringLiteral("是否计分不填时记为“是”。学年度在导入窗口中选择。")};
        all << s;
    }

    // ---- score layouts ----
    auto scoreSheet = [&](const char* id, const char* page, QVariantList header, auto keys, QStringList notes) {
        SampleSheet s{QString::fromUtf8(id), QStringLiteral("成绩导入"), QString::fromUtf8(page), {}, std::move(notes)};
        header << t("语文") << t("数学") << t("英语");
        s.rows << header;
        for (int i = 0; i < kids.size(); ++i) {
            QVariantList row = keys(kids[i]);
            row << marks[i].chinese << marks[i].maths << marks[i].english;
            s.rows << row;
        }
        s.notes << QStringLiteral("表头之后的每一列是一个科目，表头写科目名称（必须是系统设定的科目），单元格写分数；"
                                  "分数空着表示还没有成绩。")
                << QStringLiteral("第一列为空的行表示表格结束，中间不能有空行和空列。")
                << QStringLiteral("考试名称和学年度在导入窗口中选择；同一次考试已有的成绩不能再次导入。");
        all << s;
    };
    scoreSheet("score-a", "班别学号姓名成绩表样板", texts({"级别", "班别", "学号", "姓名"}),
               [](const SampleStudent& st) { return QVariantList{st.grade, st.cls, n(st.number), st.name}; },
               {QStringLiteral("前四列依次是：级别、班别、学号、姓名，表头文字必须一致；从第五列起是科目。"),
                QStringLiteral("按级别、班别、学号和姓名在学生表中找学生；可以选择不检查学号或不检查姓名（不能同时不检查）。")});
    scoreSheet("score-b", "按 学号姓名成绩样板", texts({"学号", "姓名"}),
               [](const SampleStudent& st) { return QVariantList{n(st.number), st.name}; },
               {QStringLiteral("前两列依次是：学号、姓名；从第三列起是科目。"),
                QStringLiteral("级别在导入窗口中选择，按级别、学号和姓名找学生；同一级别中学号和姓名都相同的学生请用"
                               "【按班别学号姓名导入成绩】导入。")});
    scoreSheet("score-c", "按【学籍号】和【姓名】导入成绩", texts({"学籍号", "姓名"}),
               [](const SampleStudent& st) { return QVariantList{st.tongyibianhao, st.name}; },
               {QStringLiteral("前两列依次是：学籍号、姓名；从第三列起是科目。"),
                QStringLiteral("按学籍号和姓名找学生；可以选择不检查姓名。")});
    scoreSheet("score-d", "按【学籍号】导入成绩", texts({"学籍号"}),
               [](const SampleStudent& st) { return QVariantList{st.tongyibianhao}; },
               {QStringLiteral("第一列是学籍号；从第二列起是科目。"), QStringLiteral("只按学籍号找学生。")});
    scoreSheet("score-e", "按【考号】导入成绩", texts({"级别", "考号", "姓名"}),
               [](const SampleStudent& st) { return QVariantList{st.grade, st.kaohao, st.name}; },
               {QStringLiteral("前三列依次是：级别、考号、姓名；从第四列起是科目。"),
                QStringLiteral("按级别、考号和姓名找学生（考号由“导入EXCEL考试座位号”导入）；可以选择不检查姓名。")});
    scoreSheet("score-f", "按【班别】【姓名】导入成绩", texts({"级别", "班别", "姓名"}),
               [](const SampleStudent& st) { return QVariantList{st.grade, st.cls, st.name}; },
               {QStringLiteral("前三列依次是：级别、班别、姓名；从第四列起是科目。"),
                QStringLiteral("按级别、班别和姓名找学生；同班同名的学生请用其他方式导入。")});

    // ---- exam numbers, rooms and seats ----
    {
        SampleSheet s{QStringLiteral("seats"), QStringLiteral("考号、试室号、座位号导入"), QStringLiteral("试室号样板"), {}, {}};
        s.rows << texts({"级别", "班别", "学号", "姓名", "考号", "试室号", "座位号"});
        for (const SampleStudent& st : kids)
            s.rows << QVariantList{st.grade, st.cls, n(st.number), st.name, st.kaohao, n(st.room), n(st.seat)};
        s.notes = QStringList{QStringLiteral("前四列依次是：级别、班别、学号、姓名。"),
                              QStringLiteral("第五到第七列是考号、试室号、座位号，次序不限，可以缺少其中的列。"),
                              QStringLiteral("试室号和座位号写整数；第二行（第一个学生）的单元格决定读入多少列，不要空着。")};
        all << s;
    }

    // ---- one class, one subject (score entry) ----
    {
        SampleSheet s{QStringLiteral("class-scores"), QStringLiteral("一个班一个科目的成绩"), QStringLiteral("导入一个班科成绩"), {}, {}};
        s.rows << texts({"学号", "分数"});
        for (int i = 0; i < 3; ++i) s.rows << QVariantList{n(kids[i].number), marks[i].chinese};
        s.notes = QStringList{QStringLiteral("A 列是学号，B 列是分数，第一行是表头。"),
                              QStringLiteral("先在“按班别录入”中选好学年度、考试、年级、班别、科目并按【开始录入】，再导入。"),
                              QStringLiteral("学号必须是该班已有的学号；分数空着表示没有成绩。")};
        all << s;
    }

    // ---- unified student numbers ----
    {
        SampleSheet s{QStringLiteral("numbers"), QStringLiteral("学籍号导入"), QStringLiteral("导入【学籍号】"), {}, {}};
        s.rows << texts({"级别", "班别", "学号", "姓名", "学籍号"});
        for (const SampleStudent& st : kids) s.rows << QVariantList{st.grade, st.cls, n(st.number), st.name, st.tongyibianhao};
        s.notes = QStringList{QStringLiteral("五列依次是：级别、班别、学号、姓名、学籍号，表头文字必须一致。"),
                              QStringLiteral("学籍号写进所选学年度学生表中级别、班别、学号、姓名相同的学生。")};
        all << s;
    }

    // ---- staff accounts ----
    {
        SampleSheet s{QStringLiteral("accounts"), QStringLiteral("系统用户导入"), QStringLiteral("导入教师样板"), {}, {}};
        s.rows << texts({"用户", "教师姓名", "密码", "权限组"});
        s.rows << QVariantList{t("3001"), t("赵文博"), t("zwb3001"), t("班主任")};
        s.rows << QVariantList{t("3002"), t("钱晓燕"), blank(), t("科任教师")};
        s.rows << QVariantList{t("3003"), t("孙立新"), t("slx3003"), t("教导处")};
        s.notes = QStringList{QStringLiteral("四列依次是：用户（登录名）、教师姓名、密码、权限组；第一行是表头。"),
                              QStringLiteral("密码空着时为 629。用户或教师姓名为空的行表示表格结束。")};
        all << s;
    }

    // ---- payroll ----
    {
        SampleSheet s{QStringLiteral("payroll"), QStringLiteral("工资导入"), QStringLiteral("工资表模板"), {}, {}};
        s.rows << QVariantList{t("2026年9月工资表")};
        s.rows << texts({"序号", "姓名", "基本工资", "津贴", "扣款", "实发"});
        const double pay[][4] = {{3200, 800, 0, 4000}, {3050, 650.5, 120, 3580.5}, {2980, 720, 0, 3700}};
        for (int i = 0; i < 3; ++i)
            s.rows << QVariantList{n(i + 1), staff[i], n(pay[i][0]), n(pay[i][1]), n(pay[i][2]), n(pay[i][3])};
        s.notes = QStringList{QStringLiteral("第一行是标题，不读入；第二行是表头：第二列必须是“姓名”，第三列起是工资项目。"),
                              QStringLiteral("姓名必须和系统用户的教师姓名一致；姓名为空的行表示表格结束。"),
                              QStringLiteral("发送短信时只列出不为 0 的项目。")};
        all << s;
    }

    // ---- personnel register ----
    {
        SampleSheet s{QStringLiteral("personnel"), QStringLiteral("学校员工资料导入"), QStringLiteral("教职工表"), {}, {}};
        s.rows << texts({"编号", "姓名", "性别", "出生日期", "身份证号码", "学历", "所教学科", "职务", "职称", "联系电话"});
        s.rows << texts({"0001", "陈国华", "男", "1978-4-12", "440106197804120031", "本科", "数学", "班主任", "一级教师", "88621001"});
        s.rows << texts({"0002", "李慧敏", "女", "1985-10-3", "440106198510030048", "硕士", "语文", "", "二级教师", "88621002"});
        s.rows << texts({"0003", "黄志强", "男", "1981-1-27", "440106198101270015", "本科", "数学", "科组长", "高级教师", "88621003"});
        s.notes = QStringList{QStringLiteral("第一行是表头：每列的表头必须是员工资料的字段，列的次序不限。"),
                              QStringLiteral("性别只能是“男”、“女”或空；日期等都按文字保存。")};
        all << s;
    }

    // ---- duty roster ----
    {
        SampleSheet s{QStringLiteral("duty"), QStringLiteral("值日值班安排导入"), QStringLiteral("值日值班"), {}, {}};
        s.rows << texts({"日期", "值班人1", "值班人2", "值班人3"});
        s.rows << QVariantList{t("2026-9-1"), staff[0], staff[1], blank()};
        s.rows << QVariantList{t("2026-9-2"), staff[2], staff[3], staff[4]};
        s.rows << QVariantList{t("2026-9-3"), staff[1], blank(), blank()};
        s.notes = QStringList{QStringLiteral("第一列是日期（写成 2026-9-1），第二到第二十列是当天值班的人，可以空着。"),
                              QStringLiteral("姓名必须和系统用户的教师姓名一致；日期为空的行表示表格结束。")};
        all << s;
    }

    // ---- sheets read without a page of their own ----
    {
        SampleSheet s{QStringLiteral("address-book"), QStringLiteral("校通讯录导入"), QString(), {}, {}};
        s.rows << texts({"姓名", "家庭电话", "手机", "短号", "电子邮箱"});
        for (int i = 0; i < 3; ++i)
            s.rows << QVariantList{staff[i], QStringLiteral("8862%1").arg(2001 + i), QStringLiteral("1380013%1").arg(8001 + i),
                                   QStringLiteral("66%1").arg(1 + i, 2, 10, QLatin1Char('0')),
                                   QStringLiteral("staff%1@school.example").arg(i + 1)};
        s.notes = QStringList{QStringLiteral("五列依次是：姓名、家庭电话、手机、短号、电子邮箱；第一行是表头。"),
                              QStringLiteral("按姓名找系统用户，找不到的姓名会列出来。")};
        all << s;
    }
    {
        SampleSheet s{QStringLiteral("question-paper"), QStringLiteral("考试题库导入"), QString(), {}, {}};
        s.rows << texts({"序号", "章次", "节次", "题目", "A选项", "B选项", "C选项", "D选项", "题型", "答案", "分数", "图片"});
        s.rows << QVariantList{n(1), t("第一章"), t("第一节"), t("下列各数中最大的是"), t("-1"), t("0"), t("2"), t("1/2"), t("单选"), t("C"), n(5), blank()};
        s.rows << QVariantList{n(2), t("第一章"), t("第二节"), t("下列各数中是负数的有"), t("-3"), t("0"), t("-0.5"), t("7"), t("多选"), t("AC"), n(5), blank()};
        s.rows << QVariantList{n(3), t("第二章"), t("第一节"), t("如图，∠1 的度数是"), t("30°"), t("45°"), t("60°"), t("90°"), t("单选"), t("B"), n(10), t("q3.jpg")};
        s.notes = QStringList{QStringLiteral("第一行是表头，不读入；第二列（章次）为空的行表示试卷结束。"),
                              QStringLiteral("第十二列是题目图片的文件名，图片放在表格所在的文件夹中；没有图片就空着。")};
        all << s;
    }
    return all;
}

}  // namespace

const QList<SampleStudent>& sampleStudents()
{
    static const QList<SampleStudent> kids = {
        {QStringLiteral("初一级"), QStringLiteral("01班"), 1, QStringLiteral("陈嘉怡"), QStringLiteral("G440106201303140021"), QStringLiteral("女"), QStringLiteral("2013-3-14"), QStringLiteral("260101"), 1, 1},
        {QStringLiteral("初一级"), QStringLiteral("01班"), 2, QStringLiteral("李浩然"), QStringLiteral("G440106201307020013"), QStringLiteral("男"), QStringLiteral("2013-7-2"), QStringLiteral("260102"), 1, 2},
        {QStringLiteral("初一级"), QStringLiteral("01班"), 3, QStringLiteral("黄子轩"), QStringLiteral("G440106201211230035"), QStringLiteral("男"), QStringLiteral("2012-11-23"), QStringLiteral("260103"), 1, 3},
        {QStringLiteral("初一级"), QStringLiteral("02班"), 1, QStringLiteral("张欣怡"), QStringLiteral("G440106201301090026"), QStringLiteral("女"), QStringLiteral("2013-1-9"), QStringLiteral("260201"), 2, 1},
        {QStringLiteral("初一级"), QStringLiteral("02班"), 2, QStringLiteral("梁俊杰"), QStringLiteral("G440106201305300017"), QStringLiteral("男"), QStringLiteral("2013-5-30"), QStringLiteral("260202"), 2, 2},
        {QStringLiteral("初一级"), QStringLiteral("02班"), 3, QStringLiteral("刘思琪"), QStringLiteral("G440106201309170048"), QStringLiteral("女"), QStringLiteral("2013-9-17"), QStringLiteral("260203"), 2, 3},
    };
    return kids;
}

QStringList sampleStaff()
{
    return {QStringLiteral("陈国华"), QStringLiteral("李慧敏"), QStringLiteral("黄志强"), QStringLiteral("张丽华"), QStringLiteral("王建军")};
}

const QList<SampleSheet>& sampleSheets()
{
    static const QList<SampleSheet> all = build();
    return all;
}

std::optional<SampleSheet> sampleSheet(const QString& id)
{
    for (const SampleSheet& s : sampleSheets())
        if (s.id == id) return s;
    return std::nullopt;
}

QString sampleCellText(const QVariant& v)
{
    if (v.metaType().id() == QMetaType::Double) return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QList<QStringList> sampleText(const SampleSheet& s)
{
    QList<QStringList> out;
    for (const QVariantList& row : s.rows) {
        QStringList r;
        for (const QVariant& v : row) r << sampleCellText(v);
        out << r;
    }
    return out;
}

void writeSampleSheet(const SampleSheet& s, const QString& path)
{
    SheetWriter w;
    for (int r = 0; r < s.rows.size(); ++r)
        for (int c = 0; c < s.rows[r].size(); ++c) {
            const QVariant& v = s.rows[r][c];
            if (v.metaType().id() == QMetaType::Double) w.setCell(r, c, v.toDouble());
            else if (!v.toString().isEmpty()) w.setCell(r, c, v.toString());
        }
    w.save(path);
}

QStringList writeSampleSheets(const QString& dir)
{
    QStringList written;
    for (const SampleSheet& s : sampleSheets()) {
        const QString path = QDir(dir).filePath(s.id + QStringLiteral(".xlsx"));
        writeSampleSheet(s, path);
        written << path;
    }
    return written;
}

}  // namespace oa
