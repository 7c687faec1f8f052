#pragma once
#include <QList>
#include <QString>

namespace oa {

// Ids of the windows the main window's commands open. A tool registers its window under one of these
// (WindowRegistry::add); the command table below ties each to its menu caption.
namespace win {
inline constexpr const char* StudentList = "students.list";                 // 学生资料管理
inline constexpr const char* StudentImport = "students.import";             // 学资料料导入
inline constexpr const char* UnifiedNumberImport = "students.unified.import";  // 学籍号再导入
inline constexpr const char* UnifiedNumberCheck = "students.unified.check";    // 学籍号核对
inline constexpr const char* ScoreRecords = "scores.records";               // 成绩资料管理
inline constexpr const char* ScoreImportNumberName = "scores.import.number_name";
inline constexpr const char* ScoreImportClassNumberName = "scores.import.class_number_name";
inline constexpr const char* ScoreImportExamNumberName = "scores.import.examno_name";
inline constexpr const char* ScoreImportClassName = "scores.import.class_name";
inline constexpr const char* ScoreImportUnified = "scores.import.unified";
inline constexpr const char* ScoreImportUnifiedName = "scores.import.unified_name";
inline constexpr const char* SubjectTeachers = "academic.subject_teachers";  // 科任设置
inline constexpr const char* ScoreLines = "academic.score_lines";            // 区线设置
inline constexpr const char* Timetable = "academic.timetable";              // 课程表设置 (never shown)
inline constexpr const char* ExamSeating = "exams.seating";                 // 自动生成考试座位号
inline constexpr const char* ExamSeatImport = "exams.seat_import";          // 导入EXCEL考试座位号
inline constexpr const char* ExamRooms = "exams.rooms";                     // 试室人数情况
inline constexpr const char* QuestionBank = "questions.bank";               // 考试题库导入
inline constexpr const char* ExamControl = "questions.control";             // 考试系统设置
inline constexpr const char* StaffUsers = "staff.users";                    // OA用户导入
inline constexpr const char* StaffAddressBook = "staff.address_book";       // 校通信录导入
inline constexpr const char* StaffPersonnel = "staff.personnel";            // 人事员工导入
inline constexpr const char* Payroll = "payroll";                           // 工资导入
inline constexpr const char* DutyRoster = "duty";                           // 值日值班
inline constexpr const char* DepartmentFiles = "documents.department";      // 部门文件导出
inline constexpr const char* TeacherFiles = "documents.teacher";            // 教师文件导出
inline constexpr const char* PrintingFiles = "documents.printing";          // 印刷文件导出
inline constexpr const char* LessonPlanFiles = "documents.lesson_plan";     // 备课文件导出
inline constexpr const char* PhotoUpload = "documents.photos";              // 活动剪影批量上传
inline constexpr const char* SystemSettings = "system.settings";            // 初始化OA系统 (modal)
inline constexpr const char* Backup = "system.backup";                      // 一键备份数据库
inline constexpr const char* Cleanup = "system.cleanup";                    // 删除无效数据
inline constexpr const char* AttendanceTimes = "system.attendance";         // 考勤时间设置
inline constexpr const char* About = "system.about";                        // 关于办公OA系统 (modal)
inline constexpr const char* ScoreEntryByClass = "entry.by_class";          // button 按班别录入
inline constexpr const char* ScoreEntryByRoom = "entry.by_room";            // button 按试室录入
inline constexpr const char* StudentProfile = "students.profile";           // button 学生学籍资料
inline constexpr const char* ScoreChangeLog = "scores.change_log";          // button 修改记录
}  // namespace win

// One command of the main window. A menu item has both captions; a top-level command (工资导入, 值日值班) has
// an empty item caption; a button has kind Button.
struct Command {
    enum Kind { MenuItem, TopLevel, Button } kind;
    QString menu;        // top-level menu caption (menu items and top-level commands)
    QString caption;     // the command's own caption
    QString window;      // window id; empty for "关闭"
    bool gated = false;  // buttons: enabled only by a permission
    bool hidden = false; // never shown (课程表设置)
};

// The whole menu tree and the buttons, in display order.
const QList<Command>& registrarCommands();
// The top-level menu captions in order (the captions the login enables).
QList<QString> registrarMenus();

}  // namespace oa
