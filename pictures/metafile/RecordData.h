// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstring>

// One record's bytes with reads that never leave them: a value past the end reads as zero, and
// fits() tells whether a count of items read from the file is really there.
class RecordData
{
public:
    RecordData() = default;
    RecordData(const char* data, qsizetype size)
        : m_data(data)
        , m_size(size)
    { }

    qsizetype size() const { return m_size; }
    const char* data() const { return m_data; }
    bool fits(qsizetype offset, qsizetype count, qsizetype itemSize = 1) const
    {
        return offset >= 0 && count >= 0 && itemSize > 0 && offset <= m_size
            && count <= (m_size - offset) / itemSize;
    }
    template <typename T> T at(qsizetype offset) const
    {
        if (!fits(offset, 1, qsizetype(sizeof(T))))
            return T {};
        return qFromLittleEndian<T>(m_data + offset);
    }
    qint32 i32(qsizetype offset) const { return at<qint32>(offset); }
    quint32 u32(qsizetype offset) const { return at<quint32>(offset); }
    qint16 i16(qsizetype offset) const { return at<qint16>(offset); }
    quint16 u16(qsizetype offset) const { return at<quint16>(offset); }
    quint8 u8(qsizetype offset) const { return at<quint8>(offset); }
    float f32(qsizetype offset) const
    {
        const quint32 bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The bytes from offset on, at most length of them; empty when offset is outside.
    RecordData mid(qsizetype offset, qsizetype length = -1) const
    {
        if (offset < 0 || offset > m_size)
            return {};
        const qsizetype rest = m_size - offset;
        return RecordData(m_data + offset, length < 0 || length > rest ? rest : length);
    }

private:
    const char* m_data = nullptr;
    qsizetype m_size = 0;
};
