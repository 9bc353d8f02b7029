#pragma once

#include "exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// Little-endian reading of a byte block with bounds checking: every read past
// the end, and every seek outside the block, throws EFormatError.
class TBinaryReader {
public:
    explicit TBinaryReader(QByteArrayView data) : m_data(data) {}

    qsizetype pos() const { return m_pos; }
    qsizetype size() const { return m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    void seek(qsizetype pos);
    void skip(qsizetype count) { seek(m_pos + need(count)); }

    std::uint8_t readU8();
    std::uint16_t readU16();
    std::int16_t readI16() { return static_cast<std::int16_t>(readU16()); }
    std::uint32_t readU32();
    std::int32_t readI32() { return static_cast<std::int32_t>(readU32()); }
    std::uint64_t readU64();
    float readF32();
    double readF64();
    QByteArray readBytes(qsizetype count);

    // Throws unless count bytes remain; returns count.
    qsizetype need(qsizetype count) const;

    // A reader of the first `end` bytes of the block at the same position
    // (offsets stay those of the block), for a record that says where it
    // ends; throws unless end lies between the position and the block's end.
    TBinaryReader upTo(qsizetype end) const;

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

// Little-endian writing into a growing byte block.
class TBinaryWriter {
public:
    explicit TBinaryWriter(QByteArray& target) : m_out(target) {}

    qsizetype pos() const { return m_out.size(); }
    void writeU8(std::uint8_t v) { put(reinterpret_cast<const char*>(&v), 1); }
    void writeU16(std::uint16_t v);
    void writeI16(std::int16_t v) { writeU16(static_cast<std::uint16_t>(v)); }
    void writeU32(std::uint32_t v);
    void writeI32(std::int32_t v) { writeU32(static_cast<std::uint32_t>(v)); }
    void writeU64(std::uint64_t v);
    void writeF32(float v);
    void writeF64(double v);
    void writeBytes(QByteArrayView bytes) { put(bytes.data(), bytes.size()); }
    // Overwrites four bytes already written at pos.
    void patchU32(qsizetype pos, std::uint32_t v);

private:
    // Appends n bytes (growing the target geometrically; the general append
    // of the byte array is slow for the few bytes of one value).
    void put(const char* bytes, qsizetype n);

    QByteArray& m_out;
};
