#pragma once
// A small school for the import tests: the configuration lists the imports read, a few students, and helpers
// that build tiny sheets in memory or on disk.
#include "TestDb.h"

#include "common/platform/Machine.h"
#include "common/sheets/SheetReader.h"
#include "common/ui/Prompter.h"
#include "registrar/imports/ImportPipeline.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace oa::import_test {

inline QString e() { return QString::fromLatin1("", 0); }
inline const QString kYear = QStringLiteral("2026-2027");
inline const QString kExam = QStringLiteral("期中考试");
// The workstation clock of every test save.
inline const QDateTime kNow(QDate(2026, 9, 8), QTime(14, 5, 9));
inline const QString kStamp = QStringLiteral("2026-9-8 14:05:09");

inline void setList(Session& s, const QString& key, const QStringList& values, const QStringList& shuoming = {})
{
    s.exec(QStringLiteral("delete from varset where name=:name"), {{QStringLiteral("name"), key}});
    for (int i = 0; i < values.size(); ++i)
        s.exec(QStringLiteral("insert into varset(name,vid,vname,vname1,shuoming) values(:name,:vid,:vname,:vname1,:sm)"),
               {{QStringLiteral("name"), key}, {QStringLiteral("vid"), i + 1}, {QStringLiteral("vname"), values[i]},
                {QStringLiteral("vname1"), e()}, {QStringLiteral("sm"), i < shuoming.size() ? shuoming[i] : e()}});
}

// The lists every import form fills at start-up.
inline void fillLists(Session& s)
{
    setList(s, QStringLiteral("xueqi"), {QStringLiteral("2025-2026"), kYear});
    setList(s, QStringLiteral("nowxueqi"), {kYear});
    setList(s, QStringLiteral("TestName"), {kExam, QStringLiteral("期末考试"), QStringLiteral("O'Neil杯")});
    setList(s, QStringLiteral("nowtestname"), {kExam});
    setList(s, QStringLiteral("grade"), {QStringLiteral("初一级"), QStringLiteral("初二级")});
    setList(s, QStringLiteral("class"), {QStringLiteral("01班"), QStringLiteral("02班"), QStringLiteral("03班")});
    setList(s, QStringLiteral("subject"), {QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("数学开卷"), QStringLiteral("英语")},
            {QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("数学"), QStringLiteral("英语")});
}

struct Kid {
    QString grade, cls;
    int number;
    QString name, tyb, kaohao, sex, jifen;
    QString years = kYear;
};

inline void addStudent(Session& s, const Kid& k)
{
    s.exec(QStringLiteral("insert into students(Years,grade,class,Number,Uname,tongyibianhao,kaohao,sex,jifen,是否离校) "
                          "values(:y,:g,:c,:n,:u,:t,:k,:sex,:j,'')"),
           {{QStringLiteral("y"), k.years}, {QStringLiteral("g"), k.grade}, {QStringLiteral("c"), k.cls},
            {QStringLiteral("n"), k.number}, {QStringLiteral("u"), k.name}, {QStringLiteral("t"), k.tyb},
            {QStringLiteral("k"), k.kaohao}, {QStringLiteral("sex"), k.sex.isNull() ? e() : k.sex},
            {QStringLiteral("j"), k.jifen.isNull() ? QStringLiteral("是") : k.jifen}});
}

// Three students of 初一级: two in 01班, one in 02班.
inline const QList<Kid>& kids()
{
    static const QList<Kid> k = {
        {QStringLiteral("初一级"), QStringLiteral("01班"), 1, QStringLiteral("陈一"), QStringLiteral("T001"), QStringLiteral("K101"), QStringLiteral("男"), QStringLiteral("是")},
        {QStringLiteral("初一级"), QStringLiteral("01班"), 2, QStringLiteral("李二"), QStringLiteral("T002"), QStringLiteral("K102"), QStringLiteral("女"), QStringLiteral("否")},
        {QStringLiteral("初一级"), QStringLiteral("02班"), 1, QStringLiteral("黄三"), QStringLiteral("T003"), QStringLiteral("K201"), QStringLiteral("男"), QStringLiteral("是")},
    };
    return k;
}

inline Sheet sheetOf(const QList<QStringList>& rows)
{
    Sheet s;
    s.rows = rows;
    return s;
}

// Writes rows as a UTF-8 CSV file, which every reader understands.
inline QString writeCsv(const QTemporaryDir& dir, const QString& name, const QList<QStringList>& rows)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    for (const QStringList& r : rows) f.write(r.join(QLatin1Char(',')).toUtf8() + "\r\n");
    return path;
}

// Records what a window would see.
struct RecordingObserver : ImportObserver {
    int maximum = -1, steps = 0, resets = 0, gridChanges = 0;
    QStringList lines;
    QList<bool> saveStates;
    void progressMaximum(int m) override { maximum = m; }
    void progressStep() override { ++steps; }
    void progressReset() override { ++resets; }
    void resultsReset(const QStringList& l) override { lines = l; }
    void resultAdded(const QString& l) override { lines << l; }
    void saveEnabledChanged(bool on) override { saveStates << on; }
    void gridChanged() override { ++gridChanges; }
};

inline int count(Session& s, const QString& sql, const Params& p = {}) { return s.scalar(sql, p).toInt(); }

}  // namespace oa::import_test
