#pragma once
// Chat messages are stored as RTF documents, as the Windows rich edit control of the first desktops wrote them,
// so that fonts, colours and pictures travel with the text. Qt reads and writes no RTF; this is our own.
#include <QString>

class QTextDocument;

namespace oa {

// The document as RTF text. The output is plain ASCII: other characters are written as \uN followed by their
// bytes in the font's Windows code page (GBK for Chinese faces) or '?' for readers without Unicode support.
// Pictures are written as device-independent bitmaps (\dibitmap), which every rich edit control shows.
QString toRtf(const QTextDocument& doc);

// Replaces the document's content with the RTF text. Pictures become image resources of the document.
// Never throws: malformed or truncated input gives whatever could be read from it.
void fromRtf(const QString& rtf, QTextDocument* doc);

} // namespace oa
