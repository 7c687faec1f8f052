#pragma once
// Windows bitmaps inside RTF pictures: the packed device-independent bitmap of \dibitmap (information header,
// colour table, pixel rows) and the device-dependent bits of \wbitmap.
#include <QByteArray>
#include <QImage>

namespace oa::rtf {

// A packed DIB of the image in its own colour depth where a DIB has one (1 and 8 bits with their colour table),
// else 24 bits. Transparent pixels are laid on white, as a rich edit control would show them.
QByteArray encodeDib(const QImage& image);

// The image of a packed DIB; a null image when the header makes no sense. Missing pixel rows read as black.
QImage decodeDib(const QByteArray& dib);

// The image of \wbitmap bits: rows from the top, widthBytes each (0: rows padded to 16 bits).
QImage decodeDdb(const QByteArray& bits, int width, int height, int bitsPerPixel, int widthBytes);

// The first bitmap drawn by a Windows or enhanced metafile (\wmetafile, \emfblip): word processors and rich edit
// controls wrap pasted bitmaps in one. A null image when it draws none.
QImage decodeMetafile(const QByteArray& metafile);

} // namespace oa::rtf
