// Reading spreadsheets as a person sees them, each format from a small fixture, the messages for files that
// cannot be read, and writing .xlsx.
#include "TestDb.h"

#include "common/sheets/SheetReader.h"
#include "common/sheets/SheetWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace oa;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }
const QString kDate = QStringLiteral("yyyy-M-d");

Sheet readFixture(const char* name) { return SheetReader::read(test::fixture(u("sheets/") + u(name)), kDate); }

// The message of the SheetError a read throws; empty when it reads.
QString failure(const QString& path)
{
    try {
        SheetReader::read(path, kDate);
    } catch (const SheetError& e) {
        return e.message();
    }
    return QString();
}

void expectRows(const Sheet& sheet, const QList<QStringList>& rows)
{
    ASSERT_EQ(sheet.rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < std::max<int>(rows[r].size(), sheet.rows[r].size()); ++c)
            EXPECT_EQ(sheet.cell(r, c), rows[r].value(c)) << "row " << r << ", column " << c;
}

}  // namespace

// Shared strings, inline and rich-text strings, parts named by absolute path, the first worksheet by the
// workbook's order, dates (built-in, custom Chinese and with a time), formulas by their stored result,
// numbers stored as text, General numbers, booleans and errors; empty cells and empty rows.
TEST(SheetReaderTest, XlsxReadsCellsAsShown)
{
    expectRows(readFixture("book.xlsx"),
               {{u("班别"), u("姓名"), u("学号"), u("成绩"), u("日期")},
                {u("007"), u("陈嘉怡"), u("1"), u("88.5"), u("2012-4-5")},
                {u(""), u(""), u("2"), u("29.5"), u("2024-1-1"), u("陈嘉怡!")},
                {},
                {u("440101200001011234"), u("0.3"), u("TRUE"), u("#DIV/0!"), u("2024-1-1 12:00:00")}});
}

// Written by LibreOffice Calc as Excel 97-2003: shared strings, a date, formulas by their stored results.
TEST(SheetReaderTest, XlsReadsCellsAsShownIncludingFormulaResults)
{
    expectRows(readFixture("book.xls"),
               {{u("班别"), u("姓名"), u("学号"), u("成绩"), u("日期")},
                {u("007"), u("陈嘉怡"), u("1"), u("88.5"), u("2012-4-5")},
                {u(""), u(""), u("2"), u("29.5")}});
}

// Every kind of stored formula result in a legacy workbook: text (from the STRING record that follows the
// formula), number, boolean, error and empty text.
TEST(SheetReaderTest, XlsFormulaResultsOfEveryKind)
{
    expectRows(readFixture("formulas.xls"), {{u("姓名"), u("陈嘉怡"), u("88.5")}, {u("TRUE"), u("#DIV/0!")}});
}

TEST(SheetReaderTest, CsvInGbkAndInUtf8WithBomReadTheSame)
{
    const QList<QStringList> rows = {{u("班别"), u("姓名"), u("学号"), u("备注")},
                                     {u("01班"), u("陈嘉怡"), u("1"), u("说\"好\",再来")},
                                     {u("02班"), u("黄志强"), u("2"), u("两\n行")}};
    for (const char* name : {"gbk.csv", "utf8bom.csv"}) {
        SCOPED_TRACE(name);
        expectRows(readFixture(name), rows);
    }
}

TEST(SheetReaderTest, TheFormatIsTakenFromTheContentNotTheName)
{
    QTemporaryDir dir;
    const QString renamed = dir.filePath(u("名单.xls"));
    ASSERT_TRUE(QFile::copy(test::fixture(u("sheets/book.xlsx")), renamed));
    EXPECT_EQ(SheetReader::read(renamed, kDate).cell(1, 1), u("陈嘉怡"));
    const QString csv = dir.filePath(u("export.xls"));
    ASSERT_TRUE(QFile::copy(test::fixture(u("sheets/utf8bom.csv")), csv));
    EXPECT_EQ(SheetReader::read(csv, kDate).cell(2, 1), u("黄志强"));
}

TEST(SheetReaderTest, AFileThatCannotBeReadGivesOneMessageNamingIt)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(u("空文件.xlsx"));
    QFile(empty).open(QIODevice::WriteOnly);
    struct Case {
        QString path;
        const char* says;
    };
    const QList<Case> cases = {
        {dir.filePath(u("没有这个文件.xlsx")), "找不到文件"},
        {empty, "是空的（0 字节）"},
        {test::fixture(u("imports/empty.xlsx")), "第一个工作表中没有数据"},
        {test::fixture(u("imports/truncated.xlsx")), "不完整"},
        {test::fixture(u("sheets/truncated.xls")), "不完整"},
        {test::fixture(u("sheets/damaged.xlsx")), "已损坏"},
        {test::fixture(u("imports/corrupt.xlsx")), "不是能读取的表格文件"},
        {test::fixture(u("imports/picture.xls")), "不是能读取的表格文件"},
        {test::fixture(u("imports/encrypted.xlsx")), "设有打开密码"},
        {test::fixture(u("sheets/webpage.xls")), "是网页"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString m = failure(c.path);
        EXPECT_TRUE(m.contains(u(c.says))) << m.toStdString();
        EXPECT_TRUE(m.contains(QFileInfo(c.path).fileName())) << m.toStdString();
    }
}

TEST(SheetReaderTest, TheOpenDialogOffersEveryReadableFormatFirst)
{
    const QStringList filters = SheetReader::openFileFilter().split(u(";;"));
    ASSERT_FALSE(filters.isEmpty());
    for (const char* pattern : {"*.xlsx", "*.xls", "*.csv"}) EXPECT_TRUE(filters.first().contains(u(pattern)));
}

TEST(SheetWriterTest, WrittenWorkbookReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("成绩.xlsx"));
    SheetWriter w;
    w.setSheetName(u("初一级成绩"));
    w.setCell(0, 0, u("姓名"));
    w.setCell(0, 1, u("数学"));
    w.setCell(1, 0, u("陈嘉怡"));
    w.setCell(1, 1, 88.5);
    w.setCell(2, 0, u("=不是公式 & <标记>"));
    w.setCell(2, 1, 100);
    w.setCell(4, 3, u("007"));
    w.setColumnWidth(0, 20);
    w.save(path);
    expectRows(SheetReader::read(path, kDate), {{u("姓名"), u("数学")},
                                                {u("陈嘉怡"), u("88.5")},
                                                {u("=不是公式 & <标记>"), u("100")},
                                                {},
                                                {u(""), u(""), u(""), u("007")}});
}

TEST(SheetWriterTest, SavingWhereNoFileCanBeMadeNamesTheFile)
{
    SheetWriter w;
    w.setCell(0, 0, u("x"));
    try {
        w.save(u("/nonexistent-folder/导出.xlsx"));
        FAIL() << "saved into a folder that does not exist";
    } catch (const SheetError& e) {
        EXPECT_TRUE(e.message().contains(u("导出.xlsx"))) << e.message().toStdString();
    }
}

TEST(SheetWriterTest, ExportsGetTheXlsxSuffixOnce)
{
    const QList<QPair<QString, QString>> cases = {{u("/tmp/成绩"), u("/tmp/成绩.xlsx")},
                                                  {u("/tmp/成绩.xlsx"), u("/tmp/成绩.xlsx")},
                                                  {u("/tmp/成绩.XLSX"), u("/tmp/成绩.XLSX")},
                                                  {u("/tmp/成绩.xls"), u("/tmp/成绩.xls.xlsx")},
                                                  {u("/tmp/a.xlsx.bak"), u("/tmp/a.xlsx.bak.xlsx")}};
    for (const auto& c : cases) EXPECT_EQ(SheetWriter::withXlsxSuffix(c.first), c.second) << c.first.toStdString();
}

// Damaged files of every kind: cut at many lengths, or with bytes changed all over. Each read either gives
// cells or one SheetError naming the file; nothing else escapes and nothing crashes.
TEST(SheetReaderTest, DamagedFilesNeverCrashAndAlwaysNameTheFile)
{
    QTemporaryDir dir;
    for (const char* name : {"book.xlsx", "book.xls", "formulas.xls", "utf8bom.csv"}) {
        QFile in(test::fixture(u("sheets/") + u(name)));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray good = in.readAll();
        QList<QByteArray> variants;
        for (qsizetype n = 1; n < good.size(); n += std::max<qsizetype>(1, good.size() / 60)) variants << good.left(n);
        quint32 seed = 12345;
        for (int k = 0; k < 150; ++k) {
            QByteArray bad = good;
            for (int j = 0; j < 1 + k % 4; ++j) {
                seed = seed * 1103515245u + 12345u;
                const qsizetype at = qsizetype((seed >> 8) % quint32(bad.size()));
                bad[at] = char(bad[at] ^ char(1 + (seed >> 3) % 255));
            }
            variants << bad;
        }
        for (int i = 0; i < variants.size(); ++i) {
            const QString path = dir.filePath(QStringLiteral("damaged-%1-%2").arg(i).arg(u(name)));
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(variants[i]);
            out.close();
            try {
                SheetReader::read(path, kDate);
            } catch (const SheetError& e) {
                EXPECT_TRUE(e.message().contains(QFileInfo(path).fileName())) << e.message().toStdString();
            }
        }
    }
}
