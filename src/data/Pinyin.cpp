#include "data/Pinyin.h"

#include <QFile>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <vector>

namespace nqb {

namespace {

// GB2312 level-1 hanzi are ordered by pinyin: each initial letter covers one
// run of codes. The runs are inclusive and together cover 0xB0A1 ... 0xD7F9;
// a letter's run ends where the next one begins.
struct InitialRun {
    quint16 first;
    char letter;
};

constexpr std::array<InitialRun, 23> kLevel1Runs{{
    {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
    {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
    {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
    {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'},
}};
constexpr quint16 kLevel1Last = 0xD7F9;

// A code of the level-1 block. Its rows use the trail bytes 0xA1 ... 0xFE only:
// GBK places extension characters (ordered by radical, not by sound) at the
// trail bytes 0x40 ... 0xA0 of the same lead bytes, so those are looked up in
// the table like any other character outside the block.
bool isLevel1(quint16 code)
{
    return code >= kLevel1Runs.front().first && code <= kLevel1Last && (code & 0xFF) >= 0xA1;
}

char level1Initial(quint16 code)
{
    const auto next = std::upper_bound(kLevel1Runs.begin(), kLevel1Runs.end(), code,
                                       [](quint16 c, const InitialRun &run) { return c < run.first; });
    return std::prev(next)->letter;
}

// Initials of the other GBK double-byte characters, read once from the bundled
// table (see tools/gen_pinyin_table.py): one line per lead byte, "XX " and one
// character per trail byte 0x40 ... 0xFE, a letter or "." for none.
constexpr int kLeadFirst = 0x81;
constexpr int kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

class GbkInitialTable
{
public:
    GbkInitialTable()
        : m_letters((kLeadLast - kLeadFirst + 1) * kTrailCount, '\0')
    {
        QFile f(QStringLiteral(":/pinyin/gbk_initials.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return;
        while (!f.atEnd()) {
            const QByteArray line = f.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#') || line.size() < 3)
                continue;
            bool ok = false;
            const int lead = line.left(2).toInt(&ok, 16);
            if (!ok || lead < kLeadFirst || lead > kLeadLast)
                continue;
            const QByteArray letters = line.mid(3, kTrailCount);
            char *row = m_letters.data() + (lead - kLeadFirst) * kTrailCount;
            for (int i = 0; i < letters.size(); ++i) {
                const char c = letters.at(i);
                row[i] = (c >= 'A' && c <= 'Z') ? c : '\0';
            }
        }
    }

    char initial(quint16 code) const
    {
        const int lead = code >> 8;
        const int trail = code & 0xFF;
        if (lead < kLeadFirst || lead > kLeadLast || trail < kTrailFirst || trail > kTrailLast)
            return '\0';
        return m_letters[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)];
    }

private:
    std::vector<char> m_letters;
};

const GbkInitialTable &gbkTable()
{
    static const GbkInitialTable table;
    return table;
}

bool isFourByteSecond(uchar b)
{
    return b >= 0x30 && b <= 0x39;
}

} // namespace

QChar PinyinInitial(const QByteArray &gbkPair)
{
    if (gbkPair.isEmpty())
        return QChar();
    const quint16 code = quint16(uchar(gbkPair.at(0)) << 8 | (gbkPair.size() > 1 ? uchar(gbkPair.at(1)) : 0));
    const char letter = isLevel1(code) ? level1Initial(code) : gbkTable().initial(code);
    return letter ? QChar::fromLatin1(letter) : QChar();
}

// The text is taken in its GBK (GB18030) form and walked byte by byte:
// - a byte below 0x80 (ASCII) is copied as it is, so letters keep their case;
//   a NUL byte is dropped;
// - a double-byte character gives its pinyin initial;
// - full-width digits and Latin letters (row 0xA3) give their ASCII
//   counterpart, so "维生素Ｃ" reads like "维生素C";
// - characters without a known initial (full-width punctuation such as the
//   brackets of "稻米（代表值）", other symbols, the few unknown hanzi) give
//   nothing, so the initials of "稻米（代表值）" are "DMDBZ", the letters a user
//   types to find it;
// - GB18030 four-byte sequences (characters outside GBK: second byte 0x30 ...
//   0x39) are skipped whole and give nothing.
// The result never contains a NUL character.
QString PinyinInitials(const QString &text)
{
    QStringEncoder encoder("GB18030");
    QByteArray bytes;
    if (encoder.isValid()) {
        bytes = encoder(text);
    } else {
        // Without the codec only the ASCII characters can be kept.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                bytes.append(char(c.unicode()));
        }
    }
    QString result;
    result.reserve(bytes.size());
    const int n = int(bytes.size());
    int i = 0;
    while (i < n) {
        const uchar b = uchar(bytes.at(i));
        if (b < 0x80) {
            if (b != 0)
                result.append(QLatin1Char(char(b)));
            ++i;
            continue;
        }
        if (i + 3 < n && isFourByteSecond(uchar(bytes.at(i + 1)))) {
            i += 4;
            continue;
        }
        const QByteArray pair = bytes.mid(i, 2);
        i += 2;
        if (b == 0xA3 && pair.size() == 2) {
            const uchar trail = uchar(pair.at(1));
            if ((trail >= 0xB0 && trail <= 0xB9) || (trail >= 0xC1 && trail <= 0xDA)
                || (trail >= 0xE1 && trail <= 0xFA)) {
                result.append(QLatin1Char(char(trail - 0x80)));
                continue;
            }
        }
        const QChar initial = PinyinInitial(pair);
        if (!initial.isNull())
            result.append(initial);
    }
    return result;
}

} // namespace nqb
