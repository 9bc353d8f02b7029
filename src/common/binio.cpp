#include "binio.h"

#include <cstring>
#include <functional>

namespace {
[[noreturn]] void overrun() { throw EFormatError(QStringLiteral("Неожиданный конец данных")); }
} // namespace

qsizetype TBinaryReader::need(qsizetype count) const {
    if (count < 0 || count > remaining())
        overrun();
    return count;
}

TBinaryReader TBinaryReader::upTo(qsizetype end) const {
    if (end < m_pos || end > m_data.size())
        overrun();
    TBinaryReader part(m_data.first(end));
    part.m_pos = m_pos;
    return part;
}

void TBinaryReader::seek(qsizetype pos) {
    if (pos < 0 || pos > m_data.size())
        overrun();
    m_pos = pos;
}

std::uint8_t TBinaryReader::readU8() {
    need(1);
    return static_cast<std::uint8_t>(m_data[m_pos++]);
}

std::uint16_t TBinaryReader::readU16() {
    need(2);
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t TBinaryReader::readU32() {
    need(4);
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    m_pos += 4;
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

std::uint64_t TBinaryReader::readU64() {
    const std::uint64_t lo = readU32();
    const std::uint64_t hi = readU32();
    return lo | (hi << 32);
}

float TBinaryReader::readF32() {
    const std::uint32_t bits = readU32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double TBinaryReader::readF64() {
    const std::uint64_t bits = readU64();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

QByteArray TBinaryReader::readBytes(qsizetype count) {
    need(count);
    QByteArray out(m_data.data() + m_pos, count);
    m_pos += count;
    return out;
}

void TBinaryWriter::put(const char* bytes, qsizetype n) {
    if (n <= 0)
        return;
    const std::less_equal<const char*> notAfter;
    if (notAfter(m_out.constData(), bytes) && notAfter(bytes, m_out.constData() + m_out.size())) {
        const QByteArray copy(bytes, n); // bytes of the target itself, moved when it grows
        put(copy.constData(), n);
        return;
    }
    const qsizetype at = m_out.size();
    m_out.resize(at + n);
    std::memcpy(m_out.data() + at, bytes, std::size_t(n));
}

void TBinaryWriter::writeU16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    put(b, 2);
}

void TBinaryWriter::writeU32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    put(b, 4);
}

void TBinaryWriter::writeU64(std::uint64_t v) {
    writeU32(static_cast<std::uint32_t>(v));
    writeU32(static_cast<std::uint32_t>(v >> 32));
}

void TBinaryWriter::writeF32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeU32(bits);
}

void TBinaryWriter::writeF64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeU64(bits);
}

void TBinaryWriter::patchU32(qsizetype pos, std::uint32_t v) {
    if (pos < 0 || pos + 4 > m_out.size())
        throw EFormatError(QStringLiteral("Неожиданный конец данных"));
    for (int i = 0; i < 4; ++i)
        m_out[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
