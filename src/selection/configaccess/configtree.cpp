#include "selection/configaccess/configtree.h"

#include "common/cp1251.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <array>

namespace configaccess {
namespace {

// Texts of the faults in a configuration file; they follow the position in the
// error message.
const char16_t* const kNotUtf8 = u"файл записан не в кодировке UTF-8";
const char16_t* const kTooLarge = u"файл слишком велик";
const char16_t* const kTooManyNodes = u"слишком много узлов";
const char16_t* const kRootNotConfig = u"корневой элемент должен называться config";
const char16_t* const kSecondRoot = u"после корневого элемента есть ещё элементы";
const char16_t* const kUnknownElement = u"неизвестный элемент <%1>";
const char16_t* const kPropWithoutName = u"у элемента <prop> нет атрибута name";
const char16_t* const kNameTwice = u"имя узла задано дважды";
const char16_t* const kPropertyTwice = u"свойство «%1» задано дважды";
// Faults of the XML itself.
const char16_t* const kBadTag = u"непонятный тег";
const char16_t* const kBadPi = u"ошибка в инструкции обработки";
const char16_t* const kBadComment = u"ошибка в комментарии";
const char16_t* const kBadCdata = u"ошибка в разделе CDATA";
const char16_t* const kBadDoctype = u"ошибка в объявлении типа документа";
const char16_t* const kBadStartTag = u"ошибка в открывающем теге";
const char16_t* const kBadAttribute = u"ошибка в атрибуте";
const char16_t* const kBadEndTag = u"ошибка в закрывающем теге";
const char16_t* const kTagMismatch = u"закрывающий тег не соответствует открывающему";
const char16_t* const kNoRoot = u"нет корневого элемента";

// Upper case of every code page 1251 byte.
const std::array<unsigned char, 256>& upperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = cp1251::toByte(cp1251::toUpper(cp1251::toChar(static_cast<unsigned char>(b))));
        return t;
    }();
    return table;
}

std::string upper(std::string_view s) {
    const auto& table = upperTable();
    std::string out(s.size(), '\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<char>(table[static_cast<unsigned char>(s[i])]);
    return out;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Line and column counting over a text given in pieces: CR LF ends a line at
// its LF, a lone CR ends it too; the column counts characters (every byte
// that is no UTF-8 continuation byte).
class TPositionCounter {
public:
    TPositionCounter(std::size_t start, std::size_t limit) : m_index(start), m_limit(limit) {}

    // Counts the bytes of the next piece; returns false once the limit is
    // reached (the byte at the limit settles a CR before it).
    bool feed(const unsigned char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i, ++m_index) {
            const unsigned char c = data[i];
            if (m_index >= m_limit) {
                if (m_pendingCr)
                    settleCr(c == '\n');
                return false;
            }
            if (m_pendingCr)
                settleCr(c == '\n');
            if (c == '\n') {
                ++m_line;
                m_column = 0;
            } else if (c == '\r') {
                m_pendingCr = true;
            } else if (!isContinuation(c)) {
                ++m_column;
            }
        }
        return true;
    }

    // The position at the limit, or at the end of the text when it is shorter.
    TTextPosition position() {
        if (m_pendingCr)
            settleCr(false);
        return TTextPosition{m_line, m_column + 1};
    }

private:
    void settleCr(bool followedByLf) {
        m_pendingCr = false;
        if (followedByLf) {
            ++m_column; // the LF ends the line
        } else {
            ++m_line;
            m_column = 0;
        }
    }

    std::size_t m_index;
    const std::size_t m_limit;
    int m_line = 1;
    int m_column = 0;
    bool m_pendingCr = false;
};

bool startsWithBom(const QByteArray& head) { return head.startsWith("\xEF\xBB\xBF"); }

} // namespace

TTextPosition textPosition(const QByteArray& text, std::size_t offset) {
    const std::size_t start = startsWithBom(text) ? 3 : 0;
    TPositionCounter counter(start, offset);
    const auto* data = reinterpret_cast<const unsigned char*>(text.constData());
    counter.feed(data + start, static_cast<std::size_t>(text.size()) - start);
    return counter.position();
}

TTextPosition textPosition(QIODevice& in, std::size_t offset) {
    const std::size_t start = startsWithBom(in.peek(3)) ? 3 : 0;
    if (start != 0)
        in.skip(3);
    TPositionCounter counter(start, offset);
    std::vector<unsigned char> buffer(std::size_t(1) << 16);
    for (;;) {
        const qint64 n = in.read(reinterpret_cast<char*>(buffer.data()), static_cast<qint64>(buffer.size()));
        if (n <= 0 || !counter.feed(buffer.data(), static_cast<std::size_t>(n)))
            break;
    }
    return counter.position();
}

namespace {

// Code page 1251 bytes of the characters U+0080..U+07FF (the two-byte UTF-8
// sequences, Cyrillic among them); 0 where the code page lacks the character.
const std::array<unsigned char, 0x800>& twoByteTable() {
    static const std::array<unsigned char, 0x800> table = [] {
        std::array<unsigned char, 0x800> t{};
        for (char16_t u = 0x80; u < 0x800; ++u)
            if (cp1251::isRepresentable(QChar(u)))
                t[u] = cp1251::toByte(QChar(u));
        return t;
    }();
    return table;
}

// Writes the code page 1251 form of a code point (a UTF-16 unit count of "?"
// when the code page lacks it).
char* putCodePoint(char32_t cp, char* out, bool& exact) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800 && twoByteTable()[cp] != 0) {
        *out++ = static_cast<char>(twoByteTable()[cp]);
    } else if (cp <= 0xFFFF && cp1251::isRepresentable(QChar(static_cast<char16_t>(cp)))) {
        *out++ = static_cast<char>(cp1251::toByte(QChar(static_cast<char16_t>(cp))));
    } else {
        *out++ = '?';
        if (cp > 0xFFFF)
            *out++ = '?'; // the two UTF-16 units of the character
        exact = false;
    }
    return out;
}

// Converts the UTF-8 sequence starting at p (a byte of 0x80 or above) into
// out; returns the byte after it. Every byte of a malformed sequence becomes
// one "?".
const unsigned char* convertSequence(const unsigned char* p, const unsigned char* const end, char*& out, bool& exact) {
    const unsigned char c = *p;
    if ((c & 0xE0) == 0xC0 && end - p >= 2 && isContinuation(p[1])) {
        const char16_t cp = static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
        if (cp >= 0x80) {
            const unsigned char b = twoByteTable()[cp];
            *out++ = b ? static_cast<char>(b) : '?';
            exact = exact && b != 0;
            return p + 2;
        }
    }
    int length = 0;
    char32_t cp = 0;
    if ((c & 0xF0) == 0xE0) {
        length = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        cp = c & 0x07;
    }
    bool valid = length > 0 && end - p >= length;
    for (int k = 1; valid && k < length; ++k) {
        if (!isContinuation(p[k]))
            valid = false;
        else
            cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (valid && (cp < (length == 3 ? 0x800u : 0x10000u) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
        valid = false;
    if (!valid) {
        *out++ = '?'; // one for every byte of a malformed sequence
        exact = false;
        return p + 1;
    }
    out = putCodePoint(cp, out, exact);
    return p + length;
}

// Converts [p, end) into out, which has room for end - p bytes (a text never
// grows in conversion); returns the end of the written bytes.
char* convert(const unsigned char* p, const unsigned char* const end, char* out, bool& exact) {
    while (p < end) {
        if (*p < 0x80)
            *out++ = static_cast<char>(*p++);
        else
            p = convertSequence(p, end, out, exact);
    }
    return out;
}

// The character or entity reference at p ('&'), as XML gives it: &lt; &gt;
// &amp; &quot; &apos; &#decimal; &#xhex;. Returns its length and sets cp, or
// 0 when p starts none (the "&" is then taken as it is).
std::size_t entityAt(const char* p, const char* end, char32_t& cp) {
    const std::size_t left = static_cast<std::size_t>(end - p);
    auto is = [&](std::string_view s) { return left >= s.size() && std::memcmp(p, s.data(), s.size()) == 0; };
    if (left < 3)
        return 0;
    switch (p[1]) {
    case 'l':
        if (is("&lt;")) return cp = '<', 4;
        return 0;
    case 'g':
        if (is("&gt;")) return cp = '>', 4;
        return 0;
    case 'a':
        if (is("&amp;")) return cp = '&', 5;
        if (is("&apos;")) return cp = '\'', 6;
        return 0;
    case 'q':
        if (is("&quot;")) return cp = '"', 6;
        return 0;
    case '#': {
        const bool hex = left > 2 && p[2] == 'x';
        const char* q = p + (hex ? 3 : 2);
        char32_t value = 0;
        int digits = 0;
        for (; q < end; ++q) {
            const char c = *q;
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                break;
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
            if (value > 0x10FFFF)
                return 0;
            ++digits;
        }
        if (digits == 0 || q == end || *q != ';' || value == 0 || (value >= 0xD800 && value <= 0xDFFF))
            return 0;
        cp = value;
        return static_cast<std::size_t>(q + 1 - p);
    }
    default:
        return 0;
    }
}

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Character classes of the reader.
enum : unsigned char {
    kSpace = 1,     // white space between the parts of a tag
    kNameStart = 2, // may start a name (bytes of multi-byte characters included)
    kNameChar = 4,  // may continue a name
    kPlain = 8,     // copied as it is from an attribute value
};

const std::array<unsigned char, 256>& classTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c) {
            unsigned char k = 0;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
                k |= kSpace;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80)
                k |= kNameStart | kNameChar;
            if ((c >= '0' && c <= '9') || c == '-' || c == '.')
                k |= kNameChar;
            if (c >= 0x20 && c < 0x80 && c != '&')
                k |= kPlain;
            t[static_cast<std::size_t>(c)] = k;
        }
        return t;
    }();
    return table;
}

} // namespace

bool utf8ToCp1251(std::string_view utf8, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + utf8.size());
    bool exact = true;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    char* const written = convert(p, p + utf8.size(), out.data() + old, exact);
    out.resize(static_cast<std::size_t>(written - out.data()));
    return exact;
}

// Reads the XML text piece by piece and builds the compact tree as elements
// end. A tag is first taken apart into spans of the buffer without changing
// anything; when it is not wholly in the buffer yet, more is read and the tag
// is taken again, so the tree only ever sees whole tags.
//
// The numbering: when a node ends, its children (ended before it and waiting
// on a stack with their properties) are appended to the tree, so the children
// of every node are consecutive; the node itself then waits for its own parent.
// A node's properties come from its start tag and from <prop> elements that
// may follow its children, so they gather on a stack of their own while the
// node is open.
class TConfigTree::Reader {
public:
    Reader(TConfigTree& tree, QIODevice& in, std::size_t chunkSize)
        : m_tree(tree), m_in(in), m_chunk(std::max<std::size_t>(chunkSize, 1)), m_classes(classTable()) {}

    void run() {
        m_tree.m_pool.push_back('\0'); // offset 0: the empty text
        start();
        for (;;) {
            const char* p = m_begin;
            // Mostly a line end and indentation lie between two tags.
            const char* const near = m_end - p > 32 ? p + 32 : m_end;
            while (p < near && *p != '<')
                ++p;
            const auto* lt = p < near ? p : static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(m_end - p)));
            if (lt == nullptr) { // text between elements is not kept
                m_begin = m_end;
                if (m_eof)
                    break;
                refill();
                continue;
            }
            m_begin = lt;
            const char* next = markup(lt);
            if (next == nullptr) {
                refill();
                continue;
            }
            m_begin = next;
        }
        if (!m_open.empty())
            fail(kTagMismatch, m_end);
        if (!m_rootDone)
            fail(kNoRoot, m_end);
        finish();
    }

private:
    enum class Kind : unsigned char { Node, Prop, Other };
    struct Span {
        const char* begin = nullptr;
        const char* end = nullptr;
        std::string_view view() const { return {begin, static_cast<std::size_t>(end - begin)}; }
        bool is(std::string_view s) const {
            const std::size_t n = static_cast<std::size_t>(end - begin);
            if (n != s.size())
                return false;
            for (std::size_t i = 0; i < n; ++i)
                if (begin[i] != s[i])
                    return false;
            return true;
        }
    };
    struct Attr {
        Span name;
        Span value;
    };
    struct Open {
        Kind kind = Kind::Node;
        std::uint32_t name = 0;        // pool offset of a node's name
        std::uint32_t serial = 0;      // tells the node's properties from others'
        std::uint32_t position = 0;    // properties so far
        std::size_t props = 0;         // where its properties begin on m_openProps
        std::size_t children = 0;      // where its ended children begin on m_waitingNodes
        std::size_t childProps = 0;    // and their properties on m_waitingProps
        std::size_t undo = 0;          // where its entries begin on m_undo
    };
    // A property name met at the same place of the previous start tag.
    struct Recent {
        std::string name;
        std::uint32_t id = None;
    };
    // A short value already in the pool.
    struct CachedValue {
        std::uint64_t key = 0;
        std::uint32_t offset = 0;
    };
    static constexpr int kValueCacheBits = 12;
    struct Undo {
        std::uint32_t id;
        std::uint32_t serial;
    };

    [[noreturn]] void fail(const QString& reason, const char* at) const {
        throw TConfigSyntaxError{reason, m_base + static_cast<std::size_t>(at - m_buffer.data()), {}};
    }
    [[noreturn]] void fail(const char16_t* reason, const char* at) const { fail(QString::fromUtf16(reason), at); }

    // The token at p ends beyond the data read so far: nullptr to read more
    // and take it again, or at the end of the file the fault.
    const char* more(const char16_t* reason, const char* at) const {
        if (m_eof)
            fail(reason, at);
        return nullptr;
    }

    bool isSpace(char c) const { return m_classes[static_cast<unsigned char>(c)] & kSpace; }
    bool isNameStart(char c) const { return m_classes[static_cast<unsigned char>(c)] & kNameStart; }
    bool isNameChar(char c) const { return m_classes[static_cast<unsigned char>(c)] & kNameChar; }

    // ------------------------------------------------------------------
    // The buffer

    void start() {
        m_buffer.reserve(2 * m_chunk);
        m_begin = m_end = m_buffer.data();
        while (!m_eof && m_end - m_begin < 3)
            refill();
        const auto* b = reinterpret_cast<const unsigned char*>(m_begin);
        const std::size_t n = static_cast<std::size_t>(m_end - m_begin);
        if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
            fail(kNotUtf8, m_begin);
        if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
            m_begin += 3;
    }

    // Moves the unread part to the buffer's start and reads one more piece,
    // growing the buffer when a token does not fit.
    void refill() {
        const std::size_t kept = static_cast<std::size_t>(m_end - m_begin);
        const std::size_t consumed = static_cast<std::size_t>(m_begin - m_buffer.data());
        if (kept != 0 && consumed != 0)
            std::memmove(m_buffer.data(), m_begin, kept);
        m_base += consumed;
        m_buffer.truncate(kept);
        // A token that is still incomplete is taken apart again from its
        // start after every read; reading as much again as it already holds
        // keeps that linear in the token's size.
        const std::size_t piece = std::max(m_chunk, kept);
        if (m_buffer.capacity() - kept < piece)
            m_buffer.reserve(std::max(kept + piece, 2 * m_buffer.capacity()));
        const std::size_t room = m_buffer.capacity() - kept;
        char* at = m_buffer.extend(room);
        const qint64 n = m_in.read(at, static_cast<qint64>(std::min(room, piece)));
        if (n < 0)
            throw TConfigReadError{};
        m_buffer.truncate(kept + static_cast<std::size_t>(n));
        m_begin = m_buffer.data();
        m_end = m_begin + m_buffer.size();
        if (n == 0)
            m_eof = true;
        if (m_base + m_buffer.size() >= UINT32_MAX / 2)
            throw TConfigSyntaxError{QString::fromUtf16(kTooLarge), 0, {}};
    }

    // ------------------------------------------------------------------
    // Tokens. Each takes the token starting at p ("<") and returns the byte
    // after it, or nullptr when more must be read first.

    const char* markup(const char* p) {
        if (m_end - p < 2)
            return more(kBadTag, p + 1);
        const char c = p[1];
        if (c == '/')
            return endTag(p);
        if (c == '!')
            return exclamation(p);
        if (c == '?')
            return instruction(p);
        if (isNameStart(c))
            return startTag(p);
        fail(kBadTag, p + 1);
    }

    const char* find(const char* from, std::string_view what) const {
        const char* p = from;
        while (m_end - p >= static_cast<std::ptrdiff_t>(what.size())) {
            p = static_cast<const char*>(std::memchr(p, what[0], static_cast<std::size_t>(m_end - p)));
            if (p == nullptr || m_end - p < static_cast<std::ptrdiff_t>(what.size()))
                return nullptr;
            if (std::memcmp(p, what.data(), what.size()) == 0)
                return p;
            ++p;
        }
        return nullptr;
    }

    bool startsWith(const char* p, std::string_view s) const {
        return static_cast<std::size_t>(m_end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
    }
    // Whether p could still start s once more is read.
    bool mayStartWith(const char* p, std::string_view s) const {
        const std::size_t n = std::min(static_cast<std::size_t>(m_end - p), s.size());
        return std::memcmp(p, s.data(), n) == 0;
    }

    // <?target ... ?>: the declaration and processing instructions are skipped.
    const char* instruction(const char* p) {
        const char* q = p + 2;
        if (q == m_end)
            return more(kBadPi, q);
        if (!isNameStart(*q))
            fail(kBadPi, q);
        while (q < m_end && isNameChar(*q))
            ++q;
        const char* close = find(q, "?>");
        if (close == nullptr)
            return more(kBadPi, q);
        return close + 2;
    }

    // Comments, CDATA sections (skipped: text is not kept) and the document
    // type declaration (skipped, at the document level only).
    const char* exclamation(const char* p) {
        const char* q = p + 2;
        if (q == m_end)
            return more(kBadTag, q);
        if (*q == '-') {
            if (m_end - q < 2)
                return more(kBadComment, q);
            if (q[1] != '-')
                fail(kBadComment, q);
            const char* close = find(q + 2, "-->");
            return close ? close + 3 : more(kBadComment, q + 2);
        }
        if (*q == '[') {
            if (!startsWith(q, "[CDATA[")) {
                if (mayStartWith(q, "[CDATA["))
                    return more(kBadCdata, q);
                fail(kBadCdata, q);
            }
            const char* close = find(q + 7, "]]>");
            return close ? close + 3 : more(kBadCdata, q + 7);
        }
        if (*q == 'D') {
            if (!startsWith(q, "DOCTYPE")) {
                if (mayStartWith(q, "DOCTYPE"))
                    return more(kBadDoctype, q);
                fail(kBadTag, q);
            }
            if (!m_open.empty())
                fail(kBadDoctype, p);
            return doctype(q + 7);
        }
        fail(kBadTag, q);
    }

    const char* doctype(const char* q) {
        int depth = 0;
        while (q < m_end) {
            const char c = *q;
            if (c == '"' || c == '\'') {
                const auto* close = static_cast<const char*>(std::memchr(q + 1, c, static_cast<std::size_t>(m_end - q - 1)));
                if (close == nullptr)
                    break;
                q = close + 1;
            } else if (c == '<' && mayStartWith(q, "<!--")) {
                if (m_end - q < 4)
                    break;
                const char* close = find(q + 4, "-->");
                if (close == nullptr)
                    break;
                q = close + 3;
            } else if (c == '[') {
                ++depth;
                ++q;
            } else if (c == ']') {
                --depth;
                ++q;
            } else if (c == '>' && depth <= 0) {
                return q + 1;
            } else {
                ++q;
            }
        }
        return more(kBadDoctype, m_end);
    }

    // </name>
    const char* endTag(const char* p) {
        const char* nameBegin = p + 2;
        const char* q = nameBegin;
        while (q < m_end && isNameChar(*q))
            ++q;
        if (q == m_end)
            return more(kBadEndTag, q);
        const char* nameEnd = q;
        while (q < m_end && isSpace(*q))
            ++q;
        if (q == m_end)
            return more(kBadEndTag, q);
        if (m_open.empty())
            fail(kTagMismatch, nameBegin);
        const std::string_view name(nameBegin, static_cast<std::size_t>(nameEnd - nameBegin));
        const Open& top = m_open.back();
        const bool matches = top.kind == Kind::Other ? name == m_otherNames.back()
                             : top.kind == Kind::Prop ? name == "prop"
                             : m_open.size() == 1      ? name == "config"
                                                       : name == "node";
        if (!matches)
            fail(kTagMismatch, nameBegin);
        if (*q != '>')
            fail(kBadEndTag, q);
        close();
        return q + 1;
    }

    // <name attr="value" ...> or <name .../>: taken apart into m_attrs first.
    const char* startTag(const char* p) {
        const char* q = p + 1;
        while (q < m_end && isNameChar(*q))
            ++q;
        const Span tag{p + 1, q};
        m_attrs.clear();
        bool selfClosing = false;
        for (;;) {
            const char* gap = q;
            while (q < m_end && isSpace(*q))
                ++q;
            if (q == m_end)
                return more(kBadStartTag, q);
            const char c = *q;
            if (c == '>') {
                ++q;
                break;
            }
            if (c == '/') {
                if (q + 1 == m_end)
                    return more(kBadStartTag, q + 1);
                if (q[1] != '>')
                    fail(kBadStartTag, q + 1);
                q += 2;
                selfClosing = true;
                break;
            }
            if (!isNameStart(c))
                fail(kBadStartTag, q);
            if (q == gap) // no space after the previous value
                fail(kBadAttribute, q);
            Attr a;
            a.name.begin = q;
            while (q < m_end && isNameChar(*q))
                ++q;
            a.name.end = q;
            while (q < m_end && isSpace(*q))
                ++q;
            if (q == m_end)
                return more(kBadAttribute, q);
            if (*q != '=')
                fail(kBadAttribute, q);
            ++q;
            while (q < m_end && isSpace(*q))
                ++q;
            if (q == m_end)
                return more(kBadAttribute, q);
            const char quote = *q;
            if (quote != '"' && quote != '\'')
                fail(kBadAttribute, q);
            a.value.begin = ++q;
            while (q < m_end && *q != quote)
                ++q;
            if (q == m_end)
                return more(kBadAttribute, a.value.begin);
            a.value.end = q++;
            m_attrs.push_back(a);
        }
        element(tag, selfClosing);
        return q;
    }

    // ------------------------------------------------------------------
    // Elements

    void element(const Span& tag, bool selfClosing) {
        if (!m_open.empty() && m_open.back().kind != Kind::Node) {
            // Inside <prop> nothing is read; the tags only have to match.
            if (!selfClosing) {
                m_open.push_back(Open{Kind::Other});
                m_otherNames.emplace_back(tag.view());
            }
            return;
        }
        if (m_open.empty()) {
            if (m_rootDone)
                fail(kSecondRoot, tag.begin);
            if (!tag.is("config"))
                fail(kRootNotConfig, tag.begin);
            openNode(tag, selfClosing);
        } else if (tag.is("node")) {
            openNode(tag, selfClosing);
        } else if (tag.is("prop")) {
            const Attr* name = nullptr;
            const Attr* value = nullptr;
            for (const Attr& a : m_attrs) {
                if (!name && a.name.is("name"))
                    name = &a;
                else if (!value && a.name.is("value"))
                    value = &a;
            }
            if (name == nullptr)
                fail(kPropWithoutName, tag.begin);
            std::string& decoded = m_decoded;
            decoded.clear();
            decodeUtf8(name->value, decoded);
            addProp(m_open.back(), propIdOfDecoded(decoded), decoded, value ? value->value : Span{}, tag.begin);
            if (!selfClosing)
                m_open.push_back(Open{Kind::Prop});
        } else {
            fail(QString::fromUtf16(kUnknownElement).arg(QString::fromUtf8(tag.begin, tag.end - tag.begin)), tag.begin);
        }
    }

    void openNode(const Span& tag, bool selfClosing) {
        if (m_nodeCount >= MaxNodes)
            fail(kTooManyNodes, tag.begin);
        ++m_nodeCount;
        Open o;
        o.kind = Kind::Node;
        o.serial = ++m_serial;
        o.props = m_openProps.size();
        o.children = m_waitingNodes.size();
        o.childProps = m_waitingProps.size();
        o.undo = m_undo.size();
        m_open.push_back(o);
        Open& self = m_open.back();
        const Attr* name = nullptr;
        for (const Attr& a : m_attrs) {
            if (a.name.is("name")) {
                if (name != nullptr)
                    fail(kNameTwice, tag.begin);
                name = &a;
            } else {
                addProp(self, attributeId(self.position, a.name.view()), a.name.view(), a.value, tag.begin);
            }
        }
        self.name = name ? internName(name->value) : 0;
        if (selfClosing)
            close();
    }

    void close() {
        Open& o = m_open.back();
        if (o.kind == Kind::Other)
            m_otherNames.pop_back();
        if (o.kind != Kind::Node) {
            m_open.pop_back();
            return;
        }
        auto& nodes = m_tree.m_nodes;
        auto& props = m_tree.m_props;
        // The node's children get their numbers now.
        const std::size_t childCount = m_waitingNodes.size() - o.children;
        const auto firstChild = static_cast<std::uint32_t>(nodes.size());
        if (childCount != 0) {
            const std::size_t propBase = props.size();
            props.append(m_waitingProps.data() + o.childProps, m_waitingProps.size() - o.childProps);
            Node* out = nodes.extend(childCount);
            const Node* in = m_waitingNodes.data() + o.children;
            for (std::size_t k = 0; k < childCount; ++k) {
                out[k] = in[k];
                out[k].firstProp = static_cast<std::uint32_t>(in[k].firstProp - o.childProps + propBase);
            }
            m_waitingNodes.truncate(o.children);
            m_waitingProps.truncate(o.childProps);
        }
        const bool isTop = m_open.size() == 1;
        Node self;
        self.name = o.name;
        self.firstChild = firstChild;
        self.childCount = static_cast<std::uint32_t>(childCount);
        const Prop* own = m_openProps.data() + o.props;
        const std::size_t ownCount = m_openProps.size() - o.props;
        if (isTop) {
            self.firstProp = static_cast<std::uint32_t>(props.size());
            props.append(own, ownCount);
            nodes.push_back(self);
            m_rootDone = true;
        } else {
            self.firstProp = static_cast<std::uint32_t>(m_waitingProps.size());
            m_waitingProps.append(own, ownCount);
            m_waitingNodes.push_back(self);
        }
        m_openProps.truncate(o.props);
        // The parent's marks that this node's properties covered come back.
        for (std::size_t k = m_undo.size(); k > o.undo; --k)
            m_seenBy[m_undo[k - 1].id] = m_undo[k - 1].serial;
        m_undo.truncate(o.undo);
        m_open.pop_back();
    }

    void finish() {
        auto& nodes = m_tree.m_nodes;
        Node end;
        end.firstProp = static_cast<std::uint32_t>(m_tree.m_props.size());
        nodes.push_back(end);
        nodes.shrinkToFit();
        m_tree.m_props.shrinkToFit();
        m_tree.m_pool.shrinkToFit();
    }

    // ------------------------------------------------------------------
    // Texts

    // An attribute value as UTF-8: references replaced, white space as spaces.
    void decodeUtf8(const Span& value, std::string& out) const {
        const char* p = value.begin;
        while (p < value.end) {
            const char c = *p;
            if (c == '&') {
                char32_t cp = 0;
                if (const std::size_t n = entityAt(p, value.end, cp)) {
                    appendUtf8(cp, out);
                    p += n;
                    continue;
                }
            } else if (c == '\r') {
                out += ' ';
                p += (p + 1 < value.end && p[1] == '\n') ? 2 : 1;
                continue;
            } else if (c == '\n' || c == '\t') {
                out += ' ';
                ++p;
                continue;
            } else if (c == '\0') {
                fail(kBadAttribute, value.begin);
            }
            out += c;
            ++p;
        }
    }

    // An attribute value appended to the pool in code page 1251.
    std::uint32_t appendValue(const Span& value) {
        const auto rawSize = static_cast<std::size_t>(value.end - value.begin);
        if (rawSize == 0)
            return 0;
        // Short values (kinds, flags, small numbers) repeat a lot: each is kept
        // once. The key is the value's bytes in the file and its length.
        CachedValue* slot = nullptr;
        std::uint64_t key = 0;
        if (rawSize <= 7) {
            if (m_end - value.begin >= 8) {
                std::memcpy(&key, value.begin, 8);
                key &= (std::uint64_t(1) << (8 * rawSize)) - 1;
            } else {
                std::memcpy(&key, value.begin, rawSize);
            }
            key |= std::uint64_t(rawSize) << 56;
            slot = &m_values[(key * 0x9E3779B97F4A7C15ull) >> (64 - kValueCacheBits)];
            if (slot->key == key)
                return slot->offset;
        }
        auto& pool = m_tree.m_pool;
        const std::size_t offset = pool.size();
        if (offset + rawSize + 1 > UINT32_MAX)
            throw TConfigSyntaxError{QString::fromUtf16(kTooLarge), 0, {}};
        char* const begin = pool.extend(rawSize + 1); // a text never grows in conversion
        char* out = begin;
        bool exact = true;
        const auto* p = reinterpret_cast<const unsigned char*>(value.begin);
        const auto* const end = reinterpret_cast<const unsigned char*>(value.end);
        while (p < end) {
            const unsigned char c = *p;
            if (m_classes[c] & kPlain) {
                *out++ = static_cast<char>(c);
                ++p;
            } else if (c >= 0x80) {
                if ((c & 0xE0) == 0xC0 && end - p >= 2 && isContinuation(p[1]) && c >= 0xC2) {
                    const unsigned char b = m_twoByte[((c & 0x1F) << 6) | (p[1] & 0x3F)];
                    *out++ = b ? static_cast<char>(b) : '?';
                    p += 2;
                    continue;
                }
                p = convertSequence(p, end, out, exact);
            } else if (c == '&') {
                char32_t cp = 0;
                if (const std::size_t n = entityAt(reinterpret_cast<const char*>(p), value.end, cp)) {
                    out = putCodePoint(cp, out, exact);
                    p += n;
                } else {
                    *out++ = '&';
                    ++p;
                }
            } else if (c == '\r') {
                *out++ = ' ';
                p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
            } else if (c == '\n' || c == '\t') {
                *out++ = ' ';
                ++p;
            } else if (c == 0) {
                fail(kBadAttribute, value.begin);
            } else {
                *out++ = static_cast<char>(c);
                ++p;
            }
        }
        *out++ = '\0';
        pool.truncate(offset + static_cast<std::size_t>(out - begin));
        if (slot != nullptr)
            *slot = CachedValue{key, static_cast<std::uint32_t>(offset)};
        return static_cast<std::uint32_t>(offset);
    }

    std::uint32_t internName(const Span& value) {
        std::string_view utf8 = value.view();
        if (utf8.find_first_of("&\t\n\r") != std::string_view::npos) {
            m_decoded.clear();
            decodeUtf8(value, m_decoded);
            utf8 = m_decoded;
        }
        if (utf8.empty())
            return 0;
        // Siblings mostly share their kind.
        if (m_lastName.first == utf8)
            return m_lastName.second;
        auto it = m_nodeNames.find(utf8);
        if (it == m_nodeNames.end()) {
            std::string converted;
            utf8ToCp1251(utf8, converted);
            auto& pool = m_tree.m_pool;
            const std::size_t offset = pool.size();
            if (offset + converted.size() + 1 > UINT32_MAX)
                throw TConfigSyntaxError{QString::fromUtf16(kTooLarge), 0, {}};
            pool.append(converted.c_str(), converted.size() + 1);
            it = m_nodeNames.emplace(std::string(utf8), static_cast<std::uint32_t>(offset)).first;
        }
        m_lastName = *it;
        return it->second;
    }

    std::uint32_t propIdOfDecoded(std::string_view utf8) {
        const auto it = m_propIdsUtf8.find(utf8);
        if (it != m_propIdsUtf8.end())
            return it->second;
        const auto id = static_cast<std::uint32_t>(m_tree.m_foldedOf.size());
        m_propIdsUtf8.emplace(std::string(utf8), id);
        std::string name;
        if (utf8ToCp1251(utf8, name)) {
            m_tree.m_propIds.emplace(name, id);
            const auto folded =
                m_tree.m_foldedIds.try_emplace(upper(name), static_cast<std::uint32_t>(m_tree.m_foldedIds.size()));
            m_tree.m_foldedOf.push_back(folded.first->second);
        } else {
            m_tree.m_foldedOf.push_back(None);
        }
        m_seenBy.push_back(0);
        return id;
    }

    // The id of an attribute's name. Nodes of one kind mostly list the same
    // properties in the same order, so the name met at the same place last
    // time is tried before the name table.
    std::uint32_t attributeId(std::uint32_t position, std::string_view name) {
        if (position < m_recent.size()) {
            const std::string& last = m_recent[position].name;
            if (last.size() == name.size() && std::equal(name.begin(), name.end(), last.begin()))
                return m_recent[position].id;
        }
        const std::uint32_t id = propIdOfDecoded(name);
        if (position < m_recent.size())
            m_recent[position] = Recent{std::string(name), id};
        return id;
    }

    void addProp(Open& node, std::uint32_t id, std::string_view utf8Name, const Span& value, const char* at) {
        ++node.position;
        if (m_seenBy[id] == node.serial)
            fail(QString::fromUtf16(kPropertyTwice)
                     .arg(QString::fromUtf8(utf8Name.data(), static_cast<qsizetype>(utf8Name.size()))),
                 at);
        m_undo.push_back(Undo{id, m_seenBy[id]});
        m_seenBy[id] = node.serial;
        m_openProps.push_back(Prop{id, value.begin ? appendValue(value) : 0});
    }

    TConfigTree& m_tree;
    QIODevice& m_in;
    const std::size_t m_chunk;
    const std::array<unsigned char, 256>& m_classes;
    const unsigned char* const m_twoByte = twoByteTable().data();

    TPodArray<char> m_buffer;
    const char* m_begin = nullptr; // unread data
    const char* m_end = nullptr;
    std::size_t m_base = 0; // file offset of the buffer's first byte
    bool m_eof = false;

    std::vector<Attr> m_attrs;
    std::vector<Open> m_open; // open elements, innermost last
    std::vector<std::string> m_otherNames;
    bool m_rootDone = false;
    std::uint32_t m_nodeCount = 0;
    std::uint32_t m_serial = 0;

    TPodArray<Prop> m_openProps;
    TPodArray<Node> m_waitingNodes;
    TPodArray<Prop> m_waitingProps;
    // Per property-name id the serial of the last node given it, and the
    // values it had before, restored when that node ends.
    std::vector<std::uint32_t> m_seenBy;
    TPodArray<Undo> m_undo;

    TNameMap m_nodeNames;
    TNameMap m_propIdsUtf8;
    std::vector<Recent> m_recent = std::vector<Recent>(32);
    std::pair<std::string, std::uint32_t> m_lastName;
    std::string m_decoded;
    std::vector<CachedValue> m_values = std::vector<CachedValue>(std::size_t(1) << kValueCacheBits);
};

std::unique_ptr<TConfigTree> TConfigTree::read(QIODevice& in, std::size_t chunkSize) {
    std::unique_ptr<TConfigTree> tree(new TConfigTree);
    const qint64 start = in.isSequential() ? 0 : in.pos();
    try {
        Reader(*tree, in, chunkSize).run();
    } catch (TConfigSyntaxError& e) {
        tree.reset();
        if (!in.isSequential() && in.seek(start))
            e.position = textPosition(in, e.offset);
        throw;
    }
    return tree;
}

std::unique_ptr<TConfigTree> TConfigTree::parse(const QByteArray& text, std::size_t chunkSize) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer, chunkSize);
}

TConfigTree::TPropertyKey TConfigTree::key(std::string_view name) const {
    TPropertyKey key;
    const auto exact = m_propIds.find(name);
    if (exact != m_propIds.end())
        key.exact = exact->second;
    const auto folded = m_foldedIds.find(upper(name));
    if (folded != m_foldedIds.end())
        key.folded = folded->second;
    return key;
}

const char* TConfigTree::property(std::uint32_t node, const TPropertyKey& key) const {
    const Prop* const begin = m_props.data() + m_nodes[node].firstProp;
    const Prop* const end = m_props.data() + m_nodes[node + 1].firstProp;
    if (key.exact != None)
        for (const Prop* p = begin; p != end; ++p)
            if (p->name == key.exact)
                return m_pool.data() + p->value;
    if (key.folded != None)
        for (const Prop* p = begin; p != end; ++p)
            if (m_foldedOf[p->name] == key.folded)
                return m_pool.data() + p->value;
    return nullptr;
}

std::size_t TConfigTree::memoryUsage() const {
    std::size_t bytes = m_nodes.capacity() * sizeof(Node) + m_props.capacity() * sizeof(Prop) + m_pool.capacity() +
                        m_foldedOf.capacity() * sizeof(std::uint32_t);
    for (const auto& [k, v] : m_propIds)
        bytes += k.capacity() + 48;
    for (const auto& [k, v] : m_foldedIds)
        bytes += k.capacity() + 48;
    return bytes;
}

} // namespace configaccess
