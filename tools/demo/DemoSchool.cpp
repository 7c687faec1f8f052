#include "tools/demo/DemoSchool.h"

#include <QHash>
#include <QSet>

namespace oa {

namespace {

// A small deterministic generator, so every demo school is the same school.
class Lcg {
public:
    explicit Lcg(quint32 seed) : s_(seed) {}
    quint32 next()
    {
        s_ = s_ * 1664525u + 1013904223u;
        return s_ >> 8;
    }
    int below(int n) { return int(next() % quint32(n)); }

private:
    quint32 s_;
};

const QStringList kSurnames = {QStringLiteral("陈"), QStringLiteral("李"), QStringLiteral("黄"), QStringLiteral("张"),
                               QStringLiteral("梁"), QStringLiteral("刘"), QStringLiteral("林"), QStringLiteral("何"),
                               QStringLiteral("王"), QStringLiteral("吴"), QStringLiteral("罗"), QStringLiteral("郑"),
                               QStringLiteral("谢"), QStringLiteral("周"), QStringLiteral("邓"), QStringLiteral("冯")};
const QStringList kGiven = {QStringLiteral("嘉"), QStringLiteral("子"), QStringLiteral("浩"), QStringLiteral("欣"),
                            QStringLiteral("怡"), QStringLiteral("俊"), QStringLiteral("伟"), QStringLiteral("婷"),
                            QStringLiteral("思"), QStringLiteral("明"), QStringLiteral("雅"), QStringLiteral("杰"),
                            QStringLiteral("文"), QStringLiteral("晓"), QStringLiteral("宇"), QStringLiteral("琳"),
                            QStringLiteral("丽"), QStringLiteral("强"), QStringLiteral("敏"), QStringLiteral("健")};

const QStringList kYears = {QStringLiteral("2025-2026"), QStringLiteral("2026-2027")};
const QStringList kGrades = {QStringLiteral("初一级"), QStringLiteral("初二级"), QStringLiteral("初三级")};
constexpr int kClasses = 8;
constexpr int kPerClass = 42;

struct SubjectDef { const char* name; const char* group; };
const SubjectDef kSubjects[] = {{"语文", "语文"}, {"数学", "数学"}, {"数学开卷", "数学"}, {"英语", "英语"},
                                {"物理", "物理"}, {"化学", "化学"}, {"政治", "政治"}, {"历史", "历史"},
                                {"地理", "地理"}, {"生物", "生物"}};
const char* const kScoredSubjects[] = {"语文", "数学", "英语", "物理", "政治", "历史"};

QString cls(int c) { return QStringLiteral("%1班").arg(c, 2, 10, QLatin1Char('0')); }
QString empty() { return QString::fromLatin1("", 0); }

// Inserts the values whose columns the table has: the web site's tables differ between schools, and the demo
// only needs the columns the programs read.
class RowWriter {
public:
    explicit RowWriter(Session& s) : s_(s) {}
    void insert(const QString& table, const Params& values)
    {
        if (!cols_.contains(table)) {
            QSet<QString> c;
            for (const QString& n : s_.columns(table)) c.insert(n.toLower());
            cols_.insert(table, c);
        }
        const QSet<QString>& have = cols_[table];
        QStringList names, marks;
        Params p;
        for (const auto& v : values) {
            if (!have.contains(v.first.toLower())) continue;
            names << v.first;
            marks << QStringLiteral(":p%1").arg(p.size());
            p.append({QStringLiteral("p%1").arg(p.size()), v.second});
        }
        s_.exec(QStringLiteral("insert into %1(%2) values(%3)").arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))), p);
    }

private:
    Session& s_;
    QHash<QString, QSet<QString>> cols_;
};

}  // namespace

QList<DemoSchool::Login> DemoSchool::logins()
{
    return {
        {QStringLiteral("admin"), QStringLiteral("admin"), QStringLiteral("管理员"), QStringLiteral("系统管理"), QStringLiteral("administrator: every permission")},
        {QStringLiteral("1001"), QStringLiteral("1001"), QStringLiteral("陈国华"), QStringLiteral("班主任"), QStringLiteral("head teacher of 初一级 01班")},
        {QStringLiteral("1002"), QStringLiteral("1002"), QStringLiteral("李慧敏"), QStringLiteral("科任教师"), QStringLiteral("subject teacher (语文)")},
        {QStringLiteral("1003"), QStringLiteral("1003"), QStringLiteral("黄志强"), QStringLiteral("科任教师"), QStringLiteral("subject teacher (数学)")},
        {QStringLiteral("1004"), QStringLiteral("1004"), QStringLiteral("张丽华"), QStringLiteral("教导处"), QStringLiteral("academic office: imports and exam settings")},
        {QStringLiteral("1005"), QStringLiteral("1005"), QStringLiteral("王建军"), QStringLiteral("后勤"), QStringLiteral("member without permissions")},
    };
}

void DemoSchool::populate()
{
    Transaction tx(s_);
    RowWriter w(s_);
    const QDateTime now = s_.serverNow();

    // ---- configuration ----
    auto setting = [&](const QString& key, const QString& vname, const QString& vname1 = QString(), int vid = 1,
                       const QString& shuoming = QString()) {
        s_.exec(QStringLiteral("delete from varset where name=:name"), {{QStringLiteral("name"), key}});
        s_.exec(QStringLiteral("insert into varset(name,vid,vname,vname1,shuoming) values(:name,:vid,:vname,:vname1,:shuoming)"),
                {{QStringLiteral("name"), key}, {QStringLiteral("vid"), vid}, {QStringLiteral("vname"), vname.isNull() ? empty() : vname},
                 {QStringLiteral("vname1"), vname1.isNull() ? empty() : vname1}, {QStringLiteral("shuoming"), shuoming.isNull() ? empty() : shuoming}});
    };
    auto list = [&](const QString& key, const QStringList& items, const QStringList& flags = {}) {
        s_.exec(QStringLiteral("delete from varset where name=:name"), {{QStringLiteral("name"), key}});
        for (int i = 0; i < items.size(); ++i)
            s_.exec(QStringLiteral("insert into varset(name,vid,vname,vname1) values(:name,:vid,:vname,:vname1)"),
                    {{QStringLiteral("name"), key}, {QStringLiteral("vid"), i + 1}, {QStringLiteral("vname"), items[i]},
                     {QStringLiteral("vname1"), i < flags.size() ? flags[i] : empty()}});
    };
    list(QStringLiteral("xueqi"), kYears);
    setting(QStringLiteral("nowxueqi"), kYears.last());
    list(QStringLiteral("TestName"), {QStringLiteral("期中考试"), QStringLiteral("期末考试"), QStringLiteral("第一次月考")},
         {empty(), empty(), QStringLiteral("关闭")});
    setting(QStringLiteral("nowtestname"), QStringLiteral("期中考试"));
    list(QStringLiteral("grade"), kGrades);
    QStringList classes;
    for (int c = 1; c <= kClasses; ++c) classes << cls(c);
    list(QStringLiteral("class"), classes);
    s_.exec(QStringLiteral("delete from varset where name='subject'"));
    int vid = 1;
    for (const auto& sd : kSubjects)
        s_.exec(QStringLiteral("insert into varset(name,vid,vname,shuoming) values('subject',:vid,:vname,:shuoming)"),
                {{QStringLiteral("vid"), vid++}, {QStringLiteral("vname"), QString::fromUtf8(sd.name)},
                 {QStringLiteral("shuoming"), QString::fromUtf8(sd.group)}});
    list(QStringLiteral("beikeji"), kGrades);
    list(QStringLiteral("beikezu"), {QStringLiteral("语文组"), QStringLiteral("数学组"), QStringLiteral("英语组"), QStringLiteral("理化组"), QStringLiteral("文综组")});
    QStringList rooms;
    for (int r = 1; r <= 30; ++r) rooms << QStringLiteral("第%1试室").arg(r, 2, 10, QLatin1Char('0'));
    list(QStringLiteral("shishihao"), rooms);
    list(QStringLiteral("studentquxiang"), {QStringLiteral("升学"), QStringLiteral("转学"), QStringLiteral("毕业"), QStringLiteral("退学"), QStringLiteral("出国")});
    list(QStringLiteral("评比小组名称"), {QStringLiteral("第一小组"), QStringLiteral("第二小组"), QStringLiteral("第三小组")});
    list(QStringLiteral("就读方式"), {QStringLiteral("走读"), QStringLiteral("住校")});
    list(QStringLiteral("外地生性质"), {QStringLiteral("本地生"), QStringLiteral("外地生")});
    list(QStringLiteral("wendangtype"), {QStringLiteral("教案"), QStringLiteral("课件"), QStringLiteral("试卷")});
    list(QStringLiteral("bumenfile"), {QStringLiteral("教务处文件"), QStringLiteral("政教处文件"), QStringLiteral("总务处文件")});
    list(QStringLiteral("节次"), {QStringLiteral("第一节"), QStringLiteral("第二节"), QStringLiteral("第三节"), QStringLiteral("第四节"),
                                QStringLiteral("第五节"), QStringLiteral("第六节"), QStringLiteral("第七节")});
    setting(QStringLiteral("changescore"), QStringLiteral("0"));
    // Backed up 40 days ago, so an administrator sees the reminder.
    const qint64 day = QDate(1899, 12, 30).daysTo(now.date()) - 40;
    setting(QStringLiteral("schoolname"), QStringLiteral("演示中学"), QString::number(day));
    s_.exec(QStringLiteral("update varset set shuoming='备课文件ID' where name='subjectid'"));
    if (s_.rows(QStringLiteral("select * from varset where name='subjectid'")).isEmpty())
        setting(QStringLiteral("subjectid"), QStringLiteral("subjectid"), QString(), 1, QStringLiteral("备课文件ID"));
    setting(QStringLiteral("IP"), empty());
    s_.exec(QStringLiteral("update varset set vname='http://127.0.0.1/oa' where name='学校OA网地址'"));

    // ---- staff and permissions ----
    const QStringList adminGrants = {QStringLiteral("Registrar"), QStringLiteral("导入管理学籍成绩"), QStringLiteral("考务设置"),
                                     QStringLiteral("信息管理"), QStringLiteral("工资管理"), QStringLiteral("系统参数"),
                                     QStringLiteral("学籍管理"), QStringLiteral("学籍查阅"), QStringLiteral("发送短信"),
                                     QStringLiteral("公文处理"), QStringLiteral("教务管理"), QStringLiteral("添加部门文件"),
                                     QStringLiteral("管理学校网站"), QStringLiteral("管理班务评比记录")};
    const QList<QPair<QString, QStringList>> grants = {
        {QStringLiteral("系统管理"), adminGrants},
        {QStringLiteral("班主任"), {QStringLiteral("Registrar"), QStringLiteral("学籍管理"), QStringLiteral("学籍查阅"), QStringLiteral("发送短信")}},
        {QStringLiteral("科任教师"), {QStringLiteral("Registrar"), QStringLiteral("发送短信")}},
        {QStringLiteral("教导处"), {QStringLiteral("Registrar"), QStringLiteral("导入管理学籍成绩"), QStringLiteral("考务设置"), QStringLiteral("信息管理")}},
    };
    for (const auto& g : grants)
        for (const QString& p : g.second)
            s_.exec(QStringLiteral("insert into teacherpowder(powdergroup,powderdetail) values(:g,:p)"),
                    {{QStringLiteral("g"), g.first}, {QStringLiteral("p"), p}});
    int phone = 0;
    QStringList staffNames;
    for (const Login& l : logins()) {
        w.insert(QStringLiteral("Teachers"), {{QStringLiteral("Tno"), l.tno}, {QStringLiteral("tname"), l.tname},
                                              {QStringLiteral("TPassWord"), l.password}, {QStringLiteral("powdergroup"), l.group},
                                              {QStringLiteral("show"), 1}, {QStringLiteral("手机"), QStringLiteral("1380000%1").arg(++phone, 4, 10, QLatin1Char('0'))},
                                              {QStringLiteral("短号"), QStringLiteral("6%1").arg(phone, 3, 10, QLatin1Char('0'))}});
        staffNames << l.tname;
    }
    // More colleagues so the contact list has groups worth browsing.
    Lcg rnd(20260901);
    for (int i = 0; i < 24; ++i) {
        const QString name = kSurnames[rnd.below(kSurnames.size())] + kGiven[rnd.below(kGiven.size())] + kGiven[rnd.below(kGiven.size())];
        if (staffNames.contains(name)) continue;
        const QString tno = QString::number(2001 + i);
        w.insert(QStringLiteral("Teachers"), {{QStringLiteral("Tno"), tno}, {QStringLiteral("tname"), name},
                                              {QStringLiteral("TPassWord"), tno}, {QStringLiteral("powdergroup"), QStringLiteral("科任教师")},
                                              {QStringLiteral("show"), 1}, {QStringLiteral("手机"), QStringLiteral("1390000%1").arg(i, 4, 10, QLatin1Char('0'))}});
        staffNames << name;
    }
    const QStringList groups = {QStringLiteral("行政"), QStringLiteral("语文组"), QStringLiteral("数学组"), QStringLiteral("综合组")};
    for (int i = 0; i < staffNames.size(); ++i) {
        const int g = i < 2 ? 0 : 1 + i % 3;
        w.insert(QStringLiteral("teachergroup"), {{QStringLiteral("owner"), QStringLiteral("admin")}, {QStringLiteral("groupid"), g + 1},
                                                  {QStringLiteral("groupname"), groups[g]}, {QStringLiteral("tname"), staffNames[i]}});
    }

    // ---- students: two school years, the second promoted from the first ----
    Statement insStudent(s_, QStringLiteral(
        "insert into students(Years,grade,class,tongyibianhao,Number,Uname,sex,jifen,jiatingdizhi,birthday,minzu,"
        "upName,是否离校,入学年份,password) values(:years,:grade,:class,:tyb,:number,:uname,:sex,:jifen,:addr,:birthday,"
        ":minzu,:upname,:left,:enrol,:pw)"));
    struct Kid { QString tyb, name, sex; int enrol; QDate birthday; };
    QHash<QString, QList<Kid>> cohort;   // by grade index of the first year + class
    Lcg names(7);
    for (int g = 0; g < kGrades.size(); ++g)
        for (int c = 1; c <= kClasses; ++c) {
            QList<Kid> kids;
            for (int n = 1; n <= kPerClass; ++n) {
                Kid k;
                k.enrol = 2025 - g;
                k.tyb = QStringLiteral("G44%1%2%3").arg(k.enrol).arg(c, 2, 10, QLatin1Char('0')).arg(n, 3, 10, QLatin1Char('0'));
                k.name = kSurnames[names.below(kSurnames.size())] + kGiven[names.below(kGiven.size())]
                    + (names.below(3) ? kGiven[names.below(kGiven.size())] : QString());
                k.sex = names.below(2) ? QStringLiteral("男") : QStringLiteral("女");
                k.birthday = QDate(k.enrol - 12, 1 + names.below(12), 1 + names.below(28));
                kids << k;
            }
            cohort.insert(QStringLiteral("%1/%2").arg(g).arg(c), kids);
        }
    const QString batch = QStringLiteral("文件:演示学生名单.xls") + now.toString(QStringLiteral("yyyy-M-d h:mm:ss"));
    auto addStudent = [&](const QString& year, int g, int c, int n, const Kid& k) {
        insStudent.bind(QStringLiteral("years"), year).bind(QStringLiteral("grade"), kGrades[g]).bind(QStringLiteral("class"), cls(c))
            .bind(QStringLiteral("tyb"), k.tyb).bind(QStringLiteral("number"), n).bind(QStringLiteral("uname"), k.name)
            .bind(QStringLiteral("sex"), k.sex).bind(QStringLiteral("jifen"), QStringLiteral("是"))
            .bind(QStringLiteral("addr"), QStringLiteral("广州市天河区%1号").arg(100 + n))
            .bind(QStringLiteral("birthday"), QDateTime(k.birthday, QTime(0, 0))).bind(QStringLiteral("minzu"), QStringLiteral("汉族"))
            .bind(QStringLiteral("upname"), batch).bind(QStringLiteral("left"), empty())
            .bind(QStringLiteral("enrol"), QString::number(k.enrol)).bind(QStringLiteral("pw"), k.tyb.right(6))
            .exec();
    };
    for (int g = 0; g < kGrades.size(); ++g)
        for (int c = 1; c <= kClasses; ++c) {
            const auto& kids = cohort[QStringLiteral("%1/%2").arg(g).arg(c)];
            for (int n = 0; n < kids.size(); ++n) {
                addStudent(kYears[0], g, c, n + 1, kids[n]);
                // Promoted a grade next year; the top grade has left, a new first grade arrives.
                if (g + 1 < kGrades.size()) addStudent(kYears[1], g + 1, c, n + 1, kids[n]);
            }
        }
    for (int c = 1; c <= kClasses; ++c) {
        for (int n = 1; n <= kPerClass; ++n) {
            Kid k;
            k.enrol = 2026;
            k.tyb = QStringLiteral("G44%1%2%3").arg(k.enrol).arg(c, 2, 10, QLatin1Char('0')).arg(n, 3, 10, QLatin1Char('0'));
            k.name = kSurnames[names.below(kSurnames.size())] + kGiven[names.below(kGiven.size())] + kGiven[names.below(kGiven.size())];
            k.sex = names.below(2) ? QStringLiteral("男") : QStringLiteral("女");
            k.birthday = QDate(2014, 1 + names.below(12), 1 + names.below(28));
            addStudent(kYears[1], 0, c, n, k);
        }
    }
    // One student of the current year has left school.
    s_.exec(QStringLiteral("update students set 是否离校='是', jifen='否', xsquxiang='转学' where years=:y and grade=:g and class='01班' and Number=42"),
            {{QStringLiteral("y"), kYears[1]}, {QStringLiteral("g"), kGrades[1]}});

    // ---- scores: last year's final exam and this year's mid-term ----
    Statement insScore(s_, QStringLiteral(
        "insert into stuscore(tongyibianhao,Years,grade,class,Number,Uname,jifen,sex,TestName,subject,score,iorder,upname) "
        "select tongyibianhao,Years,grade,class,Number,Uname,jifen,sex,:testname,:subject,:score,:iorder,:upname from students "
        "where Years=:years and grade=:grade and class=:class and Number=:number"));
    Lcg marks(99);
    const QList<QPair<QString, QString>> exams = {{kYears[0], QStringLiteral("期末考试")}, {kYears[1], QStringLiteral("期中考试")}};
    for (const auto& ex : exams) {
        const QString up = QStringLiteral("文件:%1成绩.xls").arg(ex.second) + now.toString(QStringLiteral("yyyy-M-d h:mm:ss"));
        int row = 0;
        for (int g = 0; g < kGrades.size(); ++g)
            for (int c = 1; c <= kClasses; ++c)
                for (int n = 1; n <= kPerClass; ++n) {
                    ++row;
                    int col = 0;
                    for (const char* subj : kScoredSubjects) {
                        ++col;
                        const double score = 40 + marks.below(61) + (marks.below(2) ? 0.5 : 0.0);
                        insScore.bind(QStringLiteral("testname"), ex.second).bind(QStringLiteral("subject"), QString::fromUtf8(subj))
                            .bind(QStringLiteral("score"), std::min(score, 100.0)).bind(QStringLiteral("iorder"), col * 100 + row)
                            .bind(QStringLiteral("upname"), up).bind(QStringLiteral("years"), ex.first)
                            .bind(QStringLiteral("grade"), kGrades[g]).bind(QStringLiteral("class"), cls(c))
                            .bind(QStringLiteral("number"), n).exec();
                    }
                }
    }
    // Subject teachers of the current year.
    for (int g = 0; g < kGrades.size(); ++g)
        for (int c = 1; c <= kClasses; ++c)
            for (const char* subj : kScoredSubjects)
                w.insert(QStringLiteral("keren"), {{QStringLiteral("years"), kYears[1]}, {QStringLiteral("grade"), kGrades[g]},
                                                   {QStringLiteral("teacher"), staffNames[2 + (g * kClasses + c) % (staffNames.size() - 2)]},
                                                   {QStringLiteral("class"), cls(c)}, {QStringLiteral("subject"), QString::fromUtf8(subj)}});

    // ---- collaboration: enough that Lantern's counters and reminders show something ----
    const QString admin = staffNames[0];
    const QString head = staffNames[1];
    for (int i = 1; i <= 3; ++i) {
        w.insert(QStringLiteral("gonggao"), {{QStringLiteral("ftype"), QStringLiteral("通知")},
                                             {QStringLiteral("Title"), QStringLiteral("关于期中考试安排的通知（%1）").arg(i)},
                                             {QStringLiteral("fDate"), now.addDays(-i)}, {QStringLiteral("upName"), admin},
                                             {QStringLiteral("updatetime"), now.addDays(-i)}, {QStringLiteral("上交资料"), i == 1 ? QStringLiteral("是") : QStringLiteral("否")}});
        const int notice = s_.scalar(QStringLiteral("select max(id) from gonggao")).toInt();
        for (const QString& who : staffNames)
            w.insert(QStringLiteral("gonggaosee"), {{QStringLiteral("fid"), notice}, {QStringLiteral("tname"), who},
                                                    {QStringLiteral("Havesee"), QStringLiteral("未查阅")}, {QStringLiteral("updatetime"), now.addDays(-i)}});
    }
    for (int i = 1; i <= 2; ++i) {
        w.insert(QStringLiteral("message"), {{QStringLiteral("sendname"), admin}, {QStringLiteral("content"), QStringLiteral("请按时提交成绩。")},
                                             {QStringLiteral("sendto"), head}, {QStringLiteral("updatetime"), now.addDays(-1)}});
        const int mid = s_.scalar(QStringLiteral("select max(mid) from message")).toInt();
        w.insert(QStringLiteral("seemessage"), {{QStringLiteral("mid"), mid}, {QStringLiteral("sendto"), head}, {QStringLiteral("havesee"), QStringLiteral("未查阅")},
                                                {QStringLiteral("isdel"), QStringLiteral("0")}, {QStringLiteral("updatetime"), now.addDays(-1)}});
        w.insert(QStringLiteral("email"), {{QStringLiteral("sendname"), admin}, {QStringLiteral("title"), QStringLiteral("本周工作安排")},
                                           {QStringLiteral("shouname"), head}, {QStringLiteral("updatetime"), now.addDays(-2)}});
        const int mail = s_.scalar(QStringLiteral("select max(id) from email")).toInt();
        w.insert(QStringLiteral("emailsee"), {{QStringLiteral("fid"), mail}, {QStringLiteral("shouname"), head}, {QStringLiteral("havesee"), QStringLiteral("未查阅")},
                                              {QStringLiteral("isdel"), 0}, {QStringLiteral("updatetime"), now.addDays(-2)}});
    }
    w.insert(QStringLiteral("GongWen"), {{QStringLiteral("id"), 1}, {QStringLiteral("编号"), QStringLiteral("教字〔2026〕1号")}, {QStringLiteral("发布人"), admin},
                                         {QStringLiteral("发布日期"), now.addDays(-1)}, {QStringLiteral("标题"), QStringLiteral("关于加强教学常规管理的通知")},
                                         {QStringLiteral("是否签署"), QStringLiteral("否")}, {QStringLiteral("签署领导"), head},
                                         {QStringLiteral("是否转发"), QStringLiteral("否")}, {QStringLiteral("upName"), admin}});
    w.insert(QStringLiteral("GongWenSee"), {{QStringLiteral("fid"), 1}, {QStringLiteral("上一级"), admin}, {QStringLiteral("处理人"), head},
                                            {QStringLiteral("处理IP"), empty()}});
    w.insert(QStringLiteral("KaoQinQingJia"), {{QStringLiteral("类型"), QStringLiteral("事假")}, {QStringLiteral("申请人"), staffNames[2]},
                                               {QStringLiteral("开始日期"), now.addDays(1)}, {QStringLiteral("结束日期"), now.addDays(1)},
                                               {QStringLiteral("请假天数"), 1.0}, {QStringLiteral("申请时间"), now}, {QStringLiteral("审批状态"), QStringLiteral("等待审批")},
                                               {QStringLiteral("审批人"), head}});
    // A personal affair in ten minutes and a duty entry.
    const QDateTime affair = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute())).addSecs(600);
    w.insert(QStringLiteral("CalendarPlan"), {{QStringLiteral("PlanType"), QStringLiteral("个人事务")}, {QStringLiteral("title"), QStringLiteral("家长会")},
                                              {QStringLiteral("planValue"), QStringLiteral("初二级01班家长会，地点：阶梯室")}, {QStringLiteral("planMan"), head},
                                              {QStringLiteral("userName"), head}, {QStringLiteral("curDate"), now.date().toString(QStringLiteral("yyyy-M-d"))},
                                              {QStringLiteral("beginTime"), affair.toString(QStringLiteral("hh:mm"))}, {QStringLiteral("begindatetime"), affair},
                                              {QStringLiteral("PlanOver"), QStringLiteral("未完成")}});
    // Today's lessons for the head teacher.
    const QStringList weekdays = {QStringLiteral("星期日"), QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
                                  QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六")};
    for (int d = 0; d < 7; ++d)
        for (int p = 0; p < 3; ++p)
            w.insert(QStringLiteral("kechengbiao"), {{QStringLiteral("学期"), kYears[1]}, {QStringLiteral("年级"), kGrades[1]}, {QStringLiteral("班别"), cls(1 + p)},
                                                     {QStringLiteral("星期"), weekdays[d]}, {QStringLiteral("节次"), QStringList{QStringLiteral("第一节"), QStringLiteral("第三节"), QStringLiteral("第五节")}[p]},
                                                     {QStringLiteral("自录科目"), QStringLiteral("语文")}, {QStringLiteral("导入科目"), QStringLiteral("语文")},
                                                     {QStringLiteral("教师"), head}, {QStringLiteral("upName"), admin}, {QStringLiteral("UpDatetime"), now}});
    // A short conversation between two colleagues, already read.
    for (int i = 0; i < 4; ++i) {
        const int mid = s_.incid(QStringLiteral("AllID"));
        const bool fromAdmin = i % 2 == 0;
        w.insert(QStringLiteral("tongxinMeg"), {{QStringLiteral("Mid"), mid}, {QStringLiteral("发送人"), fromAdmin ? admin : head},
                                                {QStringLiteral("发送人删"), 0}, {QStringLiteral("接收人"), fromAdmin ? head : admin},
                                                {QStringLiteral("接收人读"), 1}, {QStringLiteral("接收人删"), 0},
                                                {QStringLiteral("日期"), now.addSecs(-3600 + i * 60)}, {QStringLiteral("时间"), now.addSecs(-3600 + i * 60)},
                                                {QStringLiteral("内容"), QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs20 %1\\par}")
                                                                              .arg(fromAdmin ? QStringLiteral("\\u25104?\\u32489?\\u24405?\\u20837?\\u22909?\\u20102?\\u21527?")
                                                                                             : QStringLiteral("\\u24050?\\u32463?\\u23436?\\u25104?"))}});
    }
    tx.commit();
}

}  // namespace oa
