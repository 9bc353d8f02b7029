#include "report/icons/icons.h"

#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// Turns a premultiplied image grey in place, its alpha divided by `faint`.
void greyed(QImage& image, int faint) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c) / faint, g = qGray(c) / faint;
            line[x] = qRgba(g, g, g, a);
        }
    }
}

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
        if (mode == QIcon::Disabled)
            greyed(image, 2); // grey and faint, as disabled buttons are
        return image;
    }

    QString m_path;
};

// Another icon drawn grey in the normal mode.
class TfrGreyIconEngine : public QIconEngine {
public:
    explicit TfrGreyIconEngine(QIcon icon) : m_icon(std::move(icon)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (mode != QIcon::Normal)
            return m_icon.pixmap(size, mode, state);
        QImage image = m_icon.pixmap(size, QIcon::Normal, state).toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        greyed(image, 1);
        return QPixmap::fromImage(std::move(image));
    }
    QIconEngine* clone() const override { return new TfrGreyIconEngine(m_icon); }
    QString key() const override { return QStringLiteral("TfrGreyIconEngine"); }

private:
    QIcon m_icon;
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

QIcon frGreyedIcon(const QIcon& icon) { return icon.isNull() ? icon : QIcon(new TfrGreyIconEngine(icon)); }
