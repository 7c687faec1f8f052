#pragma once
#include <QString>

class QComboBox;

namespace oa {

class Session;

// The choice lists every Registrar window fills from the configuration table. Database errors propagate as
// DbError to the window that asked.

// Replaces the list's items with the key's vname values in vid order.
void FillVarList(Session& s, const QString& key, QComboBox* list);
// The same, leaving out rows whose vname1 is exactly "关闭" (closed exams).
void FillOpenVarList(Session& s, const QString& key, QComboBox* list);
// Selects the key's stored current value (first row's vname) when the list has it. The lookup uses the
// trimmed value; the list's text is then set to the stored value as it is, blanks included.
void SelectVarCurrent(Session& s, const QString& key, QComboBox* list);
// True when some item equals the text exactly.
bool ListHasText(const QString& text, const QComboBox* list);

}  // namespace oa
