// The XML reader behind the local library, read directly: the same tree and
// the same faults whatever the size of the pieces the file is read in.

#include "selection/configaccess/configtree.h"

#include <QBuffer>
#include <QStringList>
#include <gtest/gtest.h>

#include <optional>
#include <random>

using configaccess::TConfigReadError;
using configaccess::TConfigSyntaxError;
using configaccess::TConfigTree;
using configaccess::TTextPosition;

namespace {

// Piece sizes that cut every token somewhere, and the usual one.
const std::size_t kChunks[] = {1, 2, 3, 5, 7, 13, 64, TConfigTree::DefaultChunkSize};

// Everything the reader skips or decodes, around a small tree.
const QByteArray kRich = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                         "<!-- made by gen --leaves 10 -- dashes inside are taken -->\n"
                         "<!DOCTYPE config [ <!ENTITY x \"a>b\"> <!-- ] > --> ]>\n"
                         "<config Version='7' name=\"Top\">\n"
                         "  <?pi inside ?>\n"
                         "  <node name=\"\xD0\x9F\xD0\xA1 &amp; &#1025;\" A = \"1\" Tab=\"a\tb\r\nc\" Quote='say \"hi\"'>\n"
                         "    <![CDATA[ <node name=\"not a node\"/> ]]>\n"
                         "    text between elements\n"
                         "    <node name=\"Leaf\" A=\"10\" B=\"\xD0\xA2\xD0\xA1\"/>\n"
                         "    <prop name=\"Long name &lt;x&gt;\" value=\"v&#x41;&#66;\"><ignored><deeper/></ignored></prop>\n"
                         "    <node name=\"Leaf\" A=\"1\" B=\"\xD0\xA2\xD0\xA3\" Empty=\"\"/>\n"
                         "  </node >\n"
                         "  <node/>\n"
                         "</config>\n"
                         "<!-- after the root -->\n";

const char* const kProps[] = {"A", "B", "Tab", "Quote", "Empty", "Version", "Long name <x>"};

// The tree as text: names, the properties above and children, depth first.
void dump(const TConfigTree& tree, std::uint32_t node, int depth, QByteArrayList& out) {
    QByteArray line = QByteArray(depth * 2, ' ') + tree.name(node);
    for (const char* p : kProps)
        if (const char* v = tree.property(node, p))
            line += QByteArray(" ") + p + "=[" + v + "]";
    out << line;
    for (std::uint32_t i = 0; i < tree.childCount(node); ++i)
        dump(tree, tree.child(node, i), depth + 1, out);
}

QByteArrayList dump(const QByteArray& xml, std::size_t chunk) {
    const auto tree = TConfigTree::parse(xml, chunk);
    QByteArrayList out;
    dump(*tree, tree->top(), 0, out);
    return out;
}

std::optional<TConfigSyntaxError> errorOf(const QByteArray& xml, std::size_t chunk) {
    try {
        TConfigTree::parse(xml, chunk);
    } catch (const TConfigSyntaxError& e) {
        return e;
    }
    return std::nullopt;
}

TEST(ConfigTreeReader, SameTreeForEveryPieceSize) {
    const QByteArrayList expected = {
        "Top Version=[7]",
        // "\xCF\xD1" is ПС, "\xA8" Ё in code page 1251.
        "  \xCF\xD1 & \xA8 A=[1] Tab=[a b c] Quote=[say \"hi\"] Long name <x>=[vAB]",
        "    Leaf A=[10] B=[\xD2\xD1]",
        "    Leaf A=[1] B=[\xD2\xD3] Empty=[]",
        "  ",
    };
    for (std::size_t chunk : kChunks)
        EXPECT_EQ(dump(kRich, chunk), expected) << "piece size " << chunk;
}

// The outcome of a parse as text: the tree, or the fault and its offset.
QByteArray outcome(const QByteArray& xml, std::size_t chunk) {
    try {
        return dump(xml, chunk).join('\n');
    } catch (const TConfigSyntaxError& e) {
        return "error at " + QByteArray::number(qulonglong(e.offset)) + ": " + e.reason.toUtf8();
    }
}

// Damaged copies of a rich file (bytes removed, doubled or replaced by markup
// characters): whatever the outcome, it does not depend on where the pieces
// are cut.
TEST(ConfigTreeReader, DamagedFilesGiveTheSameOutcomeForEveryPieceSize) {
    std::mt19937 random(20261209);
    const char marks[] = "<>/!?-[]\"'=& \n\r";
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray xml = kRich;
        for (int k = 0; k < 1 + round % 3; ++k) {
            const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(xml.size()));
            switch (random() % 3) {
            case 0: xml.remove(at, 1); break;
            case 1: xml.insert(at, xml[at]); break;
            default: xml[at] = marks[random() % (sizeof marks - 1)]; break;
            }
        }
        const QByteArray expected = outcome(xml, TConfigTree::DefaultChunkSize);
        errors += expected.startsWith("error at ");
        for (std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(64)})
            ASSERT_EQ(outcome(xml, chunk), expected) << "piece size " << chunk << "\n" << xml.toStdString();
    }
    EXPECT_GT(errors, 100); // the damage was seen
    EXPECT_LT(errors, 300);
}

TEST(ConfigTreeReader, ValuesLongerThanThePiecesAndTheBuffer) {
    const QByteArray value = QByteArray("\xD0\x96", 2).repeated(3000) + QByteArray("&amp;x").repeated(500);
    const QByteArray xml = "<config><node name=\"n\" V=\"" + value + "\"/></config>";
    for (std::size_t chunk : {std::size_t(7), std::size_t(1000), TConfigTree::DefaultChunkSize}) {
        const auto tree = TConfigTree::parse(xml, chunk);
        const char* v = tree->property(tree->child(tree->top(), 0), "V");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(QByteArray(v), QByteArray("\xC6").repeated(3000) + QByteArray("&x").repeated(500)) << chunk;
    }
}

// Values held once must still be told apart by every byte and the length.
TEST(ConfigTreeReader, RepeatedShortValuesStayDistinct) {
    const QByteArrayList values = {"1", "10", "1 ", "01", "", "&lt;", "<", "\xD0\xA2\xD0\xA1", "\xD0\xA2\xD0\xA3",
                                   "1234567", "12345678", "1234568"};
    QByteArray xml = "<config>";
    for (int round = 0; round < 3; ++round)
        for (const QByteArray& v : values)
            xml += "<node name=\"n\" V=\"" + v + "\"/>";
    xml += "</config>";
    const auto tree = TConfigTree::parse(xml);
    const QByteArrayList expected = {"1", "10", "1 ", "01", "", "<", "<", "\xD2\xD1", "\xD2\xD3",
                                     "1234567", "12345678", "1234568"};
    ASSERT_EQ(tree->childCount(tree->top()), 3u * values.size());
    for (std::uint32_t i = 0; i < tree->childCount(tree->top()); ++i)
        EXPECT_EQ(QByteArray(tree->property(tree->child(tree->top(), i), "V")), expected[i % expected.size()]) << i;
}

TEST(ConfigTreeReader, ChildrenOfEveryNodeAreConsecutive) {
    // A deep chain and a wide level in one file.
    QByteArray xml = "<config>";
    constexpr int kDepth = 5000;
    for (int i = 0; i < kDepth; ++i)
        xml += "<node name=\"D\" N=\"" + QByteArray::number(i) + "\">";
    xml += QByteArray("<node name=\"W\"/>").repeated(300);
    for (int i = 0; i < kDepth; ++i)
        xml += "</node>";
    xml += "<node name=\"Last\"/></config>";
    const auto tree = TConfigTree::parse(xml, 4096);
    EXPECT_EQ(tree->nodeCount(), 1u + kDepth + 300 + 1);
    std::uint32_t n = tree->top();
    ASSERT_EQ(tree->childCount(n), 2u);
    EXPECT_STREQ(tree->name(tree->child(n, 1)), "Last");
    n = tree->child(n, 0);
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_STREQ(tree->property(n, "N"), QByteArray::number(i).constData());
        ASSERT_EQ(tree->childCount(n), i + 1 < kDepth ? 1u : 300u);
        if (i + 1 < kDepth)
            n = tree->child(n, 0);
    }
    for (std::uint32_t k = 0; k < 300; ++k)
        EXPECT_STREQ(tree->name(tree->child(n, k)), "W");
    EXPECT_EQ(tree->child(n, 300), TConfigTree::None);
}

// A node's own properties are told from its children's even when <prop>
// elements follow the children.
TEST(ConfigTreeReader, PropertyRepeatedAfterChildren) {
    const auto tree = TConfigTree::parse(
        "<config><node name=\"p\" A=\"1\"><node name=\"c\" B=\"2\"><prop name=\"A\" value=\"c\"/></node>"
        "<prop name=\"B\" value=\"3\"/></node></config>");
    const std::uint32_t parent = tree->child(tree->top(), 0);
    const std::uint32_t child = tree->child(parent, 0);
    EXPECT_STREQ(tree->property(parent, "A"), "1");
    EXPECT_STREQ(tree->property(parent, "B"), "3");
    EXPECT_STREQ(tree->property(child, "A"), "c");
    EXPECT_STREQ(tree->property(child, "B"), "2");

    const auto e = errorOf("<config><node name=\"p\" A=\"1\"><node name=\"c\" A=\"2\"/>\n"
                           "<prop name=\"A\" value=\"3\"/></node></config>",
                           TConfigTree::DefaultChunkSize);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason, u"свойство «A» задано дважды"_qs);
    EXPECT_EQ(e->position.line, 2);
    EXPECT_EQ(e->position.column, 2);
}

TEST(ConfigTreeReader, FaultsAreFoundAtTheSamePlaceForEveryPieceSize) {
    const struct {
        QByteArray xml;
        QString reason;
        int line, column;
    } cases[] = {
        {"", u"нет корневого элемента"_qs, 1, 1},
        {"<?xml version=\"1.0\"?>\n<!-- only -->\n", u"нет корневого элемента"_qs, 3, 1},
        {"<config>\n<node name=\"a\">\n</config>", u"закрывающий тег не соответствует открывающему"_qs, 3, 3},
        {"<config>\n<node name=\"a\">", u"закрывающий тег не соответствует открывающему"_qs, 2, 16},
        {"<config/>\n</config>", u"закрывающий тег не соответствует открывающему"_qs, 2, 3},
        {"<config>\n<node name=\"a\" x=\"1\"y=\"2\"/>\n</config>", u"ошибка в атрибуте"_qs, 2, 21},
        {"<config>\n<node name=\"a\" x=\"1/>\n</config>", u"ошибка в атрибуте"_qs, 2, 19},
        {"<config>\n<node name=\"a\" x/>\n</config>", u"ошибка в атрибуте"_qs, 2, 17},
        {"<config>\n<node name=\"a\"/x>\n</config>", u"ошибка в открывающем теге"_qs, 2, 16},
        {"<config>\n<node =\"a\"/>\n</config>", u"ошибка в открывающем теге"_qs, 2, 7},
        {"<config>\n< node/>\n</config>", u"непонятный тег"_qs, 2, 2},
        {"<config>\n<node/ >\n</config>", u"ошибка в открывающем теге"_qs, 2, 7},
        {"<config>\n</config x>", u"ошибка в закрывающем теге"_qs, 2, 10},
        {"<config>\n<!- x -->\n</config>", u"ошибка в комментарии"_qs, 2, 3},
        {"<config>\n<!-- x\n</config>", u"ошибка в комментарии"_qs, 2, 5},
        {"<config>\n<![CDATA[ x\n</config>", u"ошибка в разделе CDATA"_qs, 2, 10},
        {"<config>\n<![CDAT x]]>\n</config>", u"ошибка в разделе CDATA"_qs, 2, 3},
        {"<config>\n<?pi x\n</config>", u"ошибка в инструкции обработки"_qs, 2, 5},
        {"<config>\n<!DOCTYPE config>\n</config>", u"ошибка в объявлении типа документа"_qs, 2, 1},
        {"<!DOCTYPE config [ <!ENTITY x \"y\"> \n<config/>", u"ошибка в объявлении типа документа"_qs, 2, 10},
        {"<config>\n<node name=\"a\" name=\"b\"/>\n</config>", u"имя узла задано дважды"_qs, 2, 2},
        {"<config>\n<prop name=\"a\"><node name=\"x\"></prop>\n</config>",
         u"закрывающий тег не соответствует открывающему"_qs, 2, 33},
        {"<config/>junk<node/>", u"после корневого элемента есть ещё элементы"_qs, 1, 15},
    };
    for (const auto& c : cases) {
        const QByteArray& xml = c.xml;
        std::optional<TConfigSyntaxError> first;
        for (std::size_t chunk : kChunks) {
            const auto e = errorOf(xml, chunk);
            ASSERT_TRUE(e) << xml.toStdString() << " piece size " << chunk;
            EXPECT_EQ(e->reason, c.reason) << xml.toStdString() << " piece size " << chunk;
            EXPECT_EQ(e->position.line, c.line) << xml.toStdString() << " piece size " << chunk;
            EXPECT_EQ(e->position.column, c.column) << xml.toStdString() << " piece size " << chunk;
            if (first) {
                EXPECT_EQ(e->offset, first->offset) << xml.toStdString() << " piece size " << chunk;
            }
            first = e;
        }
    }
}

TEST(ConfigTreeReader, ZeroByteInsideAValueIsRefused) {
    static const char kText[] = "<config><node V=\"a\0b\"/></config>";
    const QByteArray xml(kText, sizeof kText - 1);
    const auto e = errorOf(xml, 5);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason, u"ошибка в атрибуте"_qs);
    EXPECT_EQ(e->offset, 17u);
}

TEST(ConfigTreeReader, PositionsOfADeviceMatchThoseOfTheText) {
    const QByteArray text = "\xEF\xBB\xBF" "a\r\nb\rc\n\xD0\x96\xD0\x96x\r\r\n\n\xF0\x9F\x98\x80y\r";
    for (std::size_t offset = 0; offset <= static_cast<std::size_t>(text.size()) + 1; ++offset) {
        QBuffer device;
        device.setData(text);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        const TTextPosition a = configaccess::textPosition(text, offset);
        const TTextPosition b = configaccess::textPosition(device, offset);
        EXPECT_EQ(a.line, b.line) << offset;
        EXPECT_EQ(a.column, b.column) << offset;
    }
    // A few by hand: "b" on line 2, "c" after a lone CR on line 3, "x" after two Ж.
    EXPECT_EQ(configaccess::textPosition(text, 6).line, 2);
    EXPECT_EQ(configaccess::textPosition(text, 8).line, 3);
    const TTextPosition x = configaccess::textPosition(text, 14);
    EXPECT_EQ(x.line, 4);
    EXPECT_EQ(x.column, 3);
}

// A device that fails after a number of bytes.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(QByteArray data) : m_data(std::move(data)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override {
        if (m_at >= m_data.size())
            return -1;
        const qint64 n = std::min<qint64>(max, m_data.size() - m_at);
        std::memcpy(out, m_data.constData() + m_at, static_cast<std::size_t>(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_at = 0;
};

TEST(ConfigTreeReader, ReadFailureIsNoSyntaxError) {
    TFailingDevice device("<config><node name=\"a\"/>");
    EXPECT_THROW(TConfigTree::read(device, 8), TConfigReadError);
}

} // namespace
