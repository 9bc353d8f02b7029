#include "selection/configaccess/configtree.h"

#include "common/cp1251.h"

#include <pugixml.hpp>

#include <array>
#include <cstring>
#include <new>

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

QString parseStatusText(pugi::xml_parse_status status) {
    switch (status) {
    case pugi::status_unrecognized_tag: return u"непонятный тег"_qs;
    case pugi::status_bad_pi: return u"ошибка в инструкции обработки"_qs;
    case pugi::status_bad_comment: return u"ошибка в комментарии"_qs;
    case pugi::status_bad_cdata: return u"ошибка в разделе CDATA"_qs;
    case pugi::status_bad_doctype: return u"ошибка в объявлении типа документа"_qs;
    case pugi::status_bad_pcdata: return u"ошибка в тексте"_qs;
    case pugi::status_bad_start_element: return u"ошибка в открывающем теге"_qs;
    case pugi::status_bad_attribute: return u"ошибка в атрибуте"_qs;
    case pugi::status_bad_end_element: return u"ошибка в закрывающем теге"_qs;
    case pugi::status_end_element_mismatch: return u"закрывающий тег не соответствует открывающему"_qs;
    case pugi::status_no_document_element: return u"нет корневого элемента"_qs;
    default: return u"ошибка разбора XML"_qs;
    }
}

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

} // namespace

TTextPosition textPosition(const QByteArray& text, std::size_t offset) {
    const auto* data = reinterpret_cast<const unsigned char*>(text.constData());
    const std::size_t size = static_cast<std::size_t>(text.size());
    const std::size_t end = offset < size ? offset : size;
    std::size_t i = (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) ? 3 : 0;
    TTextPosition pos;
    std::size_t lineStart = i;
    for (; i < end; ++i) {
        const unsigned char c = data[i];
        // CR LF ends the line at its LF; a lone CR ends it too.
        if (c == '\n' || (c == '\r' && !(i + 1 < size && data[i + 1] == '\n'))) {
            ++pos.line;
            lineStart = i + 1;
        }
    }
    for (std::size_t k = lineStart; k < end; ++k)
        if (!isContinuation(data[k]))
            ++pos.column;
    return pos;
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

// Converts [p, end) into out, which has room for end - p bytes (a text never
// grows in conversion); returns the end of the written bytes.
char* convert(const unsigned char* p, const unsigned char* const end, char* out, bool& exact) {
    const auto& two = twoByteTable();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
            ++p;
            continue;
        }
        if ((c & 0xE0) == 0xC0 && end - p >= 2 && isContinuation(p[1])) {
            const char16_t cp = static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
            if (cp >= 0x80) {
                p += 2;
                const unsigned char b = two[cp];
                *out++ = b ? static_cast<char>(b) : '?';
                exact = exact && b != 0;
                continue;
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
            ++p;
            continue;
        }
        p += length;
        if (cp > 0xFFFF) {
            *out++ = '?'; // the two UTF-16 units of the character
            *out++ = '?';
            exact = false;
            continue;
        }
        const QChar ch(static_cast<char16_t>(cp));
        if (cp1251::isRepresentable(ch)) {
            *out++ = static_cast<char>(cp1251::toByte(ch));
        } else {
            *out++ = '?';
            exact = false;
        }
    }
    return out;
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

// Turns the XML document into the compact tree, breadth first.
class TConfigTree::Builder {
public:
    Builder(TConfigTree& tree, std::size_t base, std::size_t textSize) : m_tree(tree), m_base(base) {
        // Every value or name in the pool is at most as long as its text in the
        // file plus its zero, and the file spends at least three bytes on the
        // quotes and "=" around each value, so the file's size is enough.
        m_poolCapacity = textSize + 16;
        m_tree.m_pool.reset(new char[m_poolCapacity]);
        m_tree.m_pool[0] = '\0'; // offset 0: the empty text
        m_tree.m_poolSize = 1;
    }

    void build(pugi::xml_node root) {
        auto& nodes = m_tree.m_nodes;
        m_pending.push_back(root);
        nodes.emplace_back();
        for (std::size_t i = 0; i < m_pending.size(); ++i) {
            const pugi::xml_node element = m_pending[i];
            m_currentMark = static_cast<std::uint32_t>(i + 1);
            const auto firstProp = static_cast<std::uint32_t>(m_tree.m_props.size());
            nodes[i].firstProp = firstProp;
            const char* nodeName = "";
            bool named = false;
            std::size_t position = 0;
            for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
                if (std::strcmp(a.name(), "name") == 0) {
                    if (named)
                        fail(QString::fromUtf16(kNameTwice), element);
                    named = true;
                    nodeName = a.value();
                } else {
                    addProp(position++, a.name(), a.value(), element);
                }
            }
            nodes[i].name = internName(nodeName);
            const auto firstChild = static_cast<std::uint32_t>(m_pending.size());
            for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element)
                    continue;
                const char* tag = c.name();
                if (std::strcmp(tag, "node") == 0) {
                    if (m_pending.size() >= MaxNodes)
                        fail(QString::fromUtf16(kTooManyNodes), c);
                    m_pending.push_back(c);
                    nodes.emplace_back();
                } else if (std::strcmp(tag, "prop") == 0) {
                    const pugi::xml_attribute name = c.attribute("name");
                    if (!name)
                        fail(QString::fromUtf16(kPropWithoutName), c);
                    addProp(position++, name.value(), c.attribute("value").value(), c);
                } else {
                    fail(QString::fromUtf16(kUnknownElement).arg(QString::fromUtf8(tag)), c);
                }
            }
            nodes[i].firstChild = firstChild;
            nodes[i].childCount = static_cast<std::uint32_t>(m_pending.size()) - firstChild;
        }
        nodes.emplace_back();
        nodes.back().firstProp = static_cast<std::uint32_t>(m_tree.m_props.size());
        std::vector<pugi::xml_node>().swap(m_pending);
        nodes.shrink_to_fit();
        m_tree.m_props.shrink_to_fit();
        if (m_poolCapacity - m_tree.m_poolSize > m_tree.m_poolSize / 8 + 4096)
            resizePool(m_tree.m_poolSize);
    }

private:
    [[noreturn]] void fail(const QString& reason, pugi::xml_node at) const {
        const std::ptrdiff_t offset = at.offset_debug();
        throw TConfigSyntaxError{reason, offset < 0 ? 0 : m_base + static_cast<std::size_t>(offset)};
    }

    void resizePool(std::size_t capacity) {
        std::unique_ptr<char[]> pool(new char[capacity]);
        std::memcpy(pool.get(), m_tree.m_pool.get(), m_tree.m_poolSize);
        m_tree.m_pool = std::move(pool);
        m_poolCapacity = capacity;
    }

    std::uint32_t appendText(std::string_view utf8) {
        const std::size_t offset = m_tree.m_poolSize;
        const std::size_t need = offset + utf8.size() + 1; // a text never grows in conversion
        if (need > UINT32_MAX)
            throw TConfigSyntaxError{QString::fromUtf16(kTooLarge), 0};
        if (need > m_poolCapacity)
            resizePool(std::max(need, m_poolCapacity * 2));
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
        bool exact = true;
        char* end = convert(p, p + utf8.size(), m_tree.m_pool.get() + offset, exact);
        *end++ = '\0';
        m_tree.m_poolSize = static_cast<std::size_t>(end - m_tree.m_pool.get());
        return static_cast<std::uint32_t>(offset);
    }

    std::uint32_t internName(std::string_view utf8) {
        if (utf8.empty())
            return 0;
        // Siblings mostly share their kind.
        if (m_lastName.first == utf8)
            return m_lastName.second;
        auto it = m_nodeNames.find(utf8);
        if (it == m_nodeNames.end())
            it = m_nodeNames.emplace(std::string(utf8), appendText(utf8)).first;
        m_lastName = *it;
        return it->second;
    }

    std::uint32_t propId(std::string_view utf8) {
        const auto it = m_propIdsUtf8.find(utf8);
        if (it != m_propIdsUtf8.end())
            return it->second;
        const auto id = static_cast<std::uint32_t>(m_tree.m_foldedOf.size());
        m_propIdsUtf8.emplace(std::string(utf8), id);
        std::string name;
        if (utf8ToCp1251(utf8, name)) {
            m_tree.m_propIds.emplace(name, id);
            const auto folded = m_tree.m_foldedIds.try_emplace(upper(name), static_cast<std::uint32_t>(m_tree.m_foldedIds.size()));
            m_tree.m_foldedOf.push_back(folded.first->second);
        } else {
            m_tree.m_foldedOf.push_back(None);
        }
        m_seenBy.push_back(0);
        return id;
    }

    // position: the property's place among the node's properties. Nodes of one
    // kind mostly list the same properties in the same order, so the name met
    // at the same place last time is tried before the name table.
    void addProp(std::size_t position, std::string_view name, std::string_view value, pugi::xml_node at) {
        std::uint32_t id;
        if (position < m_recent.size() && m_recent[position].first == name) {
            id = m_recent[position].second;
        } else {
            id = propId(name);
            if (position < m_recent.size())
                m_recent[position] = {std::string(name), id};
        }
        if (m_seenBy[id] == m_currentMark)
            fail(QString::fromUtf16(kPropertyTwice).arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))), at);
        m_seenBy[id] = m_currentMark;
        m_tree.m_props.push_back(Prop{id, appendText(value)});
    }

    TConfigTree& m_tree;
    std::size_t m_base;
    // The number (from 1) of the node whose properties are being read, and per
    // property-name id the number of the last node that had it: a repeated
    // property is found without searching.
    std::uint32_t m_currentMark = 0;
    std::vector<pugi::xml_node> m_pending;
    TNameMap m_nodeNames;
    TNameMap m_propIdsUtf8;
    std::vector<std::uint32_t> m_seenBy;
    std::vector<std::pair<std::string, std::uint32_t>> m_recent = std::vector<std::pair<std::string, std::uint32_t>>(32);
    std::pair<std::string, std::uint32_t> m_lastName;
    std::size_t m_poolCapacity = 0;
};

std::unique_ptr<TConfigTree> TConfigTree::parse(QByteArray&& buffer) {
    char* data = buffer.data();
    const auto size = static_cast<std::size_t>(buffer.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        throw TConfigSyntaxError{QString::fromUtf16(kNotUtf8), 0};
    if (size >= UINT32_MAX / 2)
        throw TConfigSyntaxError{QString::fromUtf16(kTooLarge), 0};
    const std::size_t base = (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;

    // Comments, processing instructions, the declaration and CDATA sections
    // are skipped; text between elements is not needed and is kept inside its
    // element rather than as nodes of its own.
    constexpr unsigned kFlags =
        pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol | pugi::parse_embed_pcdata;
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_buffer_inplace(data + base, size - base, kFlags, pugi::encoding_utf8);
    if (result.status == pugi::status_out_of_memory)
        throw std::bad_alloc();
    if (!result)
        throw TConfigSyntaxError{parseStatusText(result.status), base + static_cast<std::size_t>(result.offset)};

    const pugi::xml_node root = doc.document_element();
    if (std::strcmp(root.name(), "config") != 0)
        throw TConfigSyntaxError{QString::fromUtf16(kRootNotConfig), base + static_cast<std::size_t>(root.offset_debug())};
    for (pugi::xml_node n = root.next_sibling(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            throw TConfigSyntaxError{QString::fromUtf16(kSecondRoot), base + static_cast<std::size_t>(n.offset_debug())};

    std::unique_ptr<TConfigTree> tree(new TConfigTree);
    Builder(*tree, base, size).build(root);
    return tree;
}

const char* TConfigTree::property(std::uint32_t node, std::string_view name) const {
    const Prop* const begin = m_props.data() + m_nodes[node].firstProp;
    const Prop* const end = m_props.data() + m_nodes[node + 1].firstProp;
    if (begin == end)
        return nullptr;
    const auto exact = m_propIds.find(name);
    if (exact != m_propIds.end())
        for (const Prop* p = begin; p != end; ++p)
            if (p->name == exact->second)
                return m_pool.get() + p->value;
    const auto folded = m_foldedIds.find(upper(name));
    if (folded == m_foldedIds.end())
        return nullptr;
    for (const Prop* p = begin; p != end; ++p)
        if (m_foldedOf[p->name] == folded->second)
            return m_pool.get() + p->value;
    return nullptr;
}

std::size_t TConfigTree::memoryUsage() const {
    std::size_t bytes = m_nodes.capacity() * sizeof(Node) + m_props.capacity() * sizeof(Prop) + m_poolSize +
                        m_foldedOf.capacity() * sizeof(std::uint32_t);
    for (const auto& [k, v] : m_propIds)
        bytes += k.capacity() + 48;
    for (const auto& [k, v] : m_foldedIds)
        bytes += k.capacity() + 48;
    return bytes;
}

} // namespace configaccess
