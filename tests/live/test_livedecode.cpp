#include "hexbytes.h"
#include "link/crc16.h"
#include "link/frames.h"
#include "live/livedecode.h"
#include <QTest>

// Register words to box texts, and which replies a live read takes its registers from.
class TestLiveDecode : public QObject {
    Q_OBJECT
private slots:
    void wordTexts_data();
    void wordTexts();
    void replyWords_data();
    void replyWords();
};

void TestLiveDecode::wordTexts_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("00 EB") << hx("00 EB") << QStringLiteral("23.5");
    QTest::newRow("00 05") << hx("00 05") << QStringLiteral("00.5");
    QTest::newRow("FF FF no reading") << hx("FF FF") << QStringLiteral("00.0");
    QTest::newRow("FF FE is a reading") << hx("FF FE") << QStringLiteral("-00.2");
    QTest::newRow("FF FB = -5") << hx("FF FB") << QStringLiteral("-00.5");
    // Not the signed 16-bit limit: up to 40000 stays positive, 40001 on is negative.
    QTest::newRow("80 00") << hx("80 00") << QStringLiteral("3276.8");
    QTest::newRow("9C 40 = 40000") << hx("9C 40") << QStringLiteral("4000.0");
    QTest::newRow("9C 41 = 40001") << hx("9C 41") << QStringLiteral("-2553.5");
}

void TestLiveDecode::wordTexts()
{
    QFETCH(QByteArray, word);
    QFETCH(QString, text);
    QCOMPARE(live::wordText(uint16_t((uint8_t(word[0]) << 8) | uint8_t(word[1]))), text);
}

namespace {
QByteArray framed(const char *hex)
{
    QByteArray f = hx(hex);
    appendCrc(f);
    return f;
}
} // namespace

void TestLiveDecode::replyWords_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("decodable");
    QTest::addColumn<QList<int>>("words");
    const QByteArray three = modbus::readRequest(2, 3, 0, 3);
    const QList<int> all{0x00EB, 0xFFFF, 0x9C41};

    QTest::newRow("whole reply") << three << framed("02 03 06 00 EB FF FF 9C 41") << true << all;
    QTest::newRow("whole reply, a stray byte after it")
        << three << framed("02 03 06 00 EB FF FF 9C 41") + hx("00") << true << all;
    // A device with fewer registers answers with a frame of its own: what came is taken.
    QTest::newRow("one of three") << three << framed("02 03 02 00 EB") << true << QList<int>{0x00EB};
    QTest::newRow("odd byte count: the torn register is left")
        << three << framed("02 03 03 00 EB FF") << true << QList<int>{0x00EB};
    QTest::newRow("six bytes, no whole register") << three << framed("02 03 01 00") << true << QList<int>{};
    // Nothing is taken from anything else.
    QTest::newRow("nothing") << three << QByteArray() << false << QList<int>{};
    QTest::newRow("exception") << three << framed("02 83 02") << false << QList<int>{};
    QTest::newRow("bad crc") << three << hx("02 03 06 00 EB FF FF 9C 41 00 00") << false << QList<int>{};
    QTest::newRow("truncated (crc lost)") << three << framed("02 03 06 00 EB FF FF 9C 41").left(8) << false << QList<int>{};
    QTest::newRow("another device") << three << framed("03 03 06 00 EB FF FF 9C 41") << false << QList<int>{};
    QTest::newRow("byte count disagrees with length") << three << framed("02 03 04 00 EB FF FF 9C 41") << false << QList<int>{};
    QTest::newRow("more registers than asked") << three << framed("02 03 08 00 EB FF FF 9C 41 00 01") << false << QList<int>{};
    QTest::newRow("short reply to a long request")
        << modbus::readRequest(2, 3, 0, 20) << framed("02 03 06 00 EB FF FF 9C 41") << true << all;
}

void TestLiveDecode::replyWords()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(bool, decodable);
    QFETCH(QList<int>, words);
    const live::ReplyWords r = live::replyWords(request, reply);
    QCOMPARE(r.decodable, decodable);
    QList<int> got;
    for (uint16_t w : r.words)
        got << w;
    QCOMPARE(got, words);
    QCOMPARE(r.asked, int(uint8_t(request[5])));
}

QTEST_APPLESS_MAIN(TestLiveDecode)
#include "test_livedecode.moc"
