#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace oa {

// A correctly laid-out sheet for one import: what the sample-sheet window shows, what oa-samples writes and
// what the tests import. Cells hold text (QString) or numbers (double), as a person would type them.
struct SampleSheet {
    QString id;          // file base name: "roster", "score-a", …
    QString title;       // what the sheet is for
    QString helpPage;    // the sample-sheet window's page that shows it; empty when none does
    QList<QVariantList> rows;
    QStringList notes;
};

// The students every sample refers to: one grade, two classes. Score, seat and number samples name them.
struct SampleStudent {
    QString grade, cls;
    int number;
    QString name, tongyibianhao, sex, birthday, kaohao;
    int room, seat;
};
const QList<SampleStudent>& sampleStudents();
// The staff the payroll, duty and address-book samples name (display names as in Teachers).
QStringList sampleStaff();

// Every sample, in the order of the sample-sheet window's pages, then those without a page.
const QList<SampleSheet>& sampleSheets();
std::optional<SampleSheet> sampleSheet(const QString& id);
// A cell as the sheet shows it ("96", "88.5", "初一级").
QString sampleCellText(const QVariant& v);
// The sample's rows as cell text, as a reader gives them back.
QList<QStringList> sampleText(const SampleSheet& s);

// Writes one sample as .xlsx (throws SheetError); all samples into a folder, returning the paths written.
void writeSampleSheet(const SampleSheet& s, const QString& path);
QStringList writeSampleSheets(const QString& dir);

}  // namespace oa
