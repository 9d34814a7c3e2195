// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QRect>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <initializer_list>

// Small EMF and WMF files written record by record. Each sample picture is twice as wide as high
// and its left half is filled red; the right half is left empty.
namespace MetafileSamples {

inline QByteArray littleEndian(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const qint32 value : values)
        out << value;
    return bytes;
}

inline QByteArray emfRecord(quint32 type, std::initializer_list<qint32> parameters)
{
    return littleEndian({ qint32(type), qint32(8 + 4 * parameters.size()) })
        + littleEndian(parameters);
}

// The drawing: a solid red brush, no pen, a rectangle over the left half of 100 x 50 pixels.
inline QByteArray emfDrawing()
{
    return emfRecord(39, { 1, 0, 0x0000FF, 0 }) + emfRecord(37, { 1 })
        + emfRecord(37, { qint32(0x80000008) }) + emfRecord(43, { 0, 0, 50, 50 });
}

inline QByteArray emfEnd() { return emfRecord(14, { 0, 16, 20 }); }

inline qint32 floatBits(float value)
{
    qint32 bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A red brush selected and no pen, as the sample drawings use.
inline QByteArray emfRedBrush()
{
    return emfRecord(39, { 1, 0, 0x0000FF, 0 }) + emfRecord(37, { 1 })
        + emfRecord(37, { qint32(0x80000008) });
}

// A GDI comment holding EMF+ records.
inline QByteArray emfPlusComment(const QByteArray& records)
{
    const QByteArray data = littleEndian({ 0x2B464D45 }) + records;
    return littleEndian({ 70, qint32(12 + data.size()), qint32(data.size()) }) + data;
}

// An EMF+ record: type, flags, then its data.
inline QByteArray emfPlusRecord(quint16 type, quint16 flags, const QByteArray& data)
{
    return littleEndian(
               { qint32(type | flags << 16), qint32(12 + data.size()), qint32(data.size()) })
        + data;
}

// A font (index 1, selected) of 30 pixels, and one character drawn at (10, 10).
inline QByteArray emfCharacter(const QString& face, qint32 charset, char16_t character)
{
    QByteArray name(64, '\0');
    for (qsizetype i = 0; i < face.size() && i < 31; ++i)
        qToLittleEndian<quint16>(face[i].unicode(), name.data() + 2 * i);
    const QByteArray font =
        littleEndian({ 82, 104, 1, -30, 0, 0, 0, 400, charset << 24, 0 }) + name;
    return font + emfRecord(37, { 1 })
        + emfRecord(
            84, { 0, 0, 100, 50, 1, 0, 0, 10, 10, 1, 76, 0, 0, 0, 0, 0, 80, character, 30 });
}

// An EMF header record; frame in hundredths of a millimetre, bounds in device pixels. The
// reference device has 10 pixels to the millimetre.
inline QByteArray emfHeader(QRect frame = QRect(QPoint(0, 0), QPoint(1000, 500)),
    QRect bounds = QRect(0, 0, 100, 50), qint32 declaredBytes = 0)
{
    return littleEndian({ 1, 88, bounds.left(), bounds.top(), bounds.right(), bounds.bottom(),
               frame.left(), frame.top(), frame.right(), frame.bottom(), 0x464D4520, 0x10000,
               declaredBytes, 6 })
        + littleEndian({ 2, 0, 0, 0, 1000, 1000, 100, 100 });
}

inline QByteArray emf() { return emfHeader() + emfDrawing() + emfEnd(); }

inline QByteArray words(std::initializer_list<qint16> values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const qint16 value : values)
        out << value;
    return bytes;
}

inline QByteArray wmfRecord(quint16 function, std::initializer_list<qint16> parameters)
{
    const auto size = quint32(3 + parameters.size());
    return words({ qint16(size & 0xFFFF), qint16(size >> 16), qint16(function) })
        + words(parameters);
}

inline QByteArray wmfEnd() { return wmfRecord(0, {}); }

// A window of 100 x 50 logical units, a red brush, no pen, a rectangle over the left half.
inline QByteArray wmfDrawing(std::initializer_list<qint16> windowExtent = { 50, 100 })
{
    return wmfRecord(0x020B, { 0, 0 }) + wmfRecord(0x020C, windowExtent)
        + wmfRecord(0x02FC, { 0, 0x00FF, 0, 0 }) + wmfRecord(0x012D, { 0 })
        + wmfRecord(0x02FA, { 5, 0, 0, 0, 0 }) + wmfRecord(0x012D, { 1 })
        + wmfRecord(0x041B, { 50, 50, 0, 0 });
}

inline QByteArray wmfHeader(qint32 declaredWords = 0)
{
    return words(
        { 1, 9, 0x0300, qint16(declaredWords & 0xFFFF), qint16(declaredWords >> 16), 2, 7, 0, 0 });
}

// The placeable header: bounding box in logical units and the units per inch.
inline QByteArray placeableHeader(
    QRect box = QRect(QPoint(0, 0), QPoint(100, 50)), qint16 inch = 96)
{
    QByteArray header = littleEndian({ qint32(0x9AC6CDD7) })
        + words({ 0, qint16(box.left()), qint16(box.top()), qint16(box.right()),
            qint16(box.bottom()), inch, 0, 0 });
    quint16 checksum = 0;
    for (int i = 0; i < header.size(); i += 2)
        checksum ^= quint16(quint8(header[i]) | quint8(header[i + 1]) << 8);
    return header + words({ qint16(checksum) });
}

inline QByteArray wmf() { return wmfHeader() + wmfDrawing() + wmfEnd(); }

inline QByteArray placeableWmf() { return placeableHeader() + wmf(); }

} // namespace MetafileSamples
