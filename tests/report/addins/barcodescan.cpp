#include "barcodescan.h"

#include "report/addins/barcode.h"

#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <gtest/gtest.h>

namespace barcodescan {

bool haveScanner() { return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty(); }

QList<TSymbol> scanFile(const QString& path) {
    QProcess proc;
    proc.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), path});
    if (!proc.waitForFinished(60000) || proc.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "zbarimg did not finish on " << path.toStdString();
        return {};
    }
    // Exit code 4: the image holds no symbol zbar can read.
    if (proc.exitCode() == 4)
        return {};
    if (proc.exitCode() != 0) {
        ADD_FAILURE() << "zbarimg failed on " << path.toStdString() << ": "
                      << proc.readAllStandardError().toStdString();
        return {};
    }
    QList<TSymbol> symbols;
    for (const QByteArray& line : proc.readAllStandardOutput().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            symbols.append({QString::fromLatin1(line.left(colon)), line.mid(colon + 1)});
    }
    return symbols;
}

QImage render(TfrBarcode& code, double dpi, int quiet) {
    code.setLeft(quiet);
    code.setTop(quiet);
    const int w = code.width();
    const int h = std::abs(code.height());
    const double angle = std::fmod(std::fmod(code.angle(), 360.0) + 360.0, 360.0);
    const bool upright = angle == 90.0 || angle == 270.0;
    // The quadrilaterals cover one pixel more than their size downwards.
    const int across = (upright ? h : w) + 1 + 2 * quiet;
    const int along = (upright ? w : h) + 1 + 2 * quiet;
    const double scale = dpi / reportDpi;
    QImage image(int(std::ceil(across * scale)), int(std::ceil(along * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    code.drawOn(painter);
    return image;
}

} // namespace barcodescan
