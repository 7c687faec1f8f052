#include "registrar/imports/ScoreImport.h"

#include "common/db/MultiRowInsert.h"

#include "common/config/VarSet.h"
#include "registrar/imports/ImportText.h"

#include <QSet>
#include <limits>

namespace oa {

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

const QList<ScoreLayoutInfo>& layouts()
{
    static const QList<ScoreLayoutInfo> all = {
        {ScoreLayout::A, QLatin1Char('A'), u("按【班别】【学号】【姓名】导入成绩"), u("TFInputScore"),
         u("按【级别班别学号姓名】导入成绩"), u("班别学号姓名成绩表样板"), {u("级别"), u("班别"), u("学号"), u("姓名")}, 5,
         true, true, 4, false},
        {ScoreLayout::B, QLatin1Char('B'), u("按【学号】【姓名】导入成绩"), u("TFInputScore"), u("按【学号姓名】导入成绩"),
         u("按 学号姓名成绩样板"), {u("学号"), u("姓名")}, 3, false, false, 2, true},
        {ScoreLayout::C, QLatin1Char('C'), u("按【学籍号】【姓名】导入成绩"), u("TFInputTongBianHaoScore"),
         u("按【学籍号】【姓名】导入成绩"), u("按【学籍号】和【姓名】导入成绩"), {u("学籍号"), u("姓名")}, 3, false, true, 2, false},
        {ScoreLayout::D, QLatin1Char('D'), u("按【学籍号】导入成绩"), u("TFInputTongBianHaoScore"), u("按【学籍号】导入成绩"),
         u("按【学籍号】导入成绩"), {u("学籍号")}, 2, false, false, 0, false},
        {ScoreLayout::E, QLatin1Char('E'), u("按【考号】【姓名】导入成绩"), u("TFormInputKaoHaoScore"),
         u("按【考号】【姓名】导入成绩"), u("按【考号】导入成绩"), {u("级别"), u("考号"), u("姓名")}, 4, false, true, 3, false},
        {ScoreLayout::F, QLatin1Char('F'), u("按【班别】【姓名】导入成绩"), u("TFormInputKaoHaoScore"),
         u("按【班别】【姓名】导入成绩"), u("按【班别】【姓名】导入成绩"), {u("级别"), u("班别"), u("姓名")}, 4, false, false, 3, false},
    };
    return all;
}

QString text(const QSqlRecord& r, const char* field) { return fieldText(r.value(QString::fromLatin1(field))); }

const QString kInsert = QStringLiteral(
    "insert into dbo.stuscore (tongyibianhao,Years, grade, class, Number, Uname,jifen, sex,TestName,subject,score,iorder,upname,upIp) "
    "values (:tongyibianhao,:Years,:grade, :class, :Number, :Uname, :jifen,:sex,:TestName,:subject,:score,:iorder,:upname,:upIp)");

constexpr int kWholeRow = std::numeric_limits<int>::max();
// The row's statement was refused; which score it was is found by sending them one by one.
constexpr int kUnknownColumn = -1;

// The duplicate test asks once per row for the subjects this student already has in the exam.
const QString kExisting = QStringLiteral(
    "SELECT subject FROM dbo.stuscore WHERE Years=:Years And grade=:grade and class=:class and number=:number "
    "and uname=:uname and testname=:testname");

}  // namespace

const ScoreLayoutInfo& scoreLayoutInfo(ScoreLayout layout) { return layouts()[int(layout)]; }

std::optional<ScoreLayout> scoreLayoutFromLetter(const QString& letter)
{
    for (const ScoreLayoutInfo& i : layouts())
        if (letter.compare(QString(i.letter), Qt::CaseInsensitive) == 0) return i.layout;
    return std::nullopt;
}

QList<ScoreLayout> allScoreLayouts()
{
    return {ScoreLayout::A, ScoreLayout::B, ScoreLayout::C, ScoreLayout::D, ScoreLayout::E, ScoreLayout::F};
}

ScoreImport::ScoreImport(Session& s, Prompter& p, const Clock& clock, ScoreLayout layout)
    : ImportTab(s, p, clock, 8000), info_(scoreLayoutInfo(layout))
{
    reloadLists();
    year_ = currentYear_;
    exam_ = currentExam_;
}

void ScoreImport::reloadLists()
{
    years_ = VarSet::list(s_, QStringLiteral("xueqi"));
    exams_ = VarSet::list(s_, QStringLiteral("TestName"));
    subjects_ = VarSet::list(s_, QStringLiteral("subject"));
    grades_ = VarSet::list(s_, QStringLiteral("grade"));
    // The current values are preselected only when the list holds them.
    const QString y = VarSet::value(s_, QStringLiteral("nowxueqi")).trimmed();
    currentYear_ = years_.contains(y) ? y : QString();
    const QString e = VarSet::value(s_, QStringLiteral("nowtestname")).trimmed();
    currentExam_ = exams_.contains(e) ? e : QString();
}

void ScoreImport::setYear(const QString& year)
{
    if (year == year_) return;
    year_ = year;
    setSaveEnabled(false);
}

void ScoreImport::setExam(const QString& exam)
{
    if (exam == exam_) return;
    exam_ = exam;
    setSaveEnabled(false);
}

void ScoreImport::setGrade(const QString& grade)
{
    if (grade == grade_) return;
    grade_ = grade;
    setSaveEnabled(false);
}

void ScoreImport::setSkipNumber(bool on)
{
    if (!info_.numberOption) on = false;
    if (on == skipNumber_) return;
    skipNumber_ = on;
    setSaveEnabled(false);
}

void ScoreImport::setSkipName(bool on)
{
    if (!info_.nameOption) on = false;
    if (on == skipName_) return;
    skipName_ = on;
    setSaveEnabled(false);
}

QString ScoreImport::loadedMessage(int rows) const
{
    return QStringLiteral("一共") + QString::number(rows) +
           QStringLiteral("条记录，读完数据，请确保数据中没有空学号等，数据中间不要空着的行和列");
}

QString ScoreImport::lookupSql() const
{
    QString sql;
    switch (info_.layout) {
    case ScoreLayout::A:
        if (info_.numberOption && skipNumber_)
            sql = QStringLiteral("select * from students where Years=:Years and grade=:grade and class=:class and Uname=:Uname");
        else if (info_.nameOption && skipName_)
            sql = QStringLiteral("select * from students where Years=:Years and grade=:grade and class=:class and Number=:Number");
        else
            sql = QStringLiteral("select * from students where Years=:Years and grade=:grade and class=:class and Number=:Number and Uname=:Uname");
        break;
    case ScoreLayout::B:
        sql = QStringLiteral(" select * from students where Years=:Years and grade=:grade and Number=:Number and Uname=:Uname ");
        break;
    case ScoreLayout::C:
        sql = skipName_ ? QStringLiteral("select * from students where Years=:Years and tongyibianhao=:tongyibianhao")
                        : QStringLiteral("select * from students where Years=:Years and tongyibianhao=:tongyibianhao and Uname=:Uname");
        break;
    case ScoreLayout::D:
        sql = QStringLiteral(" select * from students where Years=:Years and tongyibianhao=:tongyibianhao ");
        break;
    case ScoreLayout::E:
        sql = skipName_ ? QStringLiteral("select * from students where Years=:Years and grade=:grade and kaohao=:kaohao")
                        : QStringLiteral("select * from students where Years=:Years and grade=:grade and kaohao=:kaohao and Uname=:Uname");
        break;
    case ScoreLayout::F:
        sql = QStringLiteral("select * from students where Years=:Years and grade=:grade and class=:class and Uname=:Uname");
        break;
    }
    // "The first row found" is the oldest roster row, on every engine.
    return sql + QStringLiteral(" order by id");
}

QList<QSqlRecord> ScoreImport::findStudents(Statement& st, int r)
{
    // Cells are matched as they stand; a number that is not an integer names no student.
    st.bind(QStringLiteral("Years"), ImportText::nonNull(year_));
    switch (info_.layout) {
    case ScoreLayout::A:
        st.bind(QStringLiteral("grade"), ImportText::nonNull(grid_.cell(r, 1)));
        st.bind(QStringLiteral("class"), ImportText::nonNull(grid_.cell(r, 2)));
        if (!skipNumber_) {
            const auto n = ImportText::toInteger(grid_.cell(r, 3));
            if (!n) return {};
            st.bind(QStringLiteral("Number"), *n);
        }
        if (!skipName_) st.bind(QStringLiteral("Uname"), ImportText::nonNull(grid_.cell(r, 4)));
        break;
    case ScoreLayout::B: {
        st.bind(QStringLiteral("grade"), ImportText::nonNull(grade_));
        const auto n = ImportText::toInteger(grid_.cell(r, 1));
        if (!n) return {};
        st.bind(QStringLiteral("Number"), *n);
        st.bind(QStringLiteral("Uname"), ImportText::nonNull(grid_.cell(r, 2)));
        break;
    }
    case ScoreLayout::C:
        st.bind(QStringLiteral("tongyibianhao"), ImportText::nonNull(grid_.cell(r, 1)));
        if (!skipName_) st.bind(QStringLiteral("Uname"), ImportText::nonNull(grid_.cell(r, 2)));
        break;
    case ScoreLayout::D:
        st.bind(QStringLiteral("tongyibianhao"), ImportText::nonNull(grid_.cell(r, 1)));
        break;
    case ScoreLayout::E:
        st.bind(QStringLiteral("grade"), ImportText::nonNull(grid_.cell(r, 1)));
        st.bind(QStringLiteral("kaohao"), ImportText::nonNull(grid_.cell(r, 2)));
        if (!skipName_) st.bind(QStringLiteral("Uname"), ImportText::nonNull(grid_.cell(r, 3)));
        break;
    case ScoreLayout::F:
        st.bind(QStringLiteral("grade"), ImportText::nonNull(grid_.cell(r, 1)));
        st.bind(QStringLiteral("class"), ImportText::nonNull(grid_.cell(r, 2)));
        st.bind(QStringLiteral("Uname"), ImportText::nonNull(grid_.cell(r, 3)));
        break;
    }
    st.exec();
    QList<QSqlRecord> found;
    // Only the first two matter: the first is used, the second tells of a duplicate.
    while (found.size() < 2 && st.next()) found << st.record();
    return found;
}

ScoreImport::Key ScoreImport::duplicateKey(int r, const QList<QSqlRecord>& found) const
{
    Key k;
    const bool any = !found.isEmpty();
    const QSqlRecord first = any ? found.first() : QSqlRecord();
    if (info_.layout == ScoreLayout::A) {
        // The sheet's own cells; a key column the lookup was told to skip comes from the student found,
        // so that skipping it cannot let a score in twice.
        k.grade = grid_.trimmed(r, 1);
        k.cls = grid_.trimmed(r, 2);
        if (skipNumber_ && any) {
            k.number = first.value(QStringLiteral("Number"));
        } else {
            const auto n = ImportText::toInteger(grid_.cell(r, 3));
            if (!n) return k;
            k.number = *n;
        }
        k.uname = skipName_ && any ? text(first, "Uname").trimmed() : grid_.trimmed(r, 4);
        k.valid = true;
        return k;
    }
    if (!any) return k;
    if (info_.layout == ScoreLayout::B) {
        const auto n = ImportText::toInteger(grid_.cell(r, 1));
        if (!n) return k;
        k.grade = grade_.trimmed();
        k.cls = text(first, "class").trimmed();
        k.number = *n;
        k.uname = grid_.trimmed(r, 2);
    } else {
        k.grade = text(first, "grade").trimmed();
        k.cls = text(first, "class").trimmed();
        k.number = first.value(QStringLiteral("Number"));
        k.uname = text(first, "Uname").trimmed();
    }
    k.valid = true;
    return k;
}

QString ScoreImport::cells1to4(int r) const
{
    return grid_.cell(r, 1) + grid_.cell(r, 2) + grid_.cell(r, 3) + grid_.cell(r, 4);
}

ImportOutcome ScoreImport::check()
{
    ImportOutcome out;
    auto stop = [&](const QString& message, bool error = true) {
        out.message = message;
        if (error) showError(message);
        else showMessage(message);
        return out;
    };
    if (bothSkipped()) return stop(QStringLiteral("【学号】 和【姓名】不能同时忽略！"));
    obs_->progressMaximum(dataRows_);
    setSaveEnabled(false);

    for (int k = 0; k < info_.headers.size(); ++k)
        if (grid_.trimmed(0, k + 1) != info_.headers[k])
            return stop(QStringLiteral("第一行第%1列必须为  ").arg(k + 1) + info_.headers[k]);
    const int lastColumn = grid_.lastHeaderColumn(info_.firstSubjectColumn);
    const QString subjectText = subjects_.join(QLatin1Char('\n'));
    for (int c = info_.firstSubjectColumn; c <= lastColumn; ++c)
        if (!subjectText.contains(grid_.trimmed(0, c)))
            return stop(grid_.trimmed(0, c) + QStringLiteral("   不是系统设定的  科目"));
    if (year_.isEmpty()) {
        out.focus = ImportOutcome::YearList;
        return stop(QStringLiteral("检查前请输入学期"), false);
    }
    if (exam_.trimmed().isEmpty()) {
        out.focus = ImportOutcome::ExamList;
        return stop(QStringLiteral("还没有选择考试名称，请重新输入"));
    }

    resetResults();
    int problems = 0;
    Statement lookup(s_, lookupSql());
    Statement existing(s_, kExisting);
    const int rows = grid_.rowsUntilEmpty(0);
    for (int r = 1; r <= rows; ++r) {
        const QList<QSqlRecord> found = findStudents(lookup, r);
        const QString cells = cells1to4(r);
        if (found.isEmpty()) {
            ++problems;
            if (info_.layout == ScoreLayout::B)
                addResult(QStringLiteral("学生表：") + grid_.cell(r, 1) + grid_.cell(r, 2) + QStringLiteral(" 无记录"));
            else
                addResult(QStringLiteral("学生表：") + cells + QStringLiteral(" 无记录"));
        } else if (found.size() > 1) {
            switch (info_.layout) {
            case ScoreLayout::A:
                ++problems;
                addResult(QStringLiteral("学生表：") + cells + QStringLiteral(" 班别和姓名相同"));
                break;
            case ScoreLayout::B: {
                ++problems;
                const QString who = grid_.cell(r, 1) + grid_.cell(r, 2);
                addResult(QString());
                addResult(grid_.cell(r, 0) + QStringLiteral("行，") + text(found[0], "class") + who);
                addResult(QStringLiteral("和 ") + text(found[1], "class") + who +
                          QStringLiteral(" 学生表存在同学号同名记录，请用【按班别学号姓名导入成绩】导入"));
                break;
            }
            case ScoreLayout::E:
                ++problems;
                addResult(QStringLiteral("学生表：") + cells + QStringLiteral("考号重复"));
                break;
            case ScoreLayout::F:
                ++problems;
                addResult(QStringLiteral("学生表：") + cells + QStringLiteral("同名错误"));
                break;
            case ScoreLayout::C:
            case ScoreLayout::D:
                break;  // the first match is used
            }
        }
        const Key key = duplicateKey(r, found);
        if (key.valid) {
            existing.bind(QStringLiteral("Years"), year_.trimmed())
                .bind(QStringLiteral("grade"), ImportText::nonNull(key.grade.toString()))
                .bind(QStringLiteral("class"), ImportText::nonNull(key.cls.toString()))
                .bind(QStringLiteral("number"), key.number)
                .bind(QStringLiteral("uname"), ImportText::nonNull(key.uname.toString()))
                .bind(QStringLiteral("testname"), exam_.trimmed())
                .exec();
            QSet<QString> have;
            while (existing.next()) have.insert(existing.value(0).toString());
            if (!have.isEmpty())
                for (int c = info_.firstSubjectColumn; c <= lastColumn; ++c) {
                    const QString subject = grid_.trimmed(0, c);
                    if (have.contains(subject)) {
                        ++problems;
                        addResult(QStringLiteral("成绩:   ") + cells + subject + QStringLiteral(" 已经存在了"));
                    }
                }
        }
        obs_->progressStep();
    }
    return finishCheck(dataRows_, problems, QStringLiteral(",请处理"));
}

ImportOutcome ScoreImport::save()
{
    ImportOutcome out;
    if (!saveEnabled_) return out;
    if (bothSkipped()) {
        out.message = QStringLiteral("【学号】 和【姓名】不能同时忽略！");
        showError(out.message);
        return out;
    }
    obs_->progressMaximum(dataRows_);
    if (exam_.trimmed().isEmpty()) {
        out.message = QStringLiteral("还没有选择考试名称，请重新输入");
        out.focus = ImportOutcome::ExamList;
        showError(out.message);
        return out;
    }
    const QString question = info_.layout == ScoreLayout::B
        ? QStringLiteral("导入前你确定请你的确定数据中无学号和姓名相同学生，你确定导入新数据吗吗？？？")
        : QStringLiteral("你确定导入新数据吗吗？？？");
    if (!ask(question)) {
        out.cancelled = true;
        return out;
    }
    const QString batch = ImportText::batchName(path_, clock_.now());
    out.batch = batch;
    const int lastColumn = grid_.lastHeaderColumn(info_.firstSubjectColumn);
    Statement lookup(s_, lookupSql());
    Statement insert(s_, kInsert);
    MultiRowInsert rowInserts(s_, kInsert);
    bool cellByCell = false;
    const int rows = grid_.rowsUntilEmpty(0);
    QString shownName;

    auto saveRow = [&](int r, int limit) {
        const QList<QSqlRecord> found = findStudents(lookup, r);
        // A clean check found every student; one that has gone since would get scores with no student.
        if (found.isEmpty())
            throw RowFailure{r, 0, QStringLiteral("学生表：") + cells1to4(r) + QStringLiteral(" 无记录")};
        const QSqlRecord& st = found.first();
        shownName = info_.nameColumn && (info_.layout == ScoreLayout::A || info_.layout == ScoreLayout::B ||
                                         info_.layout == ScoreLayout::C)
            ? grid_.cell(r, info_.nameColumn)
            : text(st, "Uname");
        QVariant grade, cls;
        switch (info_.layout) {
        case ScoreLayout::A:
            grade = grid_.trimmed(r, 1);
            cls = grid_.trimmed(r, 2);
            break;
        case ScoreLayout::B:
            grade = ImportText::nonNull(grade_);
            cls = st.value(QStringLiteral("class"));
            break;
        default:
            grade = st.value(QStringLiteral("grade"));
            cls = st.value(QStringLiteral("class"));
            break;
        }
        const QVariant years = info_.layout == ScoreLayout::F ? st.value(QStringLiteral("Years")) : QVariant(year_);
        // Every score of the row first, so a cell that is no score stops the row before anything of it is sent.
        QList<Params> cells;
        QList<int> columns;
        for (int c = info_.firstSubjectColumn; c <= lastColumn && c < limit; ++c) {
            const QString subject = grid_.trimmed(0, c);
            const QString cell = grid_.cell(r, c);
            const ImportText::Score score = ImportText::toScore(cell);
            if (!score.ok) {
                if (limit != kWholeRow) break;  // saving the cells before the one that failed
                throw RowFailure{r, c, QStringLiteral("【") + subject + QStringLiteral("】   ") + cell +
                                           QStringLiteral(" 不能转换为分数（从数据类型 varchar 转换为 float 时出错）")};
            }
            cells.append({{QStringLiteral("tongyibianhao"), st.value(QStringLiteral("tongyibianhao"))},
                          {QStringLiteral("Years"), years},
                          {QStringLiteral("grade"), grade},
                          {QStringLiteral("class"), cls},
                          {QStringLiteral("Number"), st.value(QStringLiteral("Number"))},
                          {QStringLiteral("Uname"), st.value(QStringLiteral("Uname"))},
                          {QStringLiteral("jifen"), st.value(QStringLiteral("jifen"))},
                          {QStringLiteral("sex"), st.value(QStringLiteral("sex"))},
                          {QStringLiteral("TestName"), exam_},
                          {QStringLiteral("subject"), subject},
                          {QStringLiteral("score"), score.value ? QVariant(*score.value) : QVariant()},
                          {QStringLiteral("iorder"), c * 100 + r},
                          {QStringLiteral("upname"), batch},
                          {QStringLiteral("upIp"), QVariant()}});
            columns.append(c);
        }
        if (cells.isEmpty()) return;
        // One statement for the whole row: a round trip per score would make a large sheet on a server slow.
        // When the database refuses it, the row is sent again score by score to find the one it refuses.
        if (!cellByCell) {
            try {
                rowInserts.exec(cells);
                return;
            } catch (const DbError& e) {
                throw RowFailure{r, kUnknownColumn, e.message()};
            }
        }
        for (int i = 0; i < cells.size(); ++i) {
            try {
                insert.bind(cells[i]).exec();
            } catch (const DbError& e) {
                throw RowFailure{r, columns[i], QStringLiteral("【") + grid_.trimmed(0, columns[i]) + QStringLiteral("】 ") + e.message()};
            }
        }
    };
    auto afterRow = [&](int r) {
        addResult(grid_.cell(r, 0) + QStringLiteral("行") + shownName + QStringLiteral("成功"));
        obs_->progressStep();
    };
    auto failure = saveRows(rows, saveRow, afterRow);
    if (failure && failure->column == kUnknownColumn) {
        // Score by score, each on its own, as far as the database accepts them; the rows before are saved.
        cellByCell = true;
        try {
            saveRow(failure->row, kWholeRow);
        } catch (const RowFailure& exact) {
            failure = exact;
        } catch (const DbError& e) {
            failure = RowFailure{failure->row, 0, e.message()};
        }
    }
    obs_->progressReset();
    setSaveEnabled(false);
    if (failure) {
        out.rows = failure->row - 1;
        out.message = QStringLiteral("表格第%1行保存失败：%2\n此前的成绩已保存在批次“%3”中，可在“查看导入结果”中删除。")
                          .arg(grid_.cell(failure->row, 0), failure->message, batch);
        showError(out.message);
        return out;
    }
    out.ok = true;
    out.rows = dataRows_;
    out.message = QStringLiteral("一共") + QString::number(dataRows_) + QStringLiteral("条记录，数据已经成功导入到数据库");
    showMessage(out.message);
    return out;
}

}  // namespace oa
