#include "report/preview/previewsearch.h"

#include "common/rounding.h"
#include "report/render/drawing.h"
#include "report/builder/preparedpages.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

// Measures like the engine's measurer and, instead of drawing text, notes
// what would be drawn where.
class TfrTextRecorder : public TfrTextMeasurer {
public:
    TfrTextRecorder(const TfrTextMeasurer& inner, std::vector<TfrDrawnText>& out) : m_inner(inner), m_out(out) {}

    void advances(const TfrFont& font, QStringView text, std::vector<int>& out) const override {
        m_inner.advances(font, text, out);
    }

    void drawText(QPainter&, const TfrFont& font, int pixelSize, QStringView text, const std::vector<double>& lefts,
                  double top, const QColor&) const override {
        if (text.isEmpty() || lefts.size() < std::size_t(text.size()))
            return;
        std::vector<int> last;
        m_inner.advances(font, text.last(1), last);
        const double scale = double(pixelSize) / std::max(1, frFontPixelHeight(font.size));
        const double left = lefts.front();
        const double right = lefts[std::size_t(text.size() - 1)] + (last.empty() ? 0 : last.front()) * scale;
        const int x = roundHalfEven(std::floor(left));
        const int y = roundHalfEven(std::floor(top));
        const int w = std::max(1, roundHalfEven(std::ceil(right)) - x);
        m_out.push_back(TfrDrawnText{text.toString(), QRect(x, y, w, std::max(1, pixelSize))});
    }

private:
    const TfrTextMeasurer& m_inner;
    std::vector<TfrDrawnText>& m_out;
};

} // namespace

QRect frPageDrawRect(const TfrPreparedPage& page, const QRect& pageRect, double zoom) {
    return frPaperCanvasRect(page, zoom).translated(pageRect.topLeft());
}

std::vector<TfrDrawnText> frDrawnTexts(TfrEMFPages& pages, int index) {
    std::vector<TfrDrawnText> texts;
    TfrPreparedPage& rec = pages[index];
    const bool shown = rec.visible;
    try {
        const TfrPage& page = pages.loadPage(index);
        const QRect rect = frPageDrawRect(rec, QRect(0, 0, rec.prnInfo.pgw, rec.prnInfo.pgh), 1.0);
        if (rec.prnInfo.pgw > 0 && rec.prnInfo.pgh > 0 && !rect.isEmpty()) {
            TfrEngine& engine = pages.report().engine();
            const TfrTextRecorder recorder(frTextMeasurer(engine), texts);
            QImage canvas(1, 1, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&canvas);
            TfrDrawContext c;
            c.painter = &painter;
            c.measurer = &recorder;
            c.transform.sx = double(rect.width()) / rec.prnInfo.pgw;
            c.transform.sy = double(rect.height()) / rec.prnInfo.pgh;
            c.transform.ox = rect.left();
            c.transform.oy = rect.top();
            // The canvas only stands in for the page: everything on it counts.
            c.visibleArea = QRect(0, 0, rec.prnInfo.pgw, rec.prnInfo.pgh);
            const TfrPainterRegistry& painters = frPainters(engine);
            for (const auto& v : page.objects())
                painters.draw(*v, c);
        }
    } catch (...) {
        if (!shown)
            pages.releasePage(index);
        throw;
    }
    if (!shown)
        pages.releasePage(index);
    return texts;
}

void TfrTextSearch::start(const QString& text, bool caseSensitive, bool fromStart, int currentPage) {
    m_caseSensitive = caseSensitive;
    m_given = text;
    m_text = caseSensitive ? text : text.toUpper();
    m_found = false;
    if (fromStart) {
        m_page = 0;
        m_record = 0;
        m_hitPage = -1;
    } else {
        resumeOnPage(currentPage);
    }
}

void TfrTextSearch::resumeOnPage(int currentPage) {
    if (currentPage != m_hitPage) {
        m_page = currentPage;
        m_record = 0;
    }
}

bool TfrTextSearch::findNext(int pageCount, const TextsOf& textsOf, const std::function<bool(int page)>& goOn) {
    if (m_text.isEmpty())
        return false;
    for (int page = std::max(0, m_page), record = m_record; page < pageCount; ++page, record = 0) {
        if (goOn && !goOn(page))
            return false;
        const std::vector<TfrDrawnText> texts = textsOf(page);
        for (int i = std::max(0, record); i < int(texts.size()); ++i) {
            const TfrDrawnText& t = texts[std::size_t(i)];
            if (m_caseSensitive ? t.text.contains(m_text) : t.text.toUpper().contains(m_text)) {
                m_page = page;
                m_record = i + 1;
                m_hitPage = page;
                m_found = true;
                m_hitBounds = t.bounds;
                return true;
            }
        }
    }
    return false;
}
