// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/metafile/MetafileFonts.h"

#include <QHash>
#include <QStringDecoder>

namespace {

constexpr int symbolCharset = 2;

// Adobe Symbol's codes 0x20-0xFF as Unicode; 0 where the font has no character.
constexpr char16_t symbolCodes[224] = {
    // 0x20
    0x0020,
    0x0021,
    0x2200,
    0x0023,
    0x2203,
    0x0025,
    0x0026,
    0x220B,
    0x0028,
    0x0029,
    0x2217,
    0x002B,
    0x002C,
    0x2212,
    0x002E,
    0x002F,
    // 0x30
    0x0030,
    0x0031,
    0x0032,
    0x0033,
    0x0034,
    0x0035,
    0x0036,
    0x0037,
    0x0038,
    0x0039,
    0x003A,
    0x003B,
    0x003C,
    0x003D,
    0x003E,
    0x003F,
    // 0x40
    0x2245,
    0x0391,
    0x0392,
    0x03A7,
    0x0394,
    0x0395,
    0x03A6,
    0x0393,
    0x0397,
    0x0399,
    0x03D1,
    0x039A,
    0x039B,
    0x039C,
    0x039D,
    0x039F,
    // 0x50
    0x03A0,
    0x0398,
    0x03A1,
    0x03A3,
    0x03A4,
    0x03A5,
    0x03C2,
    0x03A9,
    0x039E,
    0x03A8,
    0x0396,
    0x005B,
    0x2234,
    0x005D,
    0x22A5,
    0x005F,
    // 0x60
    0x203E,
    0x03B1,
    0x03B2,
    0x03C7,
    0x03B4,
    0x03B5,
    0x03C6,
    0x03B3,
    0x03B7,
    0x03B9,
    0x03D5,
    0x03BA,
    0x03BB,
    0x03BC,
    0x03BD,
    0x03BF,
    // 0x70
    0x03C0,
    0x03B8,
    0x03C1,
    0x03C3,
    0x03C4,
    0x03C5,
    0x03D6,
    0x03C9,
    0x03BE,
    0x03C8,
    0x03B6,
    0x007B,
    0x007C,
    0x007D,
    0x223C,
    0,
    // 0x80
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0x90
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0xA0
    0x20AC,
    0x03D2,
    0x2032,
    0x2264,
    0x2044,
    0x221E,
    0x0192,
    0x2663,
    0x2666,
    0x2665,
    0x2660,
    0x2194,
    0x2190,
    0x2191,
    0x2192,
    0x2193,
    // 0xB0
    0x00B0,
    0x00B1,
    0x2033,
    0x2265,
    0x00D7,
    0x221D,
    0x2202,
    0x2022,
    0x00F7,
    0x2260,
    0x2261,
    0x2248,
    0x2026,
    0x23D0,
    0x23AF,
    0x21B5,
    // 0xC0
    0x2135,
    0x2111,
    0x211C,
    0x2118,
    0x2297,
    0x2295,
    0x2205,
    0x2229,
    0x222A,
    0x2283,
    0x2287,
    0x2284,
    0x2282,
    0x2286,
    0x2208,
    0x2209,
    // 0xD0
    0x2220,
    0x2207,
    0x00AE,
    0x00A9,
    0x2122,
    0x220F,
    0x221A,
    0x22C5,
    0x00AC,
    0x2227,
    0x2228,
    0x21D4,
    0x21D0,
    0x21D1,
    0x21D2,
    0x21D3,
    // 0xE0
    0x25CA,
    0x2329,
    0x00AE,
    0x00A9,
    0x2122,
    0x2211,
    0x239B,
    0x239C,
    0x239D,
    0x23A1,
    0x23A2,
    0x23A3,
    0x23A7,
    0x23A8,
    0x23A9,
    0x23AA,
    // 0xF0
    0,
    0x232A,
    0x222B,
    0x2320,
    0x23AE,
    0x2321,
    0x239E,
    0x239F,
    0x23A0,
    0x23A4,
    0x23A5,
    0x23A6,
    0x23AB,
    0x23AC,
    0x23AD,
    0,
};

// Wingdings' codes 0x20-0xFF as Unicode (many outside the first plane); 0 where there is none.
// Two rows of eight codes each sixteen; the formatter would put each code on a line of its own.
// clang-format off
constexpr char32_t wingdingsCodes[224] = {
    // 0x20
    0x0020, 0x1F589, 0x2702, 0x2701, 0x1F453, 0x1F56D, 0x1F56E, 0x1F56F,
    0x1F57F, 0x2706, 0x1F582, 0x1F583, 0x1F4EA, 0x1F4EB, 0x1F4EC, 0x1F4ED,
    // 0x30
    0x1F4C1, 0x1F4C2, 0x1F4C4, 0x1F5CF, 0x1F5D0, 0x1F5C4, 0x231B, 0x1F5AE,
    0x1F5B0, 0x1F5B2, 0x1F5B3, 0x1F5B4, 0x1F5AB, 0x1F5AC, 0x2707, 0x270D,
    // 0x40
    0x1F58E, 0x270C, 0x1F44C, 0x1F44D, 0x1F44E, 0x261C, 0x261E, 0x261D,
    0x261F, 0x1F590, 0x263A, 0x1F610, 0x2639, 0x1F4A3, 0x2620, 0x1F3F3,
    // 0x50
    0x1F3F1, 0x2708, 0x263C, 0x1F4A7, 0x2744, 0x1F546, 0x271E, 0x1F548,
    0x2720, 0x2721, 0x262A, 0x262F, 0x0950, 0x2638, 0x2648, 0x2649,
    // 0x60
    0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651,
    0x2652, 0x2653, 0x1F670, 0x1F675, 0x25CF, 0x1F53E, 0x25A0, 0x25A1,
    // 0x70
    0x1F790, 0x2751, 0x2752, 0x2B27, 0x29EB, 0x25C6, 0x2756, 0x2B25,
    0x2327, 0x2BB9, 0x2318, 0x1F3F5, 0x1F3F6, 0x1F676, 0x1F677, 0,
    // 0x80
    0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466,
    0x2467, 0x2468, 0x2469, 0x24FF, 0x2776, 0x2777, 0x2778, 0x2779,
    // 0x90
    0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0x1F662, 0x1F660,
    0x1F661, 0x1F663, 0x1F65E, 0x1F65C, 0x1F65D, 0x1F65F, 0x00B7, 0x2022,
    // 0xA0
    0x25AA, 0x26AA, 0x1F786, 0x1F788, 0x25C9, 0x25CE, 0x1F53F, 0x25AA,
    0x25FB, 0x1F7C2, 0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    // 0xB0
    0x2BD0, 0x2316, 0x27E1, 0x2311, 0x2BD1, 0x272A, 0x2730, 0x1F550,
    0x1F551, 0x1F552, 0x1F553, 0x1F554, 0x1F555, 0x1F556, 0x1F557, 0x1F558,
    // 0xC0
    0x1F559, 0x1F55A, 0x1F55B, 0x2BB0, 0x2BB1, 0x2BB2, 0x2BB3, 0x2BB4,
    0x2BB5, 0x2BB6, 0x2BB7, 0x1F668, 0x1F66A, 0x1F669, 0x1F66B, 0x1F64C,
    // 0xD0
    0x1F64D, 0x1F64F, 0x1F64E, 0x1F650, 0x1F651, 0x232B, 0x2326, 0x2B98,
    0x2B9A, 0x2B99, 0x2B9B, 0x2B88, 0x2B8A, 0x2B89, 0x2B8B, 0x1F868,
    // 0xE0
    0x1F86A, 0x1F869, 0x1F86B, 0x1F86C, 0x1F86D, 0x1F86F, 0x1F86E, 0x1F878,
    0x1F87A, 0x1F879, 0x1F87B, 0x1F87C, 0x1F87D, 0x1F87F, 0x1F87E, 0x21E6,
    // 0xF0
    0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B00, 0x2B01, 0x2B03,
    0x2B02, 0x1F8AC, 0x1F8AD, 0x1F5F6, 0x2714, 0x1F5F7, 0x1F5F9, 0,
};
// clang-format on

} // namespace

QStringList substituteFamilies(const QString& face)
{
    static const QHash<QString, QStringList> families {
        { QStringLiteral("arial"), { QStringLiteral("Liberation Sans") } },
        { QStringLiteral("helvetica"), { QStringLiteral("Liberation Sans") } },
        { QStringLiteral("ms sans serif"), { QStringLiteral("Liberation Sans") } },
        { QStringLiteral("microsoft sans serif"), { QStringLiteral("Liberation Sans") } },
        { QStringLiteral("tahoma"), { QStringLiteral("DejaVu Sans") } },
        { QStringLiteral("verdana"), { QStringLiteral("DejaVu Sans") } },
        { QStringLiteral("segoe ui"), { QStringLiteral("Liberation Sans") } },
        { QStringLiteral("times new roman"), { QStringLiteral("Liberation Serif") } },
        { QStringLiteral("times"), { QStringLiteral("Liberation Serif") } },
        { QStringLiteral("ms serif"), { QStringLiteral("Liberation Serif") } },
        { QStringLiteral("courier new"), { QStringLiteral("Liberation Mono") } },
        { QStringLiteral("courier"), { QStringLiteral("Liberation Mono") } },
        { QStringLiteral("calibri"), { QStringLiteral("Carlito") } },
        { QStringLiteral("calibri light"), { QStringLiteral("Carlito") } },
        { QStringLiteral("cambria"), { QStringLiteral("Caladea") } },
        { QStringLiteral("cambria math"), { QStringLiteral("Caladea") } },
        // The math font's operators and primes are shaped like Symbol's; DejaVu Serif
        // stands in where it is not installed.
        { QStringLiteral("symbol"),
            { QStringLiteral("DejaVu Math TeX Gyre"), QStringLiteral("DejaVu Serif") } },
        { QStringLiteral("wingdings"), { QStringLiteral("DejaVu Sans") } },
        { QStringLiteral("mt extra"), { QStringLiteral("DejaVu Serif") } },
    };
    return families.value(face.trimmed().toLower(), { face });
}

bool isSymbolFont(const QString& face, int charset)
{
    // Only Symbol's and Wingdings' codes are known; other picture fonts (Wingdings 2 and 3,
    // Webdings, MT Extra) keep theirs.
    const QString name = face.trimmed().toLower();
    if (name == QLatin1String("wingdings") || name == QLatin1String("symbol"))
        return true;
    return charset == symbolCharset && !name.startsWith(QLatin1String("wingdings"))
        && !name.startsWith(QLatin1String("webdings"))
        && !name.startsWith(QLatin1String("mt extra"))
        && !name.startsWith(QLatin1String("marlett"));
}

QString symbolsToUnicode(const QString& text, const QString& face)
{
    const bool wingdings = face.trimmed().toLower() == QLatin1String("wingdings");
    QString result;
    result.reserve(text.size());
    for (const QChar character : text) {
        int code = character.unicode();
        if (code >= 0xF020 && code <= 0xF0FF)
            code -= 0xF000;
        if (code < 0x20 || code > 0xFF) {
            result.append(character);
            continue;
        }
        const char32_t mapped = wingdings ? wingdingsCodes[code - 0x20] : symbolCodes[code - 0x20];
        const char32_t shown = mapped ? mapped : char32_t(code);
        result.append(QString::fromUcs4(&shown, 1));
    }
    return result;
}

namespace {

bool isLeadByte(quint8 byte, int charset)
{
    switch (charset) {
    case 128:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 129:
    case 134:
    case 136:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

QString decodeBytes(const QByteArray& text, int charset);

} // namespace

QString decodeCharset(const QByteArray& text, int charset, QList<double>* advances)
{
    const bool doubleBytes = charset == 128 || charset == 129 || charset == 134 || charset == 136;
    if (!doubleBytes || !advances || advances->size() != text.size())
        return decodeBytes(text, charset);
    QString result;
    QList<double> merged;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            isLeadByte(quint8(text[i]), charset) && i + 1 < text.size() ? 2 : 1;
        const QString character = decodeBytes(text.mid(i, length), charset);
        double advance = 0;
        for (qsizetype j = i; j < i + length; ++j)
            advance += advances->at(j);
        for (qsizetype j = 0; j < character.size(); ++j)
            merged.append(j == 0 ? advance : 0);
        result += character;
        i += length - 1;
    }
    *advances = merged;
    return result;
}

namespace {

QString decodeBytes(const QByteArray& text, int charset)
{
    const char* codePage = nullptr;
    switch (charset) {
    case symbolCharset:
        return QString::fromLatin1(text);
    case 128:
        codePage = "Shift_JIS";
        break;
    case 129:
        codePage = "EUC-KR";
        break;
    case 134:
        codePage = "GBK";
        break;
    case 136:
        codePage = "Big5";
        break;
    case 161:
        codePage = "windows-1253";
        break;
    case 162:
        codePage = "windows-1254";
        break;
    case 177:
        codePage = "windows-1255";
        break;
    case 178:
        codePage = "windows-1256";
        break;
    case 186:
        codePage = "windows-1257";
        break;
    case 204:
        codePage = "windows-1251";
        break;
    case 238:
        codePage = "windows-1250";
        break;
    default:
        codePage = "windows-1252";
    }
    QStringDecoder decoder(codePage);
    if (!decoder.isValid())
        return QString::fromLatin1(text);
    return decoder.decode(text);
}

} // namespace
