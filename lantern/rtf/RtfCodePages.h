#pragma once
// Windows code pages as RTF uses them: \ansicpgN for the document, \fcharsetN (or \cpgN) per font.
#include <QByteArray>
#include <QString>

namespace oa::rtf {

// The code page of a Windows character set number (\fcharset); 0 for "the document's code page".
int codePageOfCharset(int charset);

// True for the code pages whose characters may take two bytes.
bool isDoubleByte(int codePage);

// True when the last byte of bytes opens a two-byte character whose second byte is still missing.
bool endsWithLeadByte(const QByteArray& bytes, int codePage);

// Text of bytes in a Windows code page. A code page this system cannot decode is read as 1252.
QString decode(const QByteArray& bytes, int codePage);

// The bytes of one character in a code page; empty when the code page has no such character.
QByteArray encodeChar(QChar ch, int codePage);

} // namespace oa::rtf
