#include "app/cli/frpinfo.h"

#include "app/cli/templateinfo.h"
#include "common/exception.h"
#include "common/rounding.h"
#include "common/textfile.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/model/engine.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int kMinDpi = 24, kMaxDpi = 600;
// The largest picture drawn: a side and a total in pixels.
constexpr qint64 kMaxSide = 20000, kMaxPixels = 100ll * 1000 * 1000;

QString quoted(const QString& s) {
    QString out = s;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'"', QStringLiteral("\\\""));
    return u'"' + frOneLine(out) + u'"';
}

QString textOf(const TfrView& v) {
    QStringList lines;
    for (const QString& line : v.workingText()) {
        QString s = frStripLineEnd(line);
        s.replace(frLineEnd, QStringLiteral("\\x01"));
        lines << quoted(s);
    }
    return lines.join(u' ');
}

QString loadMessage(const QString& path, const TfrLoadResult& result) {
    return QStringLiteral("%1: %2").arg(path, result.messages.join(QStringLiteral("; ")));
}

} // namespace

bool frPreparedInfo(TfrEngine& engine, const QString& path, QTextStream& out, QTextStream& err) {
    TfrReport report(engine);
    const TfrLoadResult result = frLoadPreparedReport(report, path);
    if (!result.ok()) {
        err << loadMessage(path, result) << Qt::endl;
        return false;
    }
    for (const QString& m : result.messages)
        err << path << QStringLiteral(": ") << m << Qt::endl;
    TfrEMFPages& pages = frPreparedPages(report);
    bool ok = true;
    out << QStringLiteral("Pages: %1").arg(pages.count()) << Qt::endl;
    for (int i = 0; i < pages.count(); ++i) {
        const TfrPreparedPage& p = pages[i];
        out << QStringLiteral("Page %1: paper %2, %3 x %4, %5, bin %6, margins %7 %8 %9 %10, %11, %12 bytes")
                   .arg(i + 1)
                   .arg(p.paperSize)
                   .arg(p.paperWidth)
                   .arg(p.paperHeight)
                   .arg(p.orientation == poLandscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                   .arg(p.bin)
                   .arg(p.margins.left)
                   .arg(p.margins.top)
                   .arg(p.margins.right)
                   .arg(p.margins.bottom)
                   .arg(p.usesMargins() ? QStringLiteral("margins used") : QStringLiteral("stretched to printable"))
                   .arg(p.streamSize())
            << Qt::endl;
        try {
            const TfrPage& page = pages.loadPage(i);
            for (const auto& v : page.objects())
                out << QStringLiteral("  %1 %2 at %3,%4 size %5 x %6: %7")
                           .arg(frKindName(*v), quoted(v->name()))
                           .arg(v->left)
                           .arg(v->top)
                           .arg(v->width)
                           .arg(v->height)
                           .arg(textOf(*v))
                    << Qt::endl;
        } catch (const Exception& e) {
            out << QStringLiteral("  error: ") << frOneLine(e.message()) << Qt::endl;
            err << path << QStringLiteral(": ") << frOneLine(e.message()) << Qt::endl;
            ok = false;
        }
        pages.releasePage(i);
    }
    return ok;
}

void frRenderPreparedPage(TfrEngine& engine, const QString& path, int pageNo, const QString& png, int dpi) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw Exception(QStringLiteral("Для рисования страниц нужно графическое приложение"));
    if (dpi < kMinDpi || dpi > kMaxDpi)
        throw Exception(QStringLiteral("Разрешение %1 вне пределов %2-%3 точек на дюйм").arg(dpi).arg(kMinDpi).arg(kMaxDpi));
    TfrReport report(engine);
    const TfrLoadResult result = frLoadPreparedReport(report, path);
    if (!result.ok())
        throw Exception(loadMessage(path, result));
    TfrEMFPages& pages = frPreparedPages(report);
    if (pageNo < 1 || pageNo > pages.count())
        throw Exception(QStringLiteral("В отчёте нет страницы %1 (страниц: %2)").arg(pageNo).arg(pages.count()));
    const TfrPreparedPage& p = pages[pageNo - 1];
    const TfrPrnInfo& info = p.prnInfo;
    // Report pixels to picture pixels.
    const double k = dpi / frunits::kPrinterPixelsPerInch;
    const qint64 w = roundHalfEven64(info.pgw * k), h = roundHalfEven64(info.pgh * k);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels)
        throw Exception(QStringLiteral("Страница %1 размером %2 x %3 точек не может быть нарисована").arg(pageNo).arg(w).arg(h));
    QImage image(int(w), int(h), QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRect target = frPaperCanvasRect(p, k);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        pages.draw(pageNo - 1, painter, target);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw Exception(QStringLiteral("Не удалось записать рисунок %1").arg(png));
    textfile::writeAtomically(png, bytes);
}

int runPreparedReportTool(TfrEngine& engine, const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty())
        return -1;
    if (args[0] == u"--frp-info") {
        if (args.size() != 2) {
            err << QStringLiteral("Ожидается: --frp-info FILE.frp") << Qt::endl;
            return 2;
        }
        return frPreparedInfo(engine, args[1], out, err) ? 0 : 1;
    }
    if (args[0] != u"--frp-render")
        return -1;
    const QString usage = QStringLiteral("Ожидается: --frp-render FILE.frp --page N --png OUT.png [--dpi D]");
    if (args.size() < 2) {
        err << usage << Qt::endl;
        return 2;
    }
    int page = 0, dpi = 96;
    QString png;
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) {
            err << usage << Qt::endl;
            return 2;
        }
        bool number = true;
        if (a == u"--page")
            page = args[++i].toInt(&number);
        else if (a == u"--dpi")
            dpi = args[++i].toInt(&number);
        else if (a == u"--png")
            png = args[++i];
        else
            number = false;
        if (!number) {
            err << usage << Qt::endl;
            return 2;
        }
    }
    if (page < 1 || png.isEmpty()) {
        err << usage << Qt::endl;
        return 2;
    }
    try {
        frRenderPreparedPage(engine, args[1], page, png, dpi);
        return 0;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}
