#include "registrar/imports/ImportPipeline.h"

#include "common/sheets/SheetReader.h"
#include "registrar/imports/ImportText.h"

#include <QFileInfo>

namespace oa {

namespace {

bool blankSheet(const Sheet& sheet)
{
    for (int r = 0; r < sheet.rowCount(); ++r)
        for (int c = 0; c < sheet.columnCount(); ++c)
            if (!sheet.cell(r, c).trimmed().isEmpty()) return false;
    return true;
}

// The reader names the file in its messages; say which file when a message does not.
QString aboutFile(const QString& path, const QString& why)
{
    const QString name = QFileInfo(path).fileName();
    if (why.contains(name)) return why;
    return QStringLiteral("不能读取文件“%1”：%2").arg(name, why);
}

}  // namespace

ImportTab::ImportTab(Session& s, Prompter& p, const Clock& clock, int gridRows)
    : s_(s), p_(p), clock_(clock), grid_(gridRows, 50)
{
}

QString ImportTab::fileFilter() { return SheetReader::openFileFilter(); }

void ImportTab::beginLoad()
{
    setSaveEnabled(false);
    grid_.clear();
    dataRows_ = 0;
    path_.clear();
    obs_->gridChanged();
}

ImportOutcome ImportTab::browse()
{
    beginLoad();
    const QString path = p_.openFile(QStringLiteral("打开"), fileFilter());
    if (path.isEmpty()) {
        ImportOutcome out;
        out.cancelled = true;
        return out;
    }
    return loadFile(path);
}

ImportOutcome ImportTab::loadFile(const QString& path)
{
    beginLoad();
    Sheet sheet;
    try {
        sheet = SheetReader::read(path);
    } catch (const SheetError& e) {
        ImportOutcome out;
        out.message = aboutFile(path, e.message());
        showError(out.message);
        return out;
    }
    return loadSheet(sheet, path);
}

ImportOutcome ImportTab::loadSheet(const Sheet& sheet, const QString& path)
{
    beginLoad();
    ImportOutcome out;
    if (blankSheet(sheet)) {
        out.message = QStringLiteral("文件“%1”是空的：第一个工作表中没有数据").arg(QFileInfo(path).fileName());
        showError(out.message);
        return out;
    }
    path_ = path;
    // The header row decides how many columns are read; the first empty cell in column 1 ends the sheet.
    int columns = 0;
    while (!sheet.cell(0, columns).trimmed().isEmpty()) ++columns;
    int rows = 0;
    while (rows < sheet.rowCount() && !sheet.cell(rows, 0).isEmpty()) ++rows;
    if (rows > 0) {
        // Size the grid first, so a view never sees it grow while the rows come in.
        grid_.setCell(rows - 1, columns, QString());
        obs_->gridChanged();
    }
    for (int r = 0; r < rows; ++r) {
        grid_.setCell(r, 0, ordinal(r + 1));
        for (int c = 0; c < columns; ++c) grid_.setCell(r, c + 1, sheet.cell(r, c));
        obs_->progressStep();
    }
    dataRows_ = std::max(0, rows - 1);
    obs_->gridChanged();
    obs_->progressReset();
    out.ok = true;
    out.rows = dataRows_;
    out.message = loadedMessage(dataRows_);
    showMessage(out.message);
    return out;
}

void ImportTab::setSaveEnabled(bool on)
{
    if (saveEnabled_ == on) return;
    saveEnabled_ = on;
    obs_->saveEnabledChanged(on);
}

void ImportTab::resetResults(const QStringList& lines)
{
    results_ = lines;
    obs_->resultsReset(lines);
}

ImportOutcome ImportTab::finishCheck(int rows, int problems, const QString& tail)
{
    obs_->progressReset();
    ImportOutcome out;
    out.rows = rows;
    out.problems = problems;
    out.ok = problems == 0;
    out.message = QStringLiteral("一共") + QString::number(rows) + QStringLiteral("条记录，数据检查完毕,发现  ") +
                  QString::number(problems) + QStringLiteral("个数据有问题") + tail;
    showMessage(out.message);
    if (problems == 0) setSaveEnabled(true);
    return out;
}

void ImportTab::addResult(const QString& line)
{
    results_.append(line);
    obs_->resultAdded(line);
}

std::optional<ImportTab::RowFailure> ImportTab::saveRows(int rows, const std::function<void(int, int)>& saveRow,
                                                        const std::function<void(int)>& afterRow)
{
    constexpr int kAll = std::numeric_limits<int>::max();
    int r = 1;
    while (r <= rows) {
        const int chunkStart = r;
        try {
            Transaction tx(s_);
            for (; r <= rows && r < chunkStart + kSaveChunk; ++r) {
                try {
                    saveRow(r, kAll);
                } catch (const DbError& e) {
                    throw RowFailure{r, 0, e.message()};
                }
                afterRow(r);
            }
            tx.commit();
        } catch (const RowFailure& failure) {
            // The chunk was rolled back: write again what a row-by-row save would have kept.
            try {
                Transaction tx(s_);
                for (int q = chunkStart; q < failure.row; ++q) saveRow(q, kAll);
                if (failure.column > 0) saveRow(failure.row, failure.column);
                tx.commit();
            } catch (const RowFailure& again) {
                return again;
            } catch (const DbError& e) {
                return RowFailure{chunkStart, 0, e.message()};
            }
            return failure;
        } catch (const DbError& e) {
            // The commit itself failed: nothing of this chunk is saved.
            return RowFailure{chunkStart, 0, e.message()};
        }
    }
    return std::nullopt;
}

// ---- review ------------------------------------------------------------------------------------------

QStringList BatchReview::refreshBatches()
{
    const QString sql = kind_ == Kind::Roster
        ? QStringLiteral("SELECT avg(id) as xuhao,upname FROM students where upname like '文件:%' group by upname order by xuhao desc")
        : QStringLiteral("SELECT avg(id) as xuhao,upname FROM stuscore where upname like '文件:%' group by upname order by xuhao desc");
    batches_.clear();
    Statement st = s_.exec(sql);
    const int limit = batchLimit(kind_);
    while (batches_.size() < limit && st.next()) batches_ << st.value(1).toString();
    return batches_;
}

void BatchReview::choose(const QString& name)
{
    if (open_ && name == shown_) return;
    open_ = false;
    shown_.clear();
    rows_.clear();
}

bool BatchReview::find(const QString& name)
{
    choose(QString());
    // An empty name would show (and let delete) rows that no import wrote.
    if (name.isEmpty()) {
        p_.error(QStringLiteral("还没选择上传文件名 ，请重新输入"));
        return false;
    }
    if (kind_ == Kind::Roster)
        rows_ = s_.rows(QStringLiteral("SELECT * FROM students where upName=:upName order by class,number"),
                        {{QStringLiteral("upName"), name}});
    else
        rows_ = s_.rows(QStringLiteral("SELECT * FROM stuscore where upName like :upName order by class,number"),
                        {{QStringLiteral("upName"), name + QLatin1Char('%')}});
    open_ = true;
    shown_ = name;
    return true;
}

bool BatchReview::deleteShown()
{
    if (!open_) {
        p_.error(QStringLiteral("请先查询数据！"));
        return false;
    }
    if (!p_.question(QStringLiteral("提示"), QStringLiteral("你确定删除数据吗吗？？？"))) return false;
    const QString name = shown_;
    if (kind_ == Kind::Roster) {
        Statement del(s_, QStringLiteral("delete from students where id=:id"));
        for (const QSqlRecord& r : rows_) del.bind(QStringLiteral("id"), r.value(QStringLiteral("id"))).exec();
    } else {
        s_.exec(QStringLiteral("delete FROM stuscore where upName like :upName"),
                {{QStringLiteral("upName"), name + QLatin1Char('%')}});
    }
    find(name);
    refreshBatches();
    return true;
}

QList<QPair<QString, QString>> BatchReview::gridColumns(Kind kind)
{
    auto c = [](const char* f, const char* caption) { return qMakePair(QString::fromUtf8(f), QString::fromUtf8(caption)); };
    if (kind == Kind::Scores)
        return {c("Years", "学期"), c("grade", "级别"), c("class", "班别"), c("Number", "学号"), c("score", "分数"),
                c("Uname", "姓名"), c("TestName", "考试名名称"), c("subject", "科目"), c("jifen", "是否计分")};
    return {c("Years", "学期"), c("grade", "级别"), c("tongyibianhao", "学籍号"), c("class", "班别"), c("Number", "学号"),
            c("Uname", "姓名"), c("jifen", "是否记分"), c("sex", "性别"), c("shishihao", "试室号"), c("zuoweihao", "座位号"),
            c("jiazhangxingming", "家长姓名"), c("jiatingdizhi", "家庭地址"), c("birthday", "出生年月"),
            c("hujiszd", "户籍所在地"), c("hujitype", "户籍类型"), c("hujixingzhi", "户籍性质"), c("xslaiyuan", "学生来源"),
            c("xsquxiang", "学生去向"), c("OldSchool", "毕业学校"), c("minzu", "民族"), c("zhengzhi", "政治面貌"),
            c("jiudufangshi", "就读方式"), c("jiankang", "健康"), c("studentType", "学生类型"), c("hukou", "户口"),
            c("mailNo", "邮编"), c("phoneNo", "电话"), c("techang", "特长"), c("memo", "备注")};
}

}  // namespace oa
