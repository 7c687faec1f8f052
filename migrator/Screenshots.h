#pragma once
#include <QString>
#include <QTextStream>

namespace oa {

// Walks the wizard through its five pages against a database and saves a picture of each page into folder:
// a real connect, backup and upgrade, with every message answered by a script and printed to out. Without a
// database a throw-away SQLite database of the oldest layout is made, so the upgrade has work to show.
int takeWizardScreenshots(const QString& folder, const QString& database, const QString& settingsPath, QTextStream& out);

}  // namespace oa
