#include "data/Pinyin.h"

#include <QStringDecoder>
#include <QtTest>

using nqb::PinyinInitial;
using nqb::PinyinInitials;

namespace {
QByteArray pair(quint16 code)
{
    QByteArray b;
    b.append(char(code >> 8));
    b.append(char(code & 0xFF));
    return b;
}
} // namespace

class PinyinTest : public QObject
{
    Q_OBJECT
private slots:
    void level1Boundaries_data();
    void level1Boundaries();
    void outsideLevel1FromTable_data();
    void outsideLevel1FromTable();
    void tableCoversGbkHanzi();
    void initials_data();
    void initials();
};

void PinyinTest::level1Boundaries_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QChar>("letter");
    // Both ends of every run are inclusive.
    const QList<QPair<int, char>> runs = {
        {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
        {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
        {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
        {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'}};
    for (int i = 0; i < runs.size(); ++i) {
        const int first = runs[i].first;
        // The last code of a run is the one before the next run (across a row
        // end: 0xB9FE follows 0xB9FD, 0xBBF7 follows 0xBBF6).
        const int last = i + 1 < runs.size() ? runs[i + 1].first - 1 : 0xD7F9;
        const QChar letter = QLatin1Char(runs[i].second);
        QTest::addRow("%c first %04X", runs[i].second, first) << first << letter;
        QTest::addRow("%c last %04X", runs[i].second, last) << last << letter;
    }
}

void PinyinTest::level1Boundaries()
{
    QFETCH(int, code);
    QFETCH(QChar, letter);
    QCOMPARE(PinyinInitial(pair(quint16(code))), letter);
}

void PinyinTest::outsideLevel1FromTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QChar>("letter");
    QTest::newRow("亍 level 2") << 0xD8A1 << QChar(QLatin1Char('C'));
    QTest::newRow("丌 level 2, first reading") << 0xD8A2 << QChar(QLatin1Char('J'));
    QTest::newRow("丂 GBK extension") << 0x8140 << QChar(QLatin1Char('K'));
    // Inside the numeric span of level 1 but an extension character (trail
    // below 0xA1): its own reading, not the letter of the surrounding run.
    QTest::newRow("盄 B140") << 0xB140 << QChar(QLatin1Char('Z'));
    QTest::newRow("D7FA unassigned") << 0xD7FA << QChar();
    QTest::newRow("full-width bracket") << 0xA3A8 << QChar();
    QTest::newRow("lone lead byte") << 0xB000 << QChar();
}

void PinyinTest::outsideLevel1FromTable()
{
    QFETCH(int, code);
    QFETCH(QChar, letter);
    const QByteArray bytes = (code & 0xFF) ? pair(quint16(code)) : pair(quint16(code)).left(1);
    QCOMPARE(PinyinInitial(bytes), letter);
}

void PinyinTest::tableCoversGbkHanzi()
{
    // Every GBK code that decodes to a unified ideograph; all but a handful of
    // rare ones must have an initial.
    int hanzi = 0;
    int known = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            QStringDecoder decoder("GB18030");
            const QString s = decoder(pair(quint16(lead << 8 | trail)));
            if (s.size() != 1 || s.at(0).unicode() < 0x4E00 || s.at(0).unicode() > 0x9FA5)
                continue;
            ++hanzi;
            if (!PinyinInitial(pair(quint16(lead << 8 | trail))).isNull())
                ++known;
        }
    }
    QVERIFY2(hanzi > 20800, qPrintable(QString::number(hanzi)));
    QVERIFY2(hanzi - known < 40, qPrintable(QStringLiteral("%1 of %2").arg(known).arg(hanzi)));
}

void PinyinTest::initials_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hanzi") << QStringLiteral("土豆丝") << QStringLiteral("TDS");
    QTest::newRow("digits and letters kept") << QStringLiteral("A1牛奶") << QStringLiteral("A1NN");
    QTest::newRow("lower case kept") << QStringLiteral("b牛 x-1") << QStringLiteral("bN x-1");
    QTest::newRow("level 2 and extension") << QStringLiteral("亍丌丂") << QStringLiteral("CJK");
    QTest::newRow("full-width brackets give nothing") << QStringLiteral("稻米（代表值）［鲜］")
                                                      << QStringLiteral("DMDBZX");
    QTest::newRow("full-width digits and letters") << QStringLiteral("维生素Ｃ２ａ") << QStringLiteral("WSSC2a");
    QTest::newRow("outside GBK skipped whole") << QStringLiteral("牛\U00020000奶㐀") << QStringLiteral("NN");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("NUL dropped") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("豆"))
                                 << QStringLiteral("aD");
}

void PinyinTest::initials()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString result = PinyinInitials(text);
    QCOMPARE(result, expected);
    QVERIFY(!result.contains(QChar()));
}

QTEST_MAIN(PinyinTest)
#include "test_pinyin.moc"
