#include "report/icons/icons.h"

#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// Draws the SVG file at the size asked instead of scaling a picture.
class TfrSvgIconEngine : public QIconEngine {
public:
    explicit TfrSvgIconEngine(QString path) : m_path(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QImage image = render(rect.size() * ratio, mode);
        image.setDevicePixelRatio(ratio);
        painter->drawImage(rect, image);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return QPixmap::fromImage(render(size, mode));
    }
    QIconEngine* clone() const override { return new TfrSvgIconEngine(m_path); }
    QString key() const override { return QStringLiteral("TfrSvgIconEngine"); }

private:
    QImage render(const QSize& size, QIcon::Mode mode) const {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(m_path);
        QPainter p(&image);
        renderer.render(&p);
        p.end();
        if (mode == QIcon::Disabled) {
            // Grey and faint, as disabled buttons are.
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = line[x];
                    const int a = qAlpha(c) / 2, g = qGray(c) / 2;
                    line[x] = qRgba(g, g, g, a);
                }
            }
        }
        return image;
    }

    QString m_path;
};

} // namespace

QIcon frReportIcon(const QString& name) {
    // The resources of a static library are registered when first asked for.
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
    const QString path = QStringLiteral(":/report/icons/") + name + QStringLiteral(".svg");
    if (!QFile::exists(path))
        return QIcon();
    return QIcon(new TfrSvgIconEngine(path));
}
