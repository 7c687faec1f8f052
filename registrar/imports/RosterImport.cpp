#include "registrar/imports/RosterImport.h"

#include "common/config/VarSet.h"
#include "registrar/imports/ImportText.h"

#include <QHash>

namespace oa {

namespace {

struct Field {
    const char* header;
    const char* column;
};

// Header → students column. The Chinese-named columns carry their header's name.
const Field kFields[] = {
    {"级别", "grade"}, {"班别", "class"}, {"学籍号", "tongyibianhao"}, {"学号", "Number"}, {"姓名", "Uname"},
    {"性别", "sex"}, {"是否计分", "jifen"}, {"家长姓名", "jiazhangxingming"}, {"家庭地址", "jiatingdizhi"},
    {"出生日期", "birthday"}, {"户籍所在地", "hujiszd"}, {"户籍类型", "hujitype"}, {"户籍性质", "hujixingzhi"},
    {"学生来源", "xslaiyuan"}, {"入学前学校", "OldSchool"}, {"民族", "minzu"}, {"政治面貌", "zhengzhi"},
    {"是否住校", "jiudufangshi"}, {"健康", "jiankang"}, {"户口", "hukou"}, {"邮编", "mailNo"}, {"电话", "phoneNo"},
    {"特长", "techang"}, {"备注", "memo"}, {"入学年份", "入学年份"}, {"身份证号码", "身份证号码"},
    {"加入政治面貌日期", "加入政治面貌日期"}, {"是否华侨", "是否华侨"}, {"和家长关系", "和家长关系"},
    {"家长工作单位", "家长工作单位"}, {"专业代码", "专业代码"}, {"专业名称", "专业名称"}, {"小组号", "小组号"},
    {"外地生类别", "外地生类别"}, {"外地生性质", "外地生性质"}, {"宿舍号", "宿舍号"}, {"留守儿童", "留守儿童"},
    {"单亲家庭", "单亲家庭"}, {"是否孤儿", "是否孤儿"}, {"特困生补助", "特困生补助"}, {"生活补助", "生活补助"},
};

const QHash<QString, QString>& fieldColumns()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> m;
        for (const Field& f : kFields) m.insert(QString::fromUtf8(f.header), QString::fromUtf8(f.column));
        return m;
    }();
    return map;
}

// Every column the insert names, in the statement's order; each parameter is named like its column.
const QStringList& insertColumns()
{
    static const QStringList cols = QStringLiteral(
        "Years, grade, class,tongyibianhao, Number, Uname,jifen, sex,"
        "jiazhangxingming, jiatingdizhi, birthday, hujiszd, hujitype,"
        "hujixingzhi, xslaiyuan, xsquxiang, OldSchool, minzu, zhengzhi, jiudufangshi,"
        "jiankang, hukou, mailNo, phoneNo, techang, memo,upName,入学年份,身份证号码,加入政治面貌日期,是否华侨,和家长关系,"
        "家长工作单位,专业代码,专业名称,小组号,宿舍号,外地生类别,外地生性质,留守儿童,单亲家庭,是否孤儿,特困生补助,生活补助")
                                        .split(QLatin1Char(','));
    static const QStringList trimmed = [] {
        QStringList t;
        for (const QString& c : cols) t << c.trimmed();
        return t;
    }();
    return trimmed;
}

QString insertSql()
{
    QStringList params;
    for (const QString& c : insertColumns()) params << QLatin1Char(':') + c;
    return QStringLiteral("insert into dbo.students (") + insertColumns().join(QStringLiteral(", ")) +
           QStringLiteral(") values (") + params.join(QStringLiteral(", ")) + QLatin1Char(')');
}

const QString kThreeBlanks = QStringLiteral("   ");

}  // namespace

RosterImport::RosterImport(Session& s, Prompter& p, const Clock& clock) : ImportTab(s, p, clock, 5000)
{
    reloadLists();
}

const QStringList& RosterImport::systemFields()
{
    static const QStringList list = [] {
        QStringList l;
        for (const Field& f : kFields) l << QString::fromUtf8(f.header);
        return l;
    }();
    return list;
}

QString RosterImport::columnFor(const QString& header) { return fieldColumns().value(header.trimmed()); }

void RosterImport::reloadLists()
{
    years_ = VarSet::list(s_, QStringLiteral("xueqi"));
    grades_ = VarSet::list(s_, QStringLiteral("grade"));
    classes_ = VarSet::list(s_, QStringLiteral("class"));
    currentYear_ = VarSet::value(s_, QStringLiteral("nowxueqi"));
}

QString RosterImport::loadedMessage(int rows) const
{
    return QStringLiteral("一共") + QString::number(rows) + QStringLiteral("条记录，读完数据");
}

ImportOutcome RosterImport::check()
{
    ImportOutcome out;
    resetResults({QStringLiteral("文件检查结果")});
    const int lastColumn = grid_.lastHeaderColumn(1);

    // Every header must be a system field; the first that is not ends the check.
    for (int c = 1; c <= lastColumn; ++c) {
        const QString h = grid_.trimmed(0, c);
        if (!fieldColumns().contains(h)) {
            out.message = QStringLiteral("表头【") + h + QStringLiteral("】不是系统设定的字段,系统字段包括：\n\n") +
                          systemFields().join(QLatin1Char('\n'));
            showError(out.message);
            return out;
        }
    }

    int k = 0;
    const int rows = grid_.rowsUntilEmpty(1);
    for (int i = 1; i <= rows; ++i) {
        const QString n = QString::number(i + 1);
        for (int c = 1; c <= lastColumn; ++c) {
            const QString h = grid_.trimmed(0, c);
            const QString v = grid_.trimmed(i, c);
            if (h == QStringLiteral("级别")) {
                if (!grades_.contains(v)) {
                    ++k;
                    addResult(n + QStringLiteral("行，【级别】") + kThreeBlanks + v + QStringLiteral(" 不是系统年级"));
                }
            } else if (h == QStringLiteral("班别")) {
                // Listed only: a class missing from the list does not block the save.
                if (!classes_.contains(v))
                    addResult(n + QStringLiteral("行，【班别】") + kThreeBlanks + v + QStringLiteral(" 不是系统班别"));
            } else if (h == QStringLiteral("学号")) {
                if (!ImportText::toInteger(v)) {
                    ++k;
                    addResult(n + QStringLiteral("行，【学号】") + kThreeBlanks + v + QStringLiteral(" 不是数字"));
                }
            } else if (h == QStringLiteral("性别")) {
                if (v != QStringLiteral("男") && v != QStringLiteral("女") && !v.isEmpty()) {
                    ++k;
                    addResult(n + QStringLiteral("行，【性别】") + kThreeBlanks + v + QStringLiteral(" 不是男\\女或空"));
                }
            } else if (h == QStringLiteral("出生日期")) {
                if (!v.isEmpty() && !ImportText::toShortDate(v)) {
                    ++k;
                    addResult(n + QStringLiteral("行，【生日】") + kThreeBlanks + v + QStringLiteral(" 不是日期"));
                }
            }
        }
        obs_->progressStep();
    }
    return finishCheck(rows, k);
}

ImportOutcome RosterImport::save(const QString& year)
{
    ImportOutcome out;
    if (!saveEnabled_) return out;
    if (year.trimmed().isEmpty()) {
        out.message = QStringLiteral("请先输入学年度   然后再保存");
        out.focus = ImportOutcome::YearList;
        showError(out.message);
        return out;
    }
    if (!ask(QStringLiteral("你确定导入新数据吗吗？？？"))) {
        out.cancelled = true;
        return out;
    }
    const QString batch = ImportText::batchName(path_, clock_.now());
    out.batch = batch;
    const int lastColumn = grid_.lastHeaderColumn(1);
    int nameColumn = 0;
    for (int c = 1; c <= lastColumn; ++c)
        if (grid_.trimmed(0, c) == QStringLiteral("姓名")) nameColumn = c;

    Statement insert(s_, insertSql());
    const int rows = grid_.rowsUntilEmpty(1);
    int inserted = 0;
    auto saveRow = [&](int r, int /*limit*/) {
        for (const QString& col : insertColumns()) insert.bind(col, QVariant());
        insert.bind(QStringLiteral("Years"), year);
        insert.bind(QStringLiteral("xsquxiang"), ImportText::nonNull(QString()));
        insert.bind(QStringLiteral("jifen"), QStringLiteral("是"));
        for (int c = 1; c <= lastColumn; ++c) {
            const QString column = columnFor(grid_.cell(0, c));
            if (column.isEmpty()) continue;
            const QString text = grid_.cell(r, c);
            if (column == QStringLiteral("jifen")) {
                insert.bind(column, text.trimmed().isEmpty() ? QStringLiteral("是") : text);
            } else if (column == QStringLiteral("birthday")) {
                if (text.trimmed().isEmpty()) {
                    insert.bind(column, QVariant());
                } else if (const auto d = ImportText::toShortDate(text)) {
                    insert.bind(column, d->startOfDay());
                } else {
                    throw RowFailure{r, 0, QStringLiteral("【生日】") + kThreeBlanks + text.trimmed() + QStringLiteral(" 不是日期")};
                }
            } else if (column == QStringLiteral("Number")) {
                const auto v = ImportText::toInteger(text);
                if (!v) throw RowFailure{r, 0, QStringLiteral("【学号】") + kThreeBlanks + text.trimmed() + QStringLiteral(" 不是数字")};
                insert.bind(column, *v);
            } else {
                insert.bind(column, ImportText::nonNull(text));
            }
        }
        insert.bind(QStringLiteral("upName"), batch);
        insert.exec();
    };
    auto afterRow = [&](int r) {
        ++inserted;
        obs_->progressStep();
        addResult(QString::number(r) + QStringLiteral("行  ") + (nameColumn ? grid_.cell(r, nameColumn) : QString()) +
                  QStringLiteral(" 导入成功"));
    };
    const auto failure = saveRows(rows, saveRow, afterRow);
    obs_->progressReset();
    if (failure) {
        // The rows before the failing one stay under the batch name; the user deletes the batch on the
        // review tab, corrects the sheet and imports again.
        setSaveEnabled(false);
        out.rows = failure->row - 1;
        out.message = QStringLiteral("表格第%1行保存失败：%2\n此前的行已保存在批次“%3”中，可在“查看导入结果”中删除。")
                          .arg(QString::number(failure->row + 1), failure->message, batch);
        showError(out.message);
        return out;
    }
    out.ok = true;
    out.rows = inserted;
    out.message = QStringLiteral("一共") + QString::number(inserted) + QStringLiteral("条记录，数据已经成功导入到数据库");
    showMessage(out.message);
    resetResults();
    setSaveEnabled(false);
    return out;
}

}  // namespace oa
