// The import budgets: a 5,000-row roster loaded into the grid (.xlsx and .xls), checked and saved; an
// 8,000-student × 10-subject score sheet checked and saved into a school that already holds an earlier exam.
// SQLite always; PostgreSQL when OA_TEST_PG_URL is set.
#include "TestDb.h"

#include "common/sheets/SheetReader.h"
#include "common/sheets/SheetWriter.h"
#include "registrar/imports/RosterImport.h"
#include "registrar/imports/ScoreImport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace oa;
using namespace oa::test;

namespace {

const QString kYear = QStringLiteral("2026-2027");
const QStringList kSubjects = {QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("物理"),
                               QStringLiteral("化学"), QStringLiteral("政治"), QStringLiteral("历史"), QStringLiteral("地理"),
                               QStringLiteral("生物"), QStringLiteral("体育")};
const QStringList kGrades = {QStringLiteral("初一级"), QStringLiteral("初二级"), QStringLiteral("初三级"), QStringLiteral("高一级")};

QString className(int c) { return QStringLiteral("%1班").arg(c, 2, 10, QLatin1Char('0')); }

void setList(Session& s, const QString& key, const QStringList& values)
{
    s.exec(QStringLiteral("delete from varset where name=:n"), {{QStringLiteral("n"), key}});
    Statement ins(s, QStringLiteral("insert into varset(name,vid,vname,vname1,shuoming) values(:n,:v,:x,'','')"));
    for (int i = 0; i < values.size(); ++i)
        ins.bind(QStringLiteral("n"), key).bind(QStringLiteral("v"), i + 1).bind(QStringLiteral("x"), values[i]).exec();
}

void fillLists(Session& s)
{
    QStringList classes;
    for (int c = 1; c <= 40; ++c) classes << className(c);
    setList(s, QStringLiteral("xueqi"), {kYear});
    setList(s, QStringLiteral("nowxueqi"), {kYear});
    setList(s, QStringLiteral("grade"), kGrades);
    setList(s, QStringLiteral("class"), classes);
    setList(s, QStringLiteral("subject"), kSubjects);
    setList(s, QStringLiteral("TestName"), {QStringLiteral("期中考试"), QStringLiteral("期末考试")});
    setList(s, QStringLiteral("nowtestname"), {QStringLiteral("期末考试")});
}

// Student i: grade i / 2000, class (i / 50) % 40, number i % 50 + 1.
struct Who {
    QString grade, cls, name;
    int number;
};
Who student(int i)
{
    return {kGrades[(i / 2000) % kGrades.size()], className((i / 50) % 40 + 1), QStringLiteral("学生%1").arg(i), i % 50 + 1};
}

QList<QStringList> rosterRows(int n)
{
    QList<QStringList> rows{{QStringLiteral("级别"), QStringLiteral("班别"), QStringLiteral("学号"), QStringLiteral("姓名"),
                             QStringLiteral("学籍号"), QStringLiteral("性别"), QStringLiteral("出生日期"), QStringLiteral("家长姓名"),
                             QStringLiteral("家庭地址"), QStringLiteral("电话"), QStringLiteral("民族"), QStringLiteral("身份证号码")}};
    for (int i = 0; i < n; ++i) {
        const Who w = student(i);
        rows << QStringList{w.grade, w.cls, QString::number(w.number), w.name, QStringLiteral("G%1").arg(100000 + i),
                            i % 2 ? QStringLiteral("男") : QStringLiteral("女"), QStringLiteral("2012-%1-%2").arg(i % 12 + 1).arg(i % 28 + 1),
                            QStringLiteral("家长%1").arg(i), QStringLiteral("城南路%1号").arg(i), QStringLiteral("8862%1").arg(i),
                            QStringLiteral("汉族"), QStringLiteral("4401062012%1").arg(i, 8, 10, QLatin1Char('0'))};
    }
    return rows;
}

struct Files {
    QTemporaryDir dir;
    QString xlsx, xls, xlsError;
    Files()
    {
        const QList<QStringList> rows = rosterRows(5000);
        xlsx = dir.filePath(QStringLiteral("roster5000.xlsx"));
        SheetWriter w;
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c) {
                bool number = false;
                const double v = rows[r][c].toDouble(&number);
                if (number && c == 2) w.setCell(r, c, v);
                else w.setCell(r, c, rows[r][c]);
            }
        w.save(xlsx);
        // The legacy format, written by the reference writer.
        const QString csv = dir.filePath(QStringLiteral("roster.tsv"));
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        for (const QStringList& r : rows) f.write(r.join(QLatin1Char('\t')).toUtf8() + "\n");
        f.close();
        xls = dir.filePath(QStringLiteral("roster5000.xls"));
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, xlwt\n"
                                 "wb = xlwt.Workbook(); ws = wb.add_sheet('Sheet1')\n"
                                 "for i, line in enumerate(open(sys.argv[1], encoding='utf-8')):\n"
                                 "    for j, v in enumerate(line.rstrip('\\n').split('\\t')):\n"
                                 "        ws.write(i, j, int(v) if j == 2 and v.isdigit() else v)\n"
                                 "wb.save(sys.argv[2])\n"),
                  csv, xls});
        if (!py.waitForFinished(120000) || py.exitCode() != 0) xlsError = QString::fromUtf8(py.readAllStandardError());
    }
};

Files& files()
{
    static Files f;
    return f;
}

bool needsPg(benchmark::State& state, Engine e)
{
    if (e == Engine::PostgreSQL && pgUrl().isEmpty()) {
        state.SkipWithError("OA_TEST_PG_URL is not set");
        return true;
    }
    return false;
}

void rosterLoad(benchmark::State& state, bool xls)
{
    Files& f = files();
    if (xls && !f.xlsError.isEmpty()) {
        state.SkipWithError(("cannot write the .xls: " + f.xlsError).toStdString().c_str());
        return;
    }
    SchoolDatabase db(Engine::SQLite);
    fillLists(db.session());
    ScriptedPrompter prompter;
    Clock clock;
    RosterImport tab(db.session(), prompter, clock);
    for (auto _ : state) {
        const ImportOutcome out = tab.loadFile(xls ? f.xls : f.xlsx);
        if (out.rows != 5000) state.SkipWithError("the roster did not load");
    }
    state.counters["rows"] = 5000;
}

void rosterCheckSave(benchmark::State& state, Engine e)
{
    if (needsPg(state, e)) return;
    SchoolDatabase db(e);
    fillLists(db.session());
    ScriptedPrompter prompter;
    Clock clock;
    RosterImport tab(db.session(), prompter, clock);
    tab.loadFile(files().xlsx);
    for (auto _ : state) {
        state.PauseTiming();
        db.session().execRaw(QStringLiteral("delete from students"));
        prompter.answer(true);
        state.ResumeTiming();
        if (!tab.check().ok) state.SkipWithError("the check found problems");
        if (!tab.save(kYear).ok) state.SkipWithError("the save failed");
    }
    state.counters["rows"] = 5000;
}

// 8,000 students on the roll with an earlier exam's 80,000 scores; the sheet brings the later exam.
void scoreCheckSave(benchmark::State& state, Engine e)
{
    if (needsPg(state, e)) return;
    constexpr int kStudents = 8000;
    SchoolDatabase db(e);
    Session& s = db.session();
    fillLists(s);
    {
        Transaction tx(s);
        Statement st(s, QStringLiteral("insert into students(Years,grade,class,Number,Uname,tongyibianhao,sex,jifen,是否离校) "
                                       "values(:y,:g,:c,:n,:u,:t,'男','是','')"));
        Statement sc(s, QStringLiteral("insert into stuscore(Years,grade,class,Number,Uname,TestName,subject,score,iorder,upname) "
                                       "values(:y,:g,:c,:n,:u,'期中考试',:sub,80,1,'文件:期中.xls')"));
        for (int i = 0; i < kStudents; ++i) {
            const Who w = student(i);
            st.bind({{QStringLiteral("y"), kYear}, {QStringLiteral("g"), w.grade}, {QStringLiteral("c"), w.cls},
                     {QStringLiteral("n"), w.number}, {QStringLiteral("u"), w.name}, {QStringLiteral("t"), QStringLiteral("G%1").arg(i)}})
                .exec();
            for (const QString& sub : kSubjects)
                sc.bind({{QStringLiteral("y"), kYear}, {QStringLiteral("g"), w.grade}, {QStringLiteral("c"), w.cls},
                         {QStringLiteral("n"), w.number}, {QStringLiteral("u"), w.name}, {QStringLiteral("sub"), sub}})
                    .exec();
        }
        tx.commit();
    }
    Sheet sheet;
    sheet.rows << QStringList{QStringLiteral("级别"), QStringLiteral("班别"), QStringLiteral("学号"), QStringLiteral("姓名")} + kSubjects;
    for (int i = 0; i < kStudents; ++i) {
        const Who w = student(i);
        QStringList row{w.grade, w.cls, QString::number(w.number), w.name};
        for (int k = 0; k < kSubjects.size(); ++k) row << QString::number((i * 7 + k * 13) % 101);
        sheet.rows << row;
    }
    ScriptedPrompter prompter;
    Clock clock;
    ScoreImport tab(s, prompter, clock, ScoreLayout::A);
    tab.setExam(QStringLiteral("期末考试"));
    tab.loadSheet(sheet, QStringLiteral("期末成绩.xlsx"));
    for (auto _ : state) {
        state.PauseTiming();
        s.execRaw(QStringLiteral("delete from stuscore where TestName='期末考试'"));
        prompter.answer(true);
        state.ResumeTiming();
        if (!tab.check().ok) state.SkipWithError("the check found problems");
        if (!tab.save().ok) state.SkipWithError("the save failed");
    }
    state.counters["scores"] = kStudents * kSubjects.size();
}

void BM_RosterLoad_Xlsx(benchmark::State& state) { rosterLoad(state, false); }
void BM_RosterLoad_Xls(benchmark::State& state) { rosterLoad(state, true); }
void BM_RosterCheckSave_SQLite(benchmark::State& state) { rosterCheckSave(state, Engine::SQLite); }
void BM_RosterCheckSave_PostgreSQL(benchmark::State& state) { rosterCheckSave(state, Engine::PostgreSQL); }
void BM_ScoreCheckSave_SQLite(benchmark::State& state) { scoreCheckSave(state, Engine::SQLite); }
void BM_ScoreCheckSave_PostgreSQL(benchmark::State& state) { scoreCheckSave(state, Engine::PostgreSQL); }

}  // namespace

// Budgets: load < 0.5 s (.xlsx); roster check + save < 2 s (SQLite); scores < 10 s (SQLite), < 30 s (PostgreSQL).
BENCHMARK(BM_RosterLoad_Xlsx)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RosterLoad_Xls)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RosterCheckSave_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RosterCheckSave_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScoreCheckSave_SQLite)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ScoreCheckSave_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(2);
