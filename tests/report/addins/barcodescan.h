#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

class TfrBarcode;

// Reading printed barcodes back with an independent reader: zbarimg of
// Debian's zbar-tools (scripts/setup.sh installs it), run as a process on
// image files. Barcodes drawn by the generator here and by the report object
// (through ostrand-cli) are decoded the same way.
namespace barcodescan {

// Report pixels per inch: 18 pixels to 5 mm.
constexpr double reportDpi = 18.0 / 5.0 * 25.4;

// One symbol zbarimg read: its symbology as zbar names it ("EAN-13",
// "CODE-128"...) and its data.
struct TSymbol {
    QString type;
    QByteArray data;
};

bool haveScanner();

// Every symbol zbarimg reads in an image file; nothing when it reads none.
// A reader that fails otherwise is a test failure.
QList<TSymbol> scanFile(const QString& path);

// The generator drawn on white at `dpi` with a quiet zone of `quiet` report
// pixels on every side, as a page printed at that resolution shows it. The
// generator's Left and Top are set to the quiet zone.
QImage render(TfrBarcode& code, double dpi, int quiet);

} // namespace barcodescan
