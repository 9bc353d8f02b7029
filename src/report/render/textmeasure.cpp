#include "report/render/textmeasure.h"

#include "common/fontnames.h"
#include "common/rounding.h"
#include "report/model/engine.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int32_t kMaxPointSize = 1500;
constexpr double kMaxScale = 64.0;

} // namespace

int frFontPixelHeight(std::int32_t pointSize, double scale) {
    const double size = std::clamp<std::int32_t>(pointSize, 1, kMaxPointSize) * 96.0 / 72.0;
    if (scale == 1.0 || !std::isfinite(scale))
        return roundHalfEven(size);
    const double scaled = size * std::clamp(scale, 0.0, kMaxScale);
    return static_cast<int>(scaled); // truncated toward zero
}

int TfrTextMeasurer::width(const TfrFont& font, QStringView text, int charSpacing) const {
    std::vector<int> adv;
    adv.reserve(static_cast<std::size_t>(text.size()));
    advances(font, text, adv);
    std::int64_t w = 0;
    for (int a : adv)
        w += a + charSpacing;
    return static_cast<int>(std::clamp<std::int64_t>(w, -0x3FFFFFFF, 0x3FFFFFFF));
}

// ---------------------------------------------------------------- fixed widths

void TfrFixedMeasurer::advances(const TfrFont&, QStringView text, std::vector<int>& out) const {
    out.insert(out.end(), static_cast<std::size_t>(text.size()), m_advance);
}

void TfrFixedMeasurer::drawText(QPainter& painter, const TfrFont& font, int pixelSize, QStringView text,
                                const std::vector<double>& lefts, double top, const QColor& color) const {
    if (lefts.size() < static_cast<std::size_t>(text.size()))
        return;
    // The cell width follows the scale of the font's pixel size.
    const double cell = double(m_advance) * pixelSize / frFontPixelHeight(font.size);
    const double h = std::max(1.0, pixelSize * 0.75);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ' || c == QChar(0xA0))
            continue;
        painter.fillRect(QRectF(lefts[static_cast<std::size_t>(i)], top, std::max(1.0, cell - 1.0), h), color);
    }
}

// ---------------------------------------------------------------- platform fonts

namespace {

QFont qtFont(const TfrFont& f, int pixelSize) {
    QFont font(f.name);
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(f.style & fsBold);
    font.setItalic(f.style & fsItalic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoSubpixelAntialias | QFont::PreferOutline));
    return font;
}

QString fontKey(const TfrFont& f, int pixelSize) {
    return f.name.toLower() + u'|' + QString::number(f.style & (fsBold | fsItalic)) + u'|' +
           QString::number(pixelSize);
}

} // namespace

struct TfrFontMeasurer::Cache {
    struct Face {
        QRawFont raw;
        QHash<char16_t, int> advances;
    };
    // At most this many faces are kept; older ones are dropped all at once.
    static constexpr int kMaxFaces = 256;
    QHash<QString, Face> faces;

    Face& face(const TfrFont& f, int pixelSize) {
        const QString key = fontKey(f, pixelSize);
        auto it = faces.find(key);
        if (it != faces.end())
            return *it;
        if (faces.size() >= kMaxFaces)
            faces.clear();
        Face face;
        face.raw = QRawFont::fromFont(qtFont(f, pixelSize));
        return *faces.insert(key, std::move(face));
    }
};

TfrFontMeasurer::TfrFontMeasurer() : m_cache(std::make_unique<Cache>()) { installSubstitutions(); }
TfrFontMeasurer::~TfrFontMeasurer() = default;

void TfrFontMeasurer::installSubstitutions() {
    for (const auto& [from, to] : fontnames::Substitutes) {
        const QString name = QString::fromUtf16(from);
        if (QFont::substitutes(name).isEmpty())
            QFont::insertSubstitution(name, QString::fromUtf16(to));
    }
}

void TfrFontMeasurer::advances(const TfrFont& font, QStringView text, std::vector<int>& out) const {
    const int px = frFontPixelHeight(font.size);
    Cache::Face& face = m_cache->face(font, px);
    for (QChar c : text) {
        auto it = face.advances.find(c.unicode());
        if (it == face.advances.end()) {
            int advance = px / 2;
            if (face.raw.isValid()) {
                const QList<quint32> glyphs = face.raw.glyphIndexesForString(QString(c));
                if (!glyphs.isEmpty()) {
                    const QList<QPointF> a = face.raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances);
                    if (!a.isEmpty())
                        advance = roundHalfEven(a.first().x());
                }
            }
            it = face.advances.insert(c.unicode(), advance);
        }
        out.push_back(*it);
    }
}

void TfrFontMeasurer::drawText(QPainter& painter, const TfrFont& font, int pixelSize, QStringView text,
                               const std::vector<double>& lefts, double top, const QColor& color) const {
    if (text.isEmpty() || lefts.size() < static_cast<std::size_t>(text.size()))
        return;
    Cache::Face& face = m_cache->face(font, std::max(1, pixelSize));
    if (!face.raw.isValid())
        return;
    const QString s = text.toString();
    const QList<quint32> glyphs = face.raw.glyphIndexesForString(s);
    if (glyphs.size() != s.size())
        return; // characters outside the basic plane: not in code page 1251 anyway
    const double baseline = top + std::round(face.raw.ascent());
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        positions << QPointF(lefts[static_cast<std::size_t>(i)], baseline);
    QGlyphRun run;
    run.setRawFont(face.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.setPen(color);
    painter.drawGlyphRun(QPointF(0, 0), run);
    if (!(font.style & (fsUnderline | fsStrikeOut)))
        return;
    // Underline and strike-out span the whole text, blanks included.
    const QList<QPointF> advances = face.raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances);
    double from = lefts[0], to = lefts[0];
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        from = std::min(from, lefts[static_cast<std::size_t>(i)]);
        to = std::max(to, lefts[static_cast<std::size_t>(i)] + (i < advances.size() ? advances[i].x() : 0.0));
    }
    const double thickness = std::max(1.0, std::round(face.raw.lineThickness()));
    if (font.style & fsUnderline) {
        const double y = baseline + std::max(1.0, std::round(face.raw.underlinePosition()));
        painter.fillRect(QRectF(from, y, to - from, thickness), color);
    }
    if (font.style & fsStrikeOut) {
        const double y = baseline - std::round(face.raw.xHeight() / 2);
        painter.fillRect(QRectF(from, y, to - from, thickness), color);
    }
}

// ---------------------------------------------------------------- the engine's measurer

namespace {

struct TfrMeasurerState {
    std::shared_ptr<const TfrTextMeasurer> measurer;
};

} // namespace

const TfrTextMeasurer& frTextMeasurer(TfrEngine& engine) {
    TfrMeasurerState& state = engine.state<TfrMeasurerState>();
    if (!state.measurer)
        state.measurer = std::make_shared<TfrFontMeasurer>();
    return *state.measurer;
}

void frSetTextMeasurer(TfrEngine& engine, std::shared_ptr<const TfrTextMeasurer> measurer) {
    engine.state<TfrMeasurerState>().measurer = std::move(measurer);
}
