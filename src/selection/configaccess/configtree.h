#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

class QIODevice;

namespace configaccess {

// Line and column (both from 1, the column counted in characters) of a byte
// offset of a UTF-8 text. A byte-order mark at the start is not counted.
struct TTextPosition {
    int line = 1;
    int column = 1;
};
TTextPosition textPosition(const QByteArray& text, std::size_t offset);
// The same for the text of a random-access device, read again from its start
// in pieces (the text is never held whole). Throws nothing; a device that
// cannot be read gives the position reached.
TTextPosition textPosition(QIODevice& in, std::size_t offset);

// A configuration file that does not follow the tree format. `offset` is the
// byte offset in the file where the fault was found, `position` its line and
// column when the file could be read again to count them.
struct TConfigSyntaxError {
    QString reason; // Russian, lower case, without a final full stop
    std::size_t offset = 0;
    TTextPosition position;
};

// The file could not be read to its end.
struct TConfigReadError {};

// Converts UTF-8 text to code page 1251 as cp1251::encode would convert its
// UTF-16 form: characters outside the code page and every UTF-16 unit of a
// character beyond the basic plane become "?", and so does every byte of a
// malformed sequence. Returns false when any "?" was produced that way.
bool utf8ToCp1251(std::string_view utf8, std::string& out);

// A growable array of plain values in one heap block. It grows with realloc,
// which for large blocks moves the pages instead of copying them, so a large
// array does not need twice its size while it grows or shrinks.
template <typename T>
class TPodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TPodArray() = default;
    TPodArray(const TPodArray&) = delete;
    TPodArray& operator=(const TPodArray&) = delete;
    ~TPodArray() { std::free(m_data); }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }
    T& back() { return m_data[m_size - 1]; }

    void push_back(const T& value) {
        if (m_size == m_capacity)
            reallocate(grown(m_size + 1));
        m_data[m_size++] = value;
    }
    // Appends n values left for the caller to fill; returns the first.
    T* extend(std::size_t n) {
        if (m_capacity - m_size < n)
            reallocate(grown(m_size + n));
        T* p = m_data + m_size;
        m_size += n;
        return p;
    }
    void append(const T* values, std::size_t n) {
        if (n != 0)
            std::memcpy(extend(n), values, n * sizeof(T));
    }
    void reserve(std::size_t n) {
        if (n > m_capacity)
            reallocate(n);
    }
    void truncate(std::size_t n) { m_size = n < m_size ? n : m_size; }
    // Gives back the room beyond the values.
    void shrinkToFit() {
        if (m_size != 0 && m_size < m_capacity)
            reallocate(m_size);
    }

private:
    std::size_t grown(std::size_t need) const {
        const std::size_t doubled = m_capacity < 16 ? 16 : m_capacity * 2;
        return need > doubled ? need : doubled;
    }
    void reallocate(std::size_t capacity) {
        if (capacity > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* p = std::realloc(m_data, capacity * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        m_data = static_cast<T*>(p);
        m_capacity = capacity;
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// Hash of texts that looks up std::string keys by std::string_view.
struct TStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using TNameMap = std::unordered_map<std::string, std::uint32_t, TStringHash, std::equal_to<>>;

// A configuration tree read from an XML file, kept in a compact form:
//
//   <config>                              the top node
//     <node name="Kind" Prop="text">      a node; every other attribute is a property
//       <prop name="Any name" value=""/>  a property whose name is no XML name
//       <node name="..."/>                children in document order
//     </node>
//   </config>
//
// The file is read in pieces and the tree is built while reading, so reading
// needs little more memory than the finished tree. The children of every node
// have consecutive numbers (a node's family is numbered when the node ends, so
// the top node comes last). Names and values are held as zero-terminated code
// page 1251 texts in one pool; short values that repeat are held once.
class TConfigTree {
public:
    static constexpr std::uint32_t None = UINT32_MAX;
    // Most nodes a tree may have, so that node numbers plus one fit in 25 bits
    // and the library's 32-bit handles keep room for a tree tag.
    static constexpr std::uint32_t MaxNodes = (std::uint32_t(1) << 25) - 1;
    // Bytes read from the file at a time.
    static constexpr std::size_t DefaultChunkSize = std::size_t(1) << 20;

    // Reads a UTF-8 document from the device's current position to its end,
    // chunkSize bytes at a time. Throws TConfigSyntaxError (with the position
    // counted when the device is random access), TConfigReadError,
    // std::bad_alloc.
    static std::unique_ptr<TConfigTree> read(QIODevice& in, std::size_t chunkSize = DefaultChunkSize);
    // The same for a document in memory.
    static std::unique_ptr<TConfigTree> parse(const QByteArray& text, std::size_t chunkSize = DefaultChunkSize);

    std::uint32_t nodeCount() const { return static_cast<std::uint32_t>(m_nodes.size() - 1); }
    // The top node (the <config> element).
    std::uint32_t top() const { return nodeCount() - 1; }

    // The index-th child of a node (from 0), or None.
    std::uint32_t child(std::uint32_t node, std::int64_t index) const {
        const Node& n = m_nodes[node];
        if (index < 0 || index >= n.childCount)
            return None;
        return n.firstChild + static_cast<std::uint32_t>(index);
    }
    std::uint32_t childCount(std::uint32_t node) const { return m_nodes[node].childCount; }

    // The node's name in code page 1251, zero-terminated.
    const char* name(std::uint32_t node) const { return m_pool.data() + m_nodes[node].name; }

    // The value of the node's property in code page 1251, zero-terminated, or
    // nullptr when the node lacks it. The name (code page 1251) is matched
    // exactly first, then without regard to letter case.
    const char* property(std::uint32_t node, std::string_view name) const { return property(node, key(name)); }

    // A property name looked up once for asking many nodes.
    struct TPropertyKey {
        std::uint32_t exact = None;  // id of the exact spelling
        std::uint32_t folded = None; // id of its upper-case spelling
    };
    TPropertyKey key(std::string_view name) const;
    const char* property(std::uint32_t node, const TPropertyKey& key) const;

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

    class Reader;

    TPodArray<Node> m_nodes; // one more than the node count: the last one ends the properties
    TPodArray<Prop> m_props;
    TPodArray<char> m_pool;
    // Property names in code page 1251 and their ids; names with characters
    // outside the code page cannot be asked for and are not listed.
    TNameMap m_propIds;
    // The same names in upper case and the id of that spelling, for matching
    // without regard to case; m_foldedOf maps a property-name id to it.
    TNameMap m_foldedIds;
    std::vector<std::uint32_t> m_foldedOf;
};

} // namespace configaccess
