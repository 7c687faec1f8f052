#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace oa {

// The first worksheet of a file as the text a person sees in each cell; rows and columns count from 0.
// Rows may be ragged: a row ends at its last non-empty cell, the sheet at its last non-empty row.
struct Sheet {
    QList<QStringList> rows;

    // "" beyond the end of a row or of the sheet.
    QString cell(int r, int c) const;
    int rowCount() const;
    // The longest row.
    int columnCount() const;
};

// A spreadsheet could not be read or written. The message is one sentence for the user that names the file.
class SheetError : public std::runtime_error {
public:
    explicit SheetError(const QString& msg);
    QString message() const { return message_; }

private:
    QString message_;
};

}  // namespace oa
