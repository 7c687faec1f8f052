#pragma once
#include "common/sheets/Sheet.h"
#include "common/sheets/SheetWriter.h"

namespace oa {

class SheetReader {
public:
    // Reads worksheet 1 of a .xlsx, .xls (Excel 97-2003, also Excel 5.0/95) or .csv file, whichever the content
    // is, whatever the file is called. Each cell reads as the text the sheet shows: integers without ".0",
    // dates in shortDateFormat (empty: the system's short date format), formulas as their last result.
    // Throws SheetError naming the file when it is missing, empty, corrupt, cut short, password-protected
    // or of a format that cannot be read.
    static Sheet read(const QString& path, const QString& shortDateFormat = QString());

    // For the open dialog: every readable format first, then each on its own.
    static QString openFileFilter();
};

}  // namespace oa
