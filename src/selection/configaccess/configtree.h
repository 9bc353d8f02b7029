#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace configaccess {

// A configuration file that does not follow the tree format. `offset` is the
// byte offset in the file where the fault was found.
struct TConfigSyntaxError {
    QString reason; // Russian, lower case, without a final full stop
    std::size_t offset = 0;
};

// Line and column (both from 1, the column counted in characters) of a byte
// offset of a UTF-8 text. A byte-order mark at the start is not counted.
struct TTextPosition {
    int line = 1;
    int column = 1;
};
TTextPosition textPosition(const QByteArray& text, std::size_t offset);

// Converts UTF-8 text to code page 1251 as cp1251::encode would convert its
// UTF-16 form: characters outside the code page and every UTF-16 unit of a
// character beyond the basic plane become "?", and so does every byte of a
// malformed sequence. Returns false when any "?" was produced that way.
bool utf8ToCp1251(std::string_view utf8, std::string& out);

// A configuration tree read from an XML file, kept in a compact form once the
// XML document is gone:
//
//   <config>                              the top node
//     <node name="Kind" Prop="text">      a node; every other attribute is a property
//       <prop name="Any name" value=""/>  a property whose name is no XML name
//       <node name="..."/>                children in document order
//     </node>
//   </config>
//
// Nodes are numbered breadth first from 0 (the top node), so the children of
// every node are a contiguous range of numbers. Names and values are held as
// zero-terminated code page 1251 texts in one pool.
// Hash of texts that looks up std::string keys by std::string_view.
struct TStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using TNameMap = std::unordered_map<std::string, std::uint32_t, TStringHash, std::equal_to<>>;

class TConfigTree {
public:
    static constexpr std::uint32_t None = UINT32_MAX;
    // Most nodes a tree may have, so that node numbers plus one fit in 25 bits
    // and the library's 32-bit handles keep room for a tree tag.
    static constexpr std::uint32_t MaxNodes = (std::uint32_t(1) << 25) - 1;

    // Parses a UTF-8 document. The buffer is parsed in place and is used up.
    // Throws TConfigSyntaxError, std::bad_alloc.
    static std::unique_ptr<TConfigTree> parse(QByteArray&& buffer);

    std::uint32_t nodeCount() const { return static_cast<std::uint32_t>(m_nodes.size() - 1); }

    // The index-th child of a node (from 0), or None.
    std::uint32_t child(std::uint32_t node, std::int64_t index) const {
        const Node& n = m_nodes[node];
        if (index < 0 || index >= n.childCount)
            return None;
        return n.firstChild + static_cast<std::uint32_t>(index);
    }
    std::uint32_t childCount(std::uint32_t node) const { return m_nodes[node].childCount; }

    // The node's name in code page 1251, zero-terminated.
    const char* name(std::uint32_t node) const { return m_pool.get() + m_nodes[node].name; }

    // The value of the node's property in code page 1251, zero-terminated, or
    // nullptr when the node lacks it. The name (code page 1251) is matched
    // exactly first, then without regard to letter case.
    const char* property(std::uint32_t node, std::string_view name) const;

    // Bytes held by the tree (an estimate of its memory use).
    std::size_t memoryUsage() const;

private:
    struct Node {
        std::uint32_t name = 0;       // pool offset
        std::uint32_t firstChild = 0; // node number
        std::uint32_t childCount = 0;
        std::uint32_t firstProp = 0; // the node's properties end where the next node's begin
    };
    struct Prop {
        std::uint32_t name = 0;  // property-name id
        std::uint32_t value = 0; // pool offset
    };

    class Builder;

    std::vector<Node> m_nodes; // one more than the node count: the last one ends the properties
    std::vector<Prop> m_props;
    std::unique_ptr<char[]> m_pool;
    std::size_t m_poolSize = 0;
    // Property names in code page 1251 and their ids; names with characters
    // outside the code page cannot be asked for and are not listed.
    TNameMap m_propIds;
    // The same names in upper case and the id of that spelling, for matching
    // without regard to case; m_foldedOf maps a property-name id to it.
    TNameMap m_foldedIds;
    std::vector<std::uint32_t> m_foldedOf;
};

} // namespace configaccess
