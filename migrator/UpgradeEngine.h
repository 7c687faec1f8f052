#pragma once
#include "UpgradeScript.h"
#include "common/db/Session.h"

#include <functional>

namespace oa {

inline constexpr const char* kReleaseNumber = "5.16";

// Stopped by a step whose failure is not trapped; carries the database's message and the step.
class UpgradeError : public DbError {
public:
    UpgradeError(const QString& message, const QString& step) : DbError(message), step_(step) {}
    QString step() const { return step_; }

private:
    QString step_;
};

struct StepOutcome {
    enum Result { Done, Skipped, Failed } result;   // Skipped: the probe found it present; Failed: trapped failure
    QString detail;
};

// Runs upgrade scripts over a session, step by step. Probes look at a table's columns without reading rows.
class UpgradeEngine {
public:
    using Progress = std::function<void(int index, int total, const UpgradeStep& step, const StepOutcome& outcome)>;

    explicit UpgradeEngine(Session& s) : s_(s) {}
    void setProgress(Progress p) { progress_ = std::move(p); }

    // Runs every step; throws UpgradeError at the first untrapped failure. Returns the closing message.
    QString run(const UpgradeScript& script);

    // Writes the release number into varset (the last step of an upgrade).
    void stampRelease(const QString& release = QString::fromLatin1(kReleaseNumber));

    // A new school database: the tables that exist before any upgrade, then V3 and V5, then the release.
    static void createSchool(Session& s, const Progress& progress = {});
    static void createBaseTables(Session& s);

private:
    StepOutcome runStep(const UpgradeStep& st);
    void execAll(const QStringList& statements);
    void upsertVarset(const QString& key, const QList<QPair<QString, QString>>& values);
    QVariant valueFor(const QString& column, const QString& text);

    Session& s_;
    Progress progress_;
};

}  // namespace oa
