#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace oa {

// The sample-sheet pages of the import windows: each shows one sample sheet as a table, with its notes.

// The page captions this module provides, in the order of the sample-sheet window.
QStringList importHelpPages();
// A page's contents; nullptr when no sample sheet belongs to that caption.
QWidget* createImportHelpPage(const QString& page, QWidget* parent = nullptr);

// Opens the sample-sheet window on a page. The main window's sample-sheet window does it once the pages are
// registered; until then (and in tools run without the main window) a small window of its own shows the page.
void showImportHelp(const QString& page);
using HelpOpener = std::function<void(const QString& page)>;
void setImportHelpOpener(HelpOpener opener);

// Registers every page with the sample-sheet window and makes it the opener.
void registerImportHelpPages();

}  // namespace oa
