#include "registrar/shell/Commands.h"

namespace oa {

namespace {
Command item(const char* menu, const char* caption, const char* window, bool hidden = false)
{
    return {Command::MenuItem, QString::fromUtf8(menu), QString::fromUtf8(caption), QString::fromLatin1(window), false,
            hidden};
}
Command top(const char* caption, const char* window)
{
    return {Command::TopLevel, QString::fromUtf8(caption), QString::fromUtf8(caption), QString::fromLatin1(window)};
}
Command button(const char* caption, const char* window, bool gated)
{
    return {Command::Button, QString(), QString::fromUtf8(caption), QString::fromLatin1(window), gated};
}
}  // namespace

const QList<Command>& registrarCommands()
{
    static const QList<Command> table = {
        item("学生管理", "学生资料管理", win::StudentList),
        item("学生管理", "学资料料导入", win::StudentImport),
        item("学生管理", "学籍号再导入", win::UnifiedNumberImport),
        item("学生管理", "学籍号核对", win::UnifiedNumberCheck),
        item("成绩管理", "成绩资料管理", win::ScoreRecords),
        item("成绩管理", "按【学号】【姓名】导入成绩", win::ScoreImportNumberName),
        item("成绩管理", "按【班别】【学号】【姓名】导入成绩", win::ScoreImportClassNumberName),
        item("成绩管理", "按【考号】【姓名】导入成绩", win::ScoreImportExamNumberName),
        item("成绩管理", "按【班别】【姓名】导入成绩", win::ScoreImportClassName),
        item("成绩管理", "按【学籍号】导入成绩", win::ScoreImportUnified),
        item("成绩管理", "按【学籍号】【姓名】导入成绩", win::ScoreImportUnifiedName),
        item("教务设置", "科任设置", win::SubjectTeachers),
        item("教务设置", "区线设置", win::ScoreLines),
        item("教务设置", "课程表设置", win::Timetable, true),
        item("教务设置", "自动生成考试座位号", win::ExamSeating),
        item("教务设置", "导入EXCEL考试座位号", win::ExamSeatImport),
        item("教务设置", "试室人数情况", win::ExamRooms),
        item("题库管理", "考试题库导入", win::QuestionBank),
        item("题库管理", "考试系统设置", win::ExamControl),
        item("教师导入", "OA用户导入", win::StaffUsers),
        item("教师导入", "校通信录导入", win::StaffAddressBook),
        item("教师导入", "人事员工导入", win::StaffPersonnel),
        top("工资导入", win::Payroll),
        top("值日值班", win::DutyRoster),
        item("文件管理", "部门文件导出", win::DepartmentFiles),
        item("文件管理", "教师文件导出", win::TeacherFiles),
        item("文件管理", "印刷文件导出", win::PrintingFiles),
        item("文件管理", "备课文件导出", win::LessonPlanFiles),
        item("文件管理", "活动剪影批量上传", win::PhotoUpload),
        item("系统设置", "初始化OA系统", win::SystemSettings),
        item("系统设置", "一键备份数据库", win::Backup),
        item("系统设置", "删除无效数据", win::Cleanup),
        item("系统设置", "考勤时间设置", win::AttendanceTimes),
        item("系统设置", "关于办公OA系统", win::About),
        button("按班别录入", win::ScoreEntryByClass, true),
        button("按试室录入", win::ScoreEntryByRoom, true),
        button("学生学籍资料", win::StudentProfile, true),
        button("修改记录", win::ScoreChangeLog, false),
        button("关闭", "", false),
    };
    return table;
}

QList<QString> registrarMenus()
{
    QList<QString> menus;
    for (const Command& c : registrarCommands())
        if (c.kind != Command::Button && !menus.contains(c.menu)) menus << c.menu;
    return menus;
}

}  // namespace oa
