#include "richtest.h"

#include "richtext/richedit.h"
#include "richtext/rtfreader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextItem>

namespace richtest {

namespace {

QString colorName(const QTextCharFormat& f, QTextFormat::Property p) {
    return f.hasProperty(p) && f.brushProperty(p).style() != Qt::NoBrush ? f.brushProperty(p).color().name()
                                                                          : QString();
}

TextRun runOf(const QTextCharFormat& f, const QTextDocument& doc, const QString& text) {
    return TextRun{text,
               richtext::fontFamily(f, doc),
               richtext::fontPointSize(f, doc),
               f.fontWeight() >= QFont::DemiBold,
               f.fontItalic(),
               f.fontUnderline(),
               f.fontStrikeOut(),
               colorName(f, QTextFormat::ForegroundBrush),
               colorName(f, QTextFormat::BackgroundBrush),
               int(f.verticalAlignment())};
}

} // namespace

std::vector<Paragraph> paragraphs(const QTextDocument& doc) {
    std::vector<Paragraph> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        Paragraph p{int(f.alignment() & Qt::AlignHorizontal_Mask),
                    f.leftMargin(),
                    f.rightMargin(),
                    f.textIndent(),
                    f.topMargin(),
                    f.bottomMargin(),
                    f.lineHeightType(),
                    f.lineHeightType() == QTextBlockFormat::SingleHeight ? 0 : f.lineHeight(),
                    {},
                    runOf(b.charFormat(), doc, {}),
                    {}};
        for (const QTextOption::Tab& t : f.tabPositions())
            p.tabs.emplace_back(t.position, int(t.type));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const TextRun r = runOf(it.fragment().charFormat(), doc, it.fragment().text());
            if (!p.runs.empty() && runOf(it.fragment().charFormat(), doc, p.runs.back().text) == p.runs.back())
                p.runs.back().text += r.text;
            else
                p.runs.push_back(r);
        }
        out.push_back(p);
    }
    return out;
}

void PrintTo(const TextRun& r, std::ostream* os) {
    *os << '"' << r.text.toStdString() << "\" " << r.family.toStdString() << ' ' << r.points
        << (r.bold ? " bold" : "") << (r.italic ? " italic" : "") << (r.underline ? " underline" : "")
        << (r.strike ? " strike" : "") << (r.foreground.isEmpty() ? "" : " fg ") << r.foreground.toStdString()
        << (r.background.isEmpty() ? "" : " bg ") << r.background.toStdString() << " valign " << r.valign;
}

void PrintTo(const Paragraph& p, std::ostream* os) {
    *os << "{align " << p.align << " li " << p.left << " ri " << p.right << " fi " << p.first << " sb " << p.before
        << " sa " << p.after << " line " << p.lineHeightType << '/' << p.lineHeight << " tabs";
    for (const auto& [pos, type] : p.tabs)
        *os << ' ' << pos << '/' << type;
    *os << " mark ";
    PrintTo(p.mark, os);
    for (const TextRun& r : p.runs) {
        *os << "\n  ";
        PrintTo(r, os);
    }
    *os << '}';
}

std::vector<Paragraph> read(const QByteArray& rtf) {
    QTextDocument doc;
    richtext::readRtf(rtf, doc);
    return paragraphs(doc);
}

QTextCharFormat format(const TextRun& r) {
    QTextCharFormat f;
    f.setFontFamilies({r.family});
    f.setFontPointSize(r.points);
    if (r.bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(r.italic);
    f.setFontUnderline(r.underline);
    f.setFontStrikeOut(r.strike);
    if (!r.foreground.isEmpty())
        f.setForeground(QColor(r.foreground));
    if (!r.background.isEmpty())
        f.setBackground(QColor(r.background));
    f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(r.valign));
    return f;
}

void build(QTextDocument& doc, const std::vector<Paragraph>& paragraphs) {
    QTextCursor cursor(&doc);
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const Paragraph& p = paragraphs[i];
        QTextBlockFormat f;
        f.setAlignment(Qt::Alignment(p.align));
        f.setLeftMargin(p.left);
        f.setRightMargin(p.right);
        f.setTextIndent(p.first);
        f.setTopMargin(p.before);
        f.setBottomMargin(p.after);
        f.setLineHeight(p.lineHeight, p.lineHeightType);
        QList<QTextOption::Tab> tabs;
        for (const auto& [pos, type] : p.tabs)
            tabs.append(QTextOption::Tab(pos, QTextOption::TabType(type), type == QTextOption::DelimiterTab ? u'.' : QChar()));
        f.setTabPositions(tabs);
        if (i == 0) {
            cursor.setBlockFormat(f);
            cursor.setBlockCharFormat(format(p.mark));
        } else {
            cursor.insertBlock(f, format(p.mark));
        }
        for (const TextRun& r : p.runs)
            cursor.insertText(r.text, format(r));
    }
}

class TRecordingDevice::Engine : public QPaintEngine {
public:
    explicit Engine(TRecordingDevice& device) : QPaintEngine(AllFeatures), m_device(device) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        m_device.drawn.push_back({item.text(), p, item.width()});
    }
    Type type() const override { return User; }

private:
    TRecordingDevice& m_device;
};

TRecordingDevice::TRecordingDevice() : m_engine(new Engine(*this)) {}
TRecordingDevice::~TRecordingDevice() { delete m_engine; }
QPaintEngine* TRecordingDevice::paintEngine() const { return m_engine; }

int TRecordingDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
    case PdmHeight:
        return 1 << 20;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 1440;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return 1 << 24;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return 0;
    }
}

QString drawnText(const std::vector<Drawn>& drawn) {
    QString s;
    for (const Drawn& d : drawn)
        for (QChar c : d.text)
            if (!c.isSpace() && c != QChar::SoftHyphen)
                s += c;
    return s;
}

} // namespace richtest
