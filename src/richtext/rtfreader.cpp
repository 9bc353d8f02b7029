#include "richtext/rtfreader.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "richtext/richedit.h"

#include <QColor>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace richtext {

namespace {

// What the bounds say when they are passed.
QString tooLargeText() {
    return QStringLiteral("RTF-документ больше %1 МБ не может быть прочитан").arg(MaxRtfSize >> 20);
}
QString tooDeepText() {
    return QStringLiteral("Ошибка в RTF-документе: вложенность групп больше %1").arg(MaxGroupDepth);
}
QString longWordText() {
    return QStringLiteral("Ошибка в RTF-документе: управляющее слово длиннее %1 букв").arg(MaxControlWord);
}
QString longParameterText() {
    return QStringLiteral("Ошибка в RTF-документе: числовой параметр длиннее %1 цифр").arg(MaxParameterDigits);
}
QString binaryText() {
    return QStringLiteral("Ошибка в RTF-документе: двоичные данные (\\bin) выходят за конец документа");
}
QString truncatedText() {
    return QStringLiteral("RTF-документ обрывается: не закрыта группа");
}
QString tooManyParagraphsText() {
    return QStringLiteral("RTF-документ содержит больше %1 абзацев").arg(MaxParagraphs);
}
QString tooManyCharsText() {
    return QStringLiteral("RTF-документ содержит больше %1 символов").arg(MaxDocumentChars);
}

constexpr int kDefaultCodePage = 1251;
constexpr int kSymbolCodePage = 42; // the symbol character set: bytes, not letters
constexpr int kMaxTwips = 31680;    // 22 inches, the largest page side
constexpr int kMaxFonts = 4096;
constexpr int kMaxColors = 4096;
constexpr int kMaxTabs = 64;
constexpr int kMaxFontName = 256;
constexpr int kMaxCells = 64;
constexpr int kDefaultHalfPoints = 24;
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;

enum class Kw {
    // destinations
    Skip, FontTable, ColorTable, Object, Result, Text,
    // document and encoding
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Deftab, Uc, U, Bin,
    // font and colour tables
    F, FCharset, Cpg, Red, Green, Blue,
    // characters
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, FontSize, Foreground, Background, Super, Sub,
    NoSuperSub, Hidden,
    // paragraphs
    Pard, Ql, Qr, Qc, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Tx, Tqr, Tqc, Tqdec,
    // breaks and special characters
    Par, SoftBreak, Line, Tab, Cell, Row, Trowd, Cellx, Char,
};

struct Keyword {
    Kw kw;
    char16_t ch = 0;
};

const Keyword* keyword(std::string_view word) {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t;
        for (const char* w :
             {"info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
              "footerf", "footnote", "annotation", "atnid", "atnauthor", "atntime", "atnref", "atndate", "pict",
              "pn", "pnseclvl", "listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "themedata",
              "colorschememapping", "latentstyles", "datastore", "filetbl", "generator", "template", "fldinst",
              "bkmkstart", "bkmkend", "shp", "shpinst", "shppict", "nonshppict", "nonesttables", "do", "txe", "xe",
              "tc", "private", "userprops", "docvar", "pgdsctbl", "background", "comment", "title", "subject",
              "author", "operator", "keywords", "doccomm", "company", "nextfile", "objdata", "objclass", "objname",
              "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "falt", "panose", "fontemb", "fontfile",
              "chdate", "chdpl", "chdpa", "chtime", "chpgn"})
            t.emplace(w, Keyword{Kw::Skip});
        for (const char* w : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
                              "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
                              "ulwave"})
            t.emplace(w, Keyword{Kw::Underline});
        const std::pair<const char*, Kw> words[] = {
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"object", Kw::Object},
            {"result", Kw::Result}, {"fldrslt", Kw::Text}, {"pntext", Kw::Text}, {"listtext", Kw::Text},
            {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca}, {"ansicpg", Kw::AnsiCpg},
            {"deff", Kw::Deff}, {"deftab", Kw::Deftab}, {"uc", Kw::Uc}, {"u", Kw::U}, {"bin", Kw::Bin},
            {"f", Kw::F}, {"fcharset", Kw::FCharset}, {"cpg", Kw::Cpg}, {"red", Kw::Red}, {"green", Kw::Green},
            {"blue", Kw::Blue}, {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic},
            {"ulnone", Kw::UnderlineNone}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
            {"fs", Kw::FontSize}, {"cf", Kw::Foreground}, {"cb", Kw::Background}, {"highlight", Kw::Background},
            {"super", Kw::Super}, {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"v", Kw::Hidden},
            {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qr", Kw::Qr}, {"qc", Kw::Qc}, {"qj", Kw::Qj}, {"qd", Kw::Qj},
            {"li", Kw::Li}, {"lin", Kw::Li}, {"ri", Kw::Ri}, {"rin", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb},
            {"sa", Kw::Sa}, {"sl", Kw::Sl}, {"slmult", Kw::SlMult}, {"tx", Kw::Tx}, {"tb", Kw::Tx},
            {"tqr", Kw::Tqr}, {"tqc", Kw::Tqc}, {"tqdec", Kw::Tqdec}, {"par", Kw::Par}, {"sect", Kw::SoftBreak},
            {"page", Kw::SoftBreak}, {"column", Kw::SoftBreak}, {"line", Kw::Line}, {"tab", Kw::Tab},
            {"cell", Kw::Cell}, {"nestcell", Kw::Cell}, {"row", Kw::Row}, {"nestrow", Kw::Row},
            {"trowd", Kw::Trowd}, {"cellx", Kw::Cellx},
        };
        for (const auto& [w, kw] : words)
            t.emplace(w, Keyword{kw});
        const std::pair<const char*, char16_t> chars[] = {
            {"emdash", 0x2014},   {"endash", 0x2013},    {"emspace", 0x2003},   {"enspace", 0x2002},
            {"qmspace", 0x2005},  {"bullet", 0x2022},    {"lquote", 0x2018},    {"rquote", 0x2019},
            {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
        };
        for (const auto& [w, ch] : chars)
            t.emplace(w, Keyword{Kw::Char, ch});
        return t;
    }();
    const auto it = table.find(word);
    return it == table.end() ? nullptr : &it->second;
}

// The code page of a font character set; 0 for the document's own.
int charsetCodePage(int charset) {
    static constexpr std::pair<int, int> pages[] = {
        {0, 1252},   {2, kSymbolCodePage}, {77, 10000}, {128, 932}, {129, 949}, {134, 936},
        {136, 950},  {161, 1253},          {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257}, {204, 1251},          {222, 874},  {238, 1250}, {254, 437},  {255, 850},
    };
    for (const auto& [cs, cp] : pages)
        if (cs == charset)
            return cp;
    return 0;
}

// A code page the reader can decode, or 0.
int knownCodePage(int cp) {
    static constexpr int pages[] = {437,  850,  866,  874,  932,  936,  949,  950,   1250, 1251,
                                    1252, 1253, 1254, 1255, 1256, 1257, 1258, 10000, kSymbolCodePage};
    return std::find(std::begin(pages), std::end(pages), cp) != std::end(pages) ? cp : 0;
}

struct CharProps {
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    int foreground = -1, background = -1; // colour table entries, none for the automatic colour
    QTextCharFormat::VerticalAlignment valign = QTextCharFormat::AlignNormal;
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0, right = 0, first = 0, before = 0, after = 0, spacing = 0;
    bool multiple = false;
    QTextOption::TabType nextTab = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;
};

enum class Dest { Text, Skip, FontTable, ColorTable, Object };

struct Group {
    Dest dest = Dest::Text;
    CharProps chp;
    ParaProps pap;
    int uc = 1;
};

struct FontEntry {
    QString name;
    int codePage = 0;
};

class Reader {
public:
    Reader(QByteArrayView in, QTextDocument& doc) : m_in(in), m_doc(doc), m_cursor(&doc) {}

    void run() {
        m_groups.reserve(MaxGroupDepth + 1);
        m_groups.push_back(Group{});
        m_pos = m_in.indexOf('{');
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            if (c == '{') {
                m_skip = 0;
                if (std::ssize(m_groups) > MaxGroupDepth)
                    throw EFormatError(tooDeepText());
                m_groups.push_back(m_groups.back());
            } else if (c == '}') {
                m_skip = 0;
                if (m_groups.size() == 2) {
                    finish();
                    return;
                }
                closeGroup();
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n') {
                if (consumeSkipped())
                    continue;
                textByte(static_cast<unsigned char>(c));
            }
        }
        throw EFormatError(truncatedText());
    }

private:
    // The end of the document's group: the last paragraph takes the
    // properties in force there.
    void finish() {
        flushText();
        if (!m_blockPending)
            formatBlock();
        QTextOption option = m_doc.defaultTextOption();
        option.setTabStopDistance(m_defaultTab);
        m_doc.setDefaultTextOption(option);
        QFont font;
        const auto it = m_fonts.find(m_defaultFont);
        font.setFamilies({it != m_fonts.end() ? it->second.name : QStringLiteral("Arial")});
        font.setPointSizeF(kDefaultHalfPoints / 2.0);
        m_doc.setDefaultFont(font);
    }

    Group& group() { return m_groups.back(); }

    // Whether the character just read is one of those a \uN stands for.
    bool consumeSkipped() {
        if (m_skip <= 0)
            return false;
        --m_skip;
        return true;
    }

    void closeGroup() {
        if (group().dest == Dest::FontTable)
            finishFont();
        m_groups.pop_back();
    }

    // ------------------------------------------------------------ tokens

    void control() {
        if (m_pos >= m_in.size())
            throw EFormatError(truncatedText());
        const char c = m_in[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            symbol(c);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]))
            if (m_pos++ - start >= MaxControlWord)
                throw EFormatError(longWordText());
        const std::string_view word(m_in.data() + start, std::size_t(m_pos - start));
        bool hasParam = false;
        bool negative = false;
        long long value = 0;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        const qsizetype digits = m_pos;
        while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') {
            if (m_pos - digits >= MaxParameterDigits)
                throw EFormatError(longParameterText());
            value = value * 10 + (m_in[m_pos++] - '0');
            hasParam = true;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        if (negative)
            value = -value;
        const int param = int(std::clamp<long long>(value, INT_MIN, INT_MAX));
        if (word == "bin") {
            binary(hasParam ? value : 0);
            return;
        }
        if (consumeSkipped())
            return;
        controlWord(word, hasParam, param);
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    void binary(long long count) {
        if (count < 0 || count > m_in.size() - m_pos)
            throw EFormatError(binaryText());
        m_pos += count; // pictures and objects: left out
        consumeSkipped();
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void symbol(char c) {
        if (c == '\'') {
            if (m_in.size() - m_pos < 2)
                throw EFormatError(truncatedText());
            const int hi = hexDigit(m_in[m_pos]), lo = hexDigit(m_in[m_pos + 1]);
            if (hi < 0 || lo < 0)
                return; // not an escape: the characters after it are read as text
            m_pos += 2;
            if (!consumeSkipped())
                textByte(static_cast<unsigned char>(hi * 16 + lo));
            return;
        }
        if (consumeSkipped())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            textByte(static_cast<unsigned char>(c));
            break;
        case '~':
            textChar(QChar::Nbsp);
            break;
        case '-':
            textChar(QChar::SoftHyphen);
            break;
        case '_':
            textChar(char16_t(0x2011));
            break;
        case '*':
            group().dest = Dest::Skip;
            break;
        case '\r':
        case '\n':
            if (group().dest == Dest::Text)
                endParagraph();
            break;
        case '\t':
            textChar(u'\t');
            break;
        default:
            break; // \: \| and the like: nothing in this document
        }
    }

    // ------------------------------------------------------------ control words

    void controlWord(std::string_view word, bool hasParam, int param) {
        const Keyword* k = keyword(word);
        if (!k)
            return;
        Group& g = group();
        const bool on = !hasParam || param != 0;
        switch (g.dest) {
        case Dest::Skip:
            return;
        case Dest::Object:
            if (k->kw == Kw::Result)
                g.dest = Dest::Text;
            return;
        case Dest::FontTable:
            fontTableWord(k->kw, param);
            return;
        case Dest::ColorTable:
            colorTableWord(k->kw, param);
            return;
        case Dest::Text:
            break;
        }
        CharProps& chp = g.chp;
        ParaProps& pap = g.pap;
        auto twips = [&](int lo) { return std::clamp(param, lo, kMaxTwips); };
        switch (k->kw) {
        case Kw::Skip:
            g.dest = Dest::Skip;
            break;
        case Kw::FontTable:
            g.dest = Dest::FontTable;
            break;
        case Kw::ColorTable:
            g.dest = Dest::ColorTable;
            m_colors.clear();
            m_formatCached = false;
            m_color = {};
            break;
        case Kw::Object:
            g.dest = Dest::Object;
            break;
        case Kw::Result:
        case Kw::Text:
            break;
        case Kw::Ansi:
            m_codePage = kDefaultCodePage;
            break;
        case Kw::Mac:
            m_codePage = 10000;
            break;
        case Kw::Pc:
            m_codePage = 437;
            break;
        case Kw::Pca:
            m_codePage = 850;
            break;
        case Kw::AnsiCpg:
            if (const int cp = knownCodePage(param); cp && cp != kSymbolCodePage)
                m_codePage = cp;
            break;
        case Kw::Deff:
            m_defaultFont = std::max(0, param);
            break;
        case Kw::Deftab:
            m_defaultTab = std::clamp(param, 1, kMaxTwips);
            break;
        case Kw::Uc:
            g.uc = std::clamp(param, 0, 255);
            break;
        case Kw::U:
            textChar(char16_t(param & 0xFFFF));
            m_skip = g.uc;
            break;
        case Kw::Plain:
            chp = CharProps{.font = m_defaultFont};
            break;
        case Kw::F:
            chp.font = std::max(0, param);
            break;
        case Kw::Bold:
            chp.bold = on;
            break;
        case Kw::Italic:
            chp.italic = on;
            break;
        case Kw::Underline:
            chp.underline = on;
            break;
        case Kw::UnderlineNone:
            chp.underline = false;
            break;
        case Kw::Strike:
            chp.strike = on;
            break;
        case Kw::Hidden:
            chp.hidden = on;
            break;
        case Kw::FontSize:
            chp.halfPoints = hasParam ? std::clamp(param, kMinHalfPoints, kMaxHalfPoints) : kDefaultHalfPoints;
            break;
        case Kw::Foreground:
            chp.foreground = std::max(0, param);
            break;
        case Kw::Background:
            chp.background = std::max(0, param);
            break;
        case Kw::Super:
            chp.valign = on ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
            break;
        case Kw::Sub:
            chp.valign = on ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
            break;
        case Kw::NoSuperSub:
            chp.valign = QTextCharFormat::AlignNormal;
            break;
        case Kw::Pard:
            pap = ParaProps{};
            break;
        case Kw::Ql:
            pap.align = Qt::AlignLeft;
            break;
        case Kw::Qr:
            pap.align = Qt::AlignRight;
            break;
        case Kw::Qc:
            pap.align = Qt::AlignHCenter;
            break;
        case Kw::Qj:
            pap.align = Qt::AlignJustify;
            break;
        case Kw::Li:
            pap.left = twips(-kMaxTwips);
            break;
        case Kw::Ri:
            pap.right = twips(-kMaxTwips);
            break;
        case Kw::Fi:
            pap.first = twips(-kMaxTwips);
            break;
        case Kw::Sb:
            pap.before = twips(0);
            break;
        case Kw::Sa:
            pap.after = twips(0);
            break;
        case Kw::Sl:
            pap.spacing = twips(-kMaxTwips);
            break;
        case Kw::SlMult:
            pap.multiple = on;
            break;
        case Kw::Tqr:
            pap.nextTab = QTextOption::RightTab;
            break;
        case Kw::Tqc:
            pap.nextTab = QTextOption::CenterTab;
            break;
        case Kw::Tqdec:
            pap.nextTab = QTextOption::DelimiterTab;
            break;
        case Kw::Tx:
            addTab(pap, twips(0));
            break;
        case Kw::Par:
            endParagraph();
            break;
        case Kw::SoftBreak:
            if (m_paragraphHasText)
                endParagraph();
            break;
        case Kw::Line:
            textChar(QChar::LineSeparator);
            break;
        case Kw::Tab:
            textChar(u'\t');
            break;
        case Kw::Char:
            textChar(k->ch);
            break;
        case Kw::Cell:
            if (m_cellPending) { // the cell before was empty
                m_cellPending = false;
                textChar(u'\t');
            }
            m_cellPending = true;
            break;
        case Kw::Row:
            m_cellPending = false;
            endParagraph(true);
            break;
        case Kw::Trowd:
            m_cells.clear();
            break;
        case Kw::Cellx:
            if (m_cells.size() < kMaxCells)
                m_cells.push_back(twips(0));
            break;
        case Kw::FCharset:
        case Kw::Cpg:
        case Kw::Red:
        case Kw::Green:
        case Kw::Blue:
        case Kw::Bin:
            break; // meaningful in the tables only; \bin is read with its data
        }
    }

    static void addTab(ParaProps& pap, int position) {
        if (pap.tabs.size() < kMaxTabs) {
            QTextOption::Tab tab(position, pap.nextTab);
            if (pap.nextTab == QTextOption::DelimiterTab)
                tab.delimiter = u'.';
            pap.tabs.append(tab);
        }
        pap.nextTab = QTextOption::LeftTab;
    }

    // ------------------------------------------------------------ font and colour tables

    void fontTableWord(Kw kw, int param) {
        switch (kw) {
        case Kw::F:
            finishFont();
            m_font = std::max(0, param);
            break;
        case Kw::FCharset:
            if (const int cp = charsetCodePage(param))
                m_fontEntry.codePage = cp;
            break;
        case Kw::Cpg:
            if (const int cp = knownCodePage(param))
                m_fontEntry.codePage = cp;
            break;
        case Kw::Skip:
            group().dest = Dest::Skip; // \panose, \falt...
            break;
        case Kw::U:
            fontNameChar(QChar(char16_t(param & 0xFFFF)));
            m_skip = group().uc;
            break;
        default:
            break;
        }
    }

    void fontNameChar(QChar ch) {
        if (m_font >= 0 && m_fontEntry.name.size() < kMaxFontName)
            m_fontEntry.name += ch;
    }

    void fontNameByte(unsigned char b) {
        if (b == ';') {
            finishFont();
            return;
        }
        if (m_font < 0)
            return;
        const int cp = m_fontEntry.codePage ? m_fontEntry.codePage : m_codePage;
        for (QChar ch : decode(QByteArrayView(reinterpret_cast<const char*>(&b), 1), cp))
            fontNameChar(ch);
    }

    void finishFont() {
        if (m_font < 0)
            return;
        if (std::ssize(m_fonts) < kMaxFonts || m_fonts.count(m_font)) {
            m_fontEntry.name = cleanText(m_fontEntry.name, false).trimmed();
            m_fonts[m_font] = m_fontEntry;
            m_formatCached = false;
        }
        m_font = -1;
        m_fontEntry = {};
    }

    void colorTableWord(Kw kw, int param) {
        const int v = std::clamp(param, 0, 255);
        switch (kw) {
        case Kw::Red:
            m_color.setRed(v);
            break;
        case Kw::Green:
            m_color.setGreen(v);
            break;
        case Kw::Blue:
            m_color.setBlue(v);
            break;
        default:
            return;
        }
        m_colorSet = true;
    }

    void colorByte(unsigned char b) {
        if (b != ';')
            return;
        if (std::ssize(m_colors) < kMaxColors)
            m_colors.push_back(m_colorSet ? m_color : QColor());
        m_formatCached = false;
        m_color = QColor(0, 0, 0);
        m_colorSet = false;
    }

    // ------------------------------------------------------------ text

    int codePage(const CharProps& chp) const {
        const auto it = m_fonts.find(chp.font);
        return it != m_fonts.end() && it->second.codePage ? it->second.codePage : m_codePage;
    }

    void textByte(unsigned char b) {
        switch (group().dest) {
        case Dest::Text:
            break;
        case Dest::FontTable:
            fontNameByte(b);
            return;
        case Dest::ColorTable:
            colorByte(b);
            return;
        case Dest::Skip:
        case Dest::Object:
            return;
        }
        const CharProps& chp = group().chp;
        if (chp.hidden)
            return;
        beginText(chp);
        const int cp = codePage(chp);
        if (!m_bytes.isEmpty() && cp != m_bytesCodePage)
            flushBytes();
        m_bytesCodePage = cp;
        m_bytes += char(b);
    }

    void textChar(QChar ch) {
        if (group().dest == Dest::FontTable) {
            fontNameChar(ch);
            return;
        }
        if (group().dest != Dest::Text || group().chp.hidden)
            return;
        beginText(group().chp);
        flushBytes();
        m_text += ch;
    }

    // Prepares for text in chp: a paragraph to hold it, the tab of a cell
    // before, the text of other formatting written out.
    void beginText(const CharProps& chp) {
        if (++m_chars > MaxDocumentChars)
            throw EFormatError(tooManyCharsText());
        if (chp != m_textProps)
            flushText();
        m_textProps = chp;
        m_paragraphHasText = true;
        if (m_cellPending) {
            m_cellPending = false;
            flushBytes();
            m_text += u'\t';
        }
    }

    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        m_text += decode(m_bytes, m_bytesCodePage);
        m_bytes.clear();
    }

    QString decode(QByteArrayView bytes, int cp) {
        if (cp == kDefaultCodePage)
            return cp1251::decode(bytes);
        if (cp == kSymbolCodePage) {
            QString s;
            for (char c : bytes)
                s += c == '\xB7' ? QChar(char16_t(0x2022)) : QChar(char16_t(static_cast<unsigned char>(c)));
            return s;
        }
        auto it = m_decoders.find(cp);
        if (it == m_decoders.end())
            it = m_decoders
                     .emplace(cp, QStringDecoder(cp == 10000 ? "macintosh" : QByteArray("cp" + QByteArray::number(cp))))
                     .first;
        if (!it->second.isValid())
            return cp1251::decode(bytes);
        it->second.resetState();
        return it->second.decode(bytes);
    }

    void flushText() {
        flushBytes();
        if (m_text.isEmpty())
            return;
        ensureBlock();
        m_cursor.insertText(cleanText(m_text, false), charFormat(m_textProps));
        m_text.clear();
    }

    void ensureBlock() {
        if (!m_blockPending)
            return;
        m_cursor.insertBlock();
        m_blockPending = false;
    }

    void endParagraph(bool row = false) {
        if (++m_chars > MaxDocumentChars)
            throw EFormatError(tooManyCharsText());
        if (++m_paragraphs >= MaxParagraphs)
            throw EFormatError(tooManyParagraphsText());
        flushText();
        ensureBlock();
        formatBlock(row);
        m_blockPending = true;
        m_paragraphHasText = false;
        m_cellPending = false;
    }

    // Gives the current paragraph the properties in force at its end; a
    // table row without tab stops of its own gets them at its cells' edges.
    void formatBlock(bool row = false) {
        const ParaProps& pap = group().pap;
        QTextBlockFormat f;
        f.setAlignment(pap.align);
        f.setLeftMargin(pap.left);
        f.setRightMargin(pap.right);
        f.setTextIndent(pap.first);
        f.setTopMargin(pap.before);
        f.setBottomMargin(pap.after);
        if (pap.spacing != 0 && pap.multiple)
            f.setLineHeight(std::abs(pap.spacing) * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (pap.spacing > 0)
            f.setLineHeight(pap.spacing, QTextBlockFormat::MinimumHeight);
        else if (pap.spacing < 0)
            f.setLineHeight(-pap.spacing, QTextBlockFormat::FixedHeight);
        QList<QTextOption::Tab> tabs = pap.tabs;
        if (row && tabs.isEmpty())
            for (std::size_t i = 0; i + 1 < m_cells.size(); ++i)
                tabs.append(QTextOption::Tab(m_cells[i], QTextOption::LeftTab));
        std::stable_sort(tabs.begin(), tabs.end(), [](const auto& a, const auto& b) { return a.position < b.position; });
        if (!tabs.isEmpty())
            f.setTabPositions(tabs);
        m_cursor.setBlockFormat(f);
        m_cursor.setBlockCharFormat(charFormat(group().chp));
    }

    QTextCharFormat charFormat(const CharProps& chp) {
        if (m_formatCached && chp == m_formatProps)
            return m_format;
        QTextCharFormat f;
        const auto it = m_fonts.find(chp.font);
        if (it != m_fonts.end())
            f.setFontFamilies(QStringList{it->second.name});
        f.setFontPointSize(chp.halfPoints / 2.0);
        if (chp.bold)
            f.setFontWeight(QFont::Bold);
        if (chp.italic)
            f.setFontItalic(true);
        if (chp.underline)
            f.setFontUnderline(true);
        if (chp.strike)
            f.setFontStrikeOut(true);
        if (chp.valign != QTextCharFormat::AlignNormal)
            f.setVerticalAlignment(chp.valign);
        auto color = [&](int index) {
            return index >= 0 && index < std::ssize(m_colors) ? m_colors[std::size_t(index)] : QColor();
        };
        if (const QColor c = color(chp.foreground); c.isValid())
            f.setForeground(c);
        if (const QColor c = color(chp.background); c.isValid())
            f.setBackground(c);
        m_format = f;
        m_formatProps = chp;
        m_formatCached = true;
        return f;
    }

    QByteArrayView m_in;
    qsizetype m_pos = 0;
    QTextDocument& m_doc;
    QTextCursor m_cursor;
    std::vector<Group> m_groups;
    int m_skip = 0; // characters still standing for the last \uN

    int m_codePage = kDefaultCodePage;
    int m_defaultFont = 0;
    int m_defaultTab = 720;
    std::map<int, FontEntry> m_fonts;
    int m_font = -1; // the font table entry being read
    FontEntry m_fontEntry;
    std::vector<QColor> m_colors;
    QColor m_color{0, 0, 0};
    bool m_colorSet = false;
    std::map<int, QStringDecoder> m_decoders;

    QString m_text;          // text not yet in the document, all in m_textProps
    QByteArray m_bytes;      // 8-bit text not yet decoded, in m_bytesCodePage
    int m_bytesCodePage = kDefaultCodePage;
    CharProps m_textProps;
    qsizetype m_chars = 0;
    int m_paragraphs = 0; // paragraph ends so far
    bool m_blockPending = false;      // a paragraph ended; the next text opens one
    bool m_paragraphHasText = false;
    bool m_cellPending = false;       // a cell ended; text after it in the row gets a tab
    std::vector<int> m_cells;         // right edges of the row's cells

    QTextCharFormat m_format;
    CharProps m_formatProps;
    bool m_formatCached = false;
};

void readPlain(QByteArrayView bytes, QTextDocument& doc) {
    const QString text = bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.sliced(3)) : cp1251::decode(bytes);
    if (text.size() > MaxDocumentChars)
        throw EFormatError(tooManyCharsText());
    if (text.count(u'\n') + text.count(u'\r') >= MaxParagraphs)
        throw EFormatError(tooManyParagraphsText());
    QTextCursor(&doc).insertText(cleanText(text, true));
}

} // namespace

bool isRtf(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

void readRtf(QByteArrayView bytes, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // also clears the stack
    document.clear();
    try {
        if (bytes.size() > MaxRtfSize)
            throw EFormatError(tooLargeText());
        if (isRtf(bytes))
            Reader(bytes, document).run();
        else
            readPlain(bytes, document);
    } catch (...) {
        document.clear();
        document.setUndoRedoEnabled(undo);
        throw;
    }
    document.setUndoRedoEnabled(undo);
}

} // namespace richtext
