#pragma once
#include "registrar/imports/ImportPipeline.h"

namespace oa {

// The student roster import: a sheet whose header row names the columns of students, checked against the
// grade and class lists and inserted as one students row per sheet row for the chosen school year.
class RosterImport : public ImportTab {
public:
    RosterImport(Session& s, Prompter& p, const Clock& clock);

    // The headers a roster sheet may use, in the order shown to the user.
    static const QStringList& systemFields();
    // The students column a header selects; empty when it is not a system field.
    static QString columnFor(const QString& header);

    // Form start-up: the school-year list, the current school year and the lists the check uses.
    void reloadLists();
    const QStringList& years() const { return years_; }
    QString currentYear() const { return currentYear_; }
    const QStringList& grades() const { return grades_; }
    const QStringList& classes() const { return classes_; }

    ImportOutcome check();
    ImportOutcome save(const QString& year);

protected:
    QString loadedMessage(int rows) const override;
    QString ordinal(int sheetRow) const override { return QString::number(sheetRow - 1); }

private:
    QStringList years_, grades_, classes_;
    QString currentYear_;
};

}  // namespace oa
