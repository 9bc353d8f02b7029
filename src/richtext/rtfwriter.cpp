#include "richtext/rtfwriter.h"

#include "common/cp1251.h"
#include "common/rounding.h"
#include "richtext/richedit.h"

#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace richtext {

namespace {

constexpr char crlf[] = "\r\n";
constexpr int kMaxTwips = 31680;

QByteArray num(long long n) { return QByteArray::number(n); }

int twips(double v, int lo) { return std::clamp(roundHalfEven(v), lo, kMaxTwips); }

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : m_doc(doc) { fontNumber(doc.defaultFont().family()); }

    QByteArray write() {
        QByteArray body;
        for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
            body += "\\pard" + paragraphWords(block.blockFormat());
            QByteArray words; // of the characters written last
            auto format = [&](const QTextCharFormat& f) {
                const QByteArray w = "\\plain" + charWords(f);
                if (w != words)
                    body += w + ' ';
                words = w;
            };
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                const QByteArray text = textBytes(f.text());
                if (!text.isEmpty()) {
                    format(f.charFormat());
                    body += text;
                }
            }
            format(block.charFormat()); // the paragraph end's
            body += "\\par";
            body += crlf;
        }
        const int tab = twips(m_doc.defaultTextOption().tabStopDistance(), 1);
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deftab" + num(tab) + "\\uc1" + crlf + "{\\fonttbl";
        for (qsizetype i = 0; i < m_fonts.size(); ++i) {
            QString name = m_fonts[i];
            name.remove(u';');
            out += "{\\f" + num(i) + "\\fnil\\fcharset204 " + escape(name) + ";}";
        }
        out += "}";
        out += crlf;
        out += "{\\colortbl;";
        for (QRgb c : m_colors)
            out += "\\red" + num(qRed(c)) + "\\green" + num(qGreen(c)) + "\\blue" + num(qBlue(c)) + ';';
        out += "}";
        out += crlf;
        return out + body + '}';
    }

private:
    int fontNumber(const QString& family) {
        qsizetype i = m_fonts.indexOf(family);
        if (i < 0) {
            i = m_fonts.size();
            m_fonts.append(family);
        }
        return int(i);
    }

    // The colour table entry of a brush's colour; 0 (automatic) for no brush.
    int colorNumber(const QBrush& brush) {
        if (brush.style() == Qt::NoBrush)
            return 0;
        const QRgb rgb = brush.color().rgb() | 0xFF000000;
        auto it = std::find(m_colors.begin(), m_colors.end(), rgb);
        if (it == m_colors.end())
            it = m_colors.insert(m_colors.end(), rgb);
        return int(it - m_colors.begin()) + 1;
    }

    QByteArray charWords(const QTextCharFormat& f) {
        QByteArray s = "\\f" + num(fontNumber(fontFamily(f, m_doc))) + "\\fs" +
                       num(std::clamp(roundHalfEven(fontPointSize(f, m_doc) * 2), 2, 3276));
        if (f.fontWeight() >= QFont::DemiBold)
            s += "\\b";
        if (f.fontItalic())
            s += "\\i";
        if (f.fontUnderline())
            s += "\\ul";
        if (f.fontStrikeOut())
            s += "\\strike";
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            s += "\\super";
        else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
            s += "\\sub";
        if (f.hasProperty(QTextFormat::ForegroundBrush))
            if (const int n = colorNumber(f.foreground()))
                s += "\\cf" + num(n);
        if (f.hasProperty(QTextFormat::BackgroundBrush))
            if (const int n = colorNumber(f.background()))
                s += "\\highlight" + num(n);
        return s;
    }

    static QByteArray paragraphWords(const QTextBlockFormat& f) {
        QByteArray s;
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignJustify)
            s += "\\qj";
        else if (a & Qt::AlignHCenter)
            s += "\\qc";
        else if (a & (Qt::AlignRight | Qt::AlignTrailing))
            s += "\\qr";
        else
            s += "\\ql";
        const std::pair<const char*, int> spacing[] = {
            {"\\li", twips(f.leftMargin(), -kMaxTwips)}, {"\\ri", twips(f.rightMargin(), -kMaxTwips)},
            {"\\fi", twips(f.textIndent(), -kMaxTwips)}, {"\\sb", twips(f.topMargin(), 0)},
            {"\\sa", twips(f.bottomMargin(), 0)},
        };
        for (const auto& [word, v] : spacing)
            if (v != 0)
                s += word + num(v);
        const double h = f.lineHeight();
        switch (f.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (const int sl = twips(h * 2.4, 0); sl > 0)
                s += "\\sl" + num(sl) + "\\slmult1";
            break;
        case QTextBlockFormat::MinimumHeight:
            if (const int sl = twips(h, 0); sl > 0)
                s += "\\sl" + num(sl) + "\\slmult0";
            break;
        case QTextBlockFormat::FixedHeight:
            if (const int sl = twips(h, 0); sl > 0)
                s += "\\sl-" + num(sl) + "\\slmult0";
            break;
        default:
            break;
        }
        for (const QTextOption::Tab& tab : f.tabPositions()) {
            if (tab.type == QTextOption::RightTab)
                s += "\\tqr";
            else if (tab.type == QTextOption::CenterTab)
                s += "\\tqc";
            else if (tab.type == QTextOption::DelimiterTab)
                s += "\\tqdec";
            s += "\\tx" + num(twips(tab.position, 0));
        }
        return s;
    }

    // A run's text: the characters with control words of their own as those
    // words, every other one escaped.
    static QByteArray textBytes(QStringView raw) {
        const QString text = cleanText(raw, false);
        QByteArray s;
        qsizetype plain = 0; // start of the characters not yet written
        auto word = [&](qsizetype i, const char* w) {
            s += escape(QStringView(text).sliced(plain, i - plain));
            s += w;
            plain = i + 1;
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            switch (text[i].unicode()) {
            case u'\t':
                word(i, "\\tab ");
                break;
            case QChar::LineSeparator:
                word(i, "\\line ");
                break;
            case QChar::Nbsp:
                word(i, "\\~");
                break;
            case QChar::SoftHyphen:
                word(i, "\\-");
                break;
            case 0x2011:
                word(i, "\\_");
                break;
            default:
                break;
            }
        }
        s += escape(QStringView(text).sliced(plain));
        return s;
    }

    const QTextDocument& m_doc;
    QStringList m_fonts;
    std::vector<QRgb> m_colors;
};

} // namespace

QByteArray escape(QStringView text) {
    static constexpr char digits[] = "0123456789abcdef";
    QByteArray s(text.size() * 4, Qt::Uninitialized); // \'hh: the longest but for \uN
    qsizetype n = 0;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (s.size() - n < 16)
            s.resize(s.size() * 2 + 16);
        char* out = s.data() + n;
        if (u == u'\\' || u == u'{' || u == u'}') {
            out[0] = '\\';
            out[1] = char(u);
            n += 2;
        } else if (u < 0x80) {
            out[0] = char(u);
            n += 1;
        } else if (cp1251::isRepresentable(ch)) {
            const unsigned char c = cp1251::toByte(ch);
            out[0] = '\\';
            out[1] = '\'';
            out[2] = digits[c >> 4];
            out[3] = digits[c & 15];
            n += 4;
        } else {
            const QByteArray word = "\\u" + num(std::int16_t(u)) + '?';
            std::copy(word.begin(), word.end(), out);
            n += word.size();
        }
    }
    s.truncate(n);
    return s;
}

QByteArray writeRtf(const QTextDocument& document) { return Writer(document).write(); }

} // namespace richtext
