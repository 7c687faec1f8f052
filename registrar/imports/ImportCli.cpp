#include "registrar/imports/ImportCli.h"

#include "common/db/HeadlessOpen.h"
#include "registrar/imports/RosterImport.h"
#include "registrar/imports/ScoreImport.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace oa {

namespace {

// Messages go where a person at a terminal reads them: errors to stderr, the rest to stdout. The
// confirmation is given by --save itself.
class CliPrompter : public Prompter {
public:
    CliPrompter(QTextStream& out, QTextStream& err) : out_(out), err_(err) {}
    void message(const QString& caption, const QString& text, Icon icon) override
    {
        if (icon == Icon::Error) err_ << (caption.isEmpty() ? QString() : caption + QStringLiteral("：")) << text << Qt::endl;
        else out_ << text << Qt::endl;
    }
    bool question(const QString&, const QString& text) override
    {
        out_ << text << QStringLiteral(" [是]") << Qt::endl;
        return true;
    }
    std::optional<QString> input(const QString&, const QString&, const QString& initial, bool) override { return initial; }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QString folder(const QString&) override { return {}; }

private:
    QTextStream& out_;
    QTextStream& err_;
};

// The result list, printed as it grows.
class CliObserver : public ImportObserver {
public:
    explicit CliObserver(QTextStream& out) : out_(out) {}
    void resultsReset(const QStringList& lines) override
    {
        for (const QString& l : lines) out_ << l << Qt::endl;
    }
    void resultAdded(const QString& line) override { out_ << line << Qt::endl; }

private:
    QTextStream& out_;
};

const char* const kUsage =
    "用法：registrar --database URL --import roster|A|B|C|D|E|F --year 学年度 [--exam 考试名称] [--grade 级别]\n"
    "                [--skip-number] [--skip-name] [--save] 文件\n"
    "  roster  学生资料导入\n"
    "  A  按【班别】【学号】【姓名】导入成绩    B  按【学号】【姓名】导入成绩（需要 --grade）\n"
    "  C  按【学籍号】【姓名】导入成绩          D  按【学籍号】导入成绩\n"
    "  E  按【考号】【姓名】导入成绩            F  按【班别】【姓名】导入成绩\n"
    "检查表格；有 --save 并且检查没有发现问题时保存。退出码：0 完成，1 检查发现问题，2 参数、数据库或文件错误，3 保存失败。\n";

std::unique_ptr<Session> openDatabase(const QCommandLineParser& p, QTextStream& err)
{
    return openHeadless({p.value(QStringLiteral("database")), p.value(QStringLiteral("settings")), std::nullopt, false}, err);
}

bool chosen(const QString& what, const QString& value, const QStringList& list, QTextStream& err)
{
    if (list.contains(value)) return true;
    err << what << "“" << value << "”不在系统列表中：" << list.join(QStringLiteral("、")) << Qt::endl;
    return false;
}

}  // namespace

bool isImportCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--import")); }

int runImportCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser p;
    p.addOptions({{QStringLiteral("database"), QStringLiteral("数据库"), QStringLiteral("URL")},
                  {QStringLiteral("settings"), QStringLiteral("连接设置文件"), QStringLiteral("FILE")},
                  {QStringLiteral("import"), QStringLiteral("导入的种类"), QStringLiteral("KIND")},
                  {QStringLiteral("year"), QStringLiteral("学年度"), QStringLiteral("Y")},
                  {QStringLiteral("exam"), QStringLiteral("考试名称"), QStringLiteral("E")},
                  {QStringLiteral("grade"), QStringLiteral("级别"), QStringLiteral("G")},
                  {QStringLiteral("skip-number"), QStringLiteral("不检查【学号】字段")},
                  {QStringLiteral("skip-name"), QStringLiteral("不检查【姓名】字段")},
                  {QStringLiteral("save"), QStringLiteral("检查没有问题时保存")}});
    auto usage = [&](const QString& why) {
        if (!why.isEmpty()) err << why << Qt::endl;
        err << QString::fromUtf8(kUsage);
        return 2;
    };
    if (!p.parse(arguments)) return usage(p.errorText());
    if (p.positionalArguments().size() != 1) return usage(QStringLiteral("需要一个表格文件"));
    const QString file = p.positionalArguments().first();
    const QString kind = p.value(QStringLiteral("import"));
    const QString year = p.value(QStringLiteral("year"));
    if (year.isEmpty()) return usage(QStringLiteral("需要 --year"));
    const bool roster = kind.compare(QStringLiteral("roster"), Qt::CaseInsensitive) == 0;
    const std::optional<ScoreLayout> layout = roster ? std::nullopt : scoreLayoutFromLetter(kind);
    if (!roster && !layout) return usage(QStringLiteral("--import 必须是 roster、A、B、C、D、E 或 F"));
    if (layout) {
        const ScoreLayoutInfo& info = scoreLayoutInfo(*layout);
        if (p.isSet(QStringLiteral("skip-number")) && !info.numberOption)
            return usage(info.command + QStringLiteral("没有“不检查【学号】字段”"));
        if (p.isSet(QStringLiteral("skip-name")) && !info.nameOption)
            return usage(info.command + QStringLiteral("没有“不检查【姓名】字段”"));
        if (info.usesGrade && !p.isSet(QStringLiteral("grade"))) return usage(info.command + QStringLiteral("需要 --grade"));
    }
    const bool saving = p.isSet(QStringLiteral("save"));

    std::unique_ptr<Session> s = openDatabase(p, err);
    if (!s) return 2;
    CliPrompter prompter(out, err);
    CliObserver observer(out);
    Clock clock;
    try {
        if (roster) {
            RosterImport tab(*s, prompter, clock);
            tab.setObserver(&observer);
            if (!chosen(QStringLiteral("学年度"), year, tab.years(), err)) return 2;
            if (!tab.loadFile(file).ok) return 2;
            if (!tab.check().ok) return 1;
            if (!saving) return 0;
            const ImportOutcome saved = tab.save(year);
            if (!saved.ok) return 3;
            out << "批次：" << saved.batch << Qt::endl;
            return 0;
        }
        ScoreImport tab(*s, prompter, clock, *layout);
        tab.setObserver(&observer);
        if (!chosen(QStringLiteral("学年度"), year, tab.years(), err)) return 2;
        tab.setYear(year);
        const QString exam = p.isSet(QStringLiteral("exam")) ? p.value(QStringLiteral("exam")) : tab.currentExam();
        if (!chosen(QStringLiteral("考试名称"), exam, tab.exams(), err)) return 2;
        tab.setExam(exam);
        if (tab.info().usesGrade) {
            if (!chosen(QStringLiteral("级别"), p.value(QStringLiteral("grade")), tab.grades(), err)) return 2;
            tab.setGrade(p.value(QStringLiteral("grade")));
        }
        tab.setSkipNumber(p.isSet(QStringLiteral("skip-number")));
        tab.setSkipName(p.isSet(QStringLiteral("skip-name")));
        if (!tab.loadFile(file).ok) return 2;
        if (!tab.check().ok) return 1;
        if (!saving) return 0;
        const ImportOutcome saved = tab.save();
        if (!saved.ok) return 3;
        out << "批次：" << saved.batch << Qt::endl;
        return 0;
    } catch (const DbError& e) {
        err << "数据库错误：" << e.message() << Qt::endl;
        return saving ? 3 : 2;
    }
}

}  // namespace oa
