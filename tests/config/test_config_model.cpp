// The recorder settings without a window: the polling table's register map and groups, box values,
// the decoding of read-all, the clock fields, and the frames of every write.
#include "core/config/clockfields.h"
#include "core/config/pollingtable.h"
#include "core/config/recordersettings.h"
#include "hexbytes.h"
#include "core/link/frames.h"
#include <QTest>
#include <set>

class TestConfigModel : public QObject {
    Q_OBJECT
private slots:
    void registerMapAndGroups();
    void frames_data();
    void frames();
    void boxWrites_data();
    void boxWrites();
    void readAllRoundTripsEveryWord();
    void readAllDecoding();
    void presets();
    void clockBoxesFromThePcClock();
    void clockBcd();
    void clockReadReply();
    void writeOutcome();
};

void TestConfigModel::registerMapAndGroups()
{
    // Boundaries of the map: 0–80 → 24–104, 81–100 → 130–149.
    const struct { int box, reg, k; } rows[] = {
        {0, 24, 0}, {19, 43, 0}, {20, 44, 1}, {39, 63, 1}, {40, 64, 2}, {59, 83, 2},
        {60, 84, 3}, {79, 103, 3}, {80, 104, 5}, {81, 130, 4}, {87, 136, 4}, {100, 149, 4},
    };
    for (const auto &r : rows) {
        QCOMPARE(int(polling::registerOf(r.box)), r.reg);
        QCOMPARE(polling::groupOfBox(r.box).k, r.k);
    }
    // Every box its own register, none of them among the interval, clock and memory registers.
    std::set<int> regs;
    for (int i = 0; i < polling::BoxCount; ++i) {
        const int r = polling::registerOf(i);
        QVERIFY2(r < 105 || r > 129, qPrintable(QString::number(i)));
        regs.insert(r);
    }
    QCOMPARE(int(regs.size()), polling::BoxCount);

    // The groups partition the boxes (their commands, coils and frames are checked in the window).
    int covered = 0;
    for (const polling::Group &g : polling::groups())
        covered += g.count;
    QCOMPARE(covered, polling::BoxCount);
    QCOMPARE(polling::groups()[1].boxCaption(22), QStringLiteral("RS485轮循设备地址 测点3"));
    QCOMPARE(polling::groups()[5].boxCaption(80), QStringLiteral("RS485 MODBUS-RTU轮循设备总数"));
}

// Every request the settings send, built the way the panels build them, against the bytes the
// recorder expects (CRCs from the recorder's documentation or computed independently).
void TestConfigModel::frames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    using namespace polling;
    const auto &g = groups();
    auto row = [](const char *name, const QByteArray &frame, const char *hex) {
        QTest::newRow(name) << frame << hx(hex);
    };
    row("read-all sensor types", modbus::readHolding(21, g[0].firstRegister(), SlotCount), "15 03 00 18 00 14 C6 D6");
    row("read-all addresses", modbus::readHolding(21, g[1].firstRegister(), SlotCount), "15 03 00 2C 00 14 87 18");
    row("read-all register starts", modbus::readHolding(21, g[2].firstRegister(), SlotCount), "15 03 00 40 00 14 47 05");
    row("read-all multipliers", modbus::readHolding(21, g[3].firstRegister(), SlotCount), "15 03 00 54 00 14 07 01");
    row("read-all data lengths", modbus::readHolding(21, g[4].firstRegister(), SlotCount), "15 03 00 82 00 14 E6 F9");
    row("read box 0", modbus::readHolding(21, registerOf(0), 1), "15 03 00 18 00 01 07 19");
    row("read box 80", modbus::readHolding(21, registerOf(80), 1), "15 03 00 68 00 01 06 C2");
    row("write box 20 = 3", modbus::writeRegister(21, registerOf(20), 3), "15 06 00 2C 00 03 0B 16");
    row("write box 81 = 300", modbus::writeRegister(21, registerOf(81), 300), "15 06 00 82 01 2C 2A BB");
    row("write box 100 = 1", modbus::writeRegister(21, registerOf(100), 1), "15 06 00 95 00 01 5B 32");
    row("commit sensor types", modbus::writeCoil(21, g[0].coil, true), "15 05 00 00 FF 00 8F 2E");
    row("commit addresses", modbus::writeCoil(21, g[1].coil, true), "15 05 00 01 FF 00 DE EE");
    row("commit register starts", modbus::writeCoil(21, g[2].coil, true), "15 05 00 02 FF 00 2E EE");
    row("commit multipliers", modbus::writeCoil(21, g[3].coil, true), "15 05 00 04 FF 00 CE EF");
    row("commit data lengths", modbus::writeCoil(21, g[4].coil, true), "15 05 00 06 FF 00 6F 2F");
    row("commit device count", modbus::writeCoil(21, g[5].coil, true), "15 05 00 05 FF 00 9F 2F");
    row("clock read", modbus::readHolding(21, clockfields::ReadRegister, clockfields::ReadCount), "15 03 00 75 00 04 56 C7");
    row("interval 60", modbus::writeRegister(21, recorder::IntervalRegister, 60), "15 06 00 74 00 3C CA D5");
    row("interval 9999", modbus::writeRegister(21, recorder::IntervalRegister, 9999), "15 06 00 74 27 0F 91 30");
    row("interval 60 at device 2", modbus::writeRegister(2, recorder::IntervalRegister, 60), "02 06 00 74 00 3C C9 F2");
    row("interval read", modbus::readHolding(21, recorder::IntervalRegister, 1), "15 03 00 74 00 01 C7 04");
    row("sensor count read", modbus::readHolding(21, recorder::SensorCountRegister, 1), "15 03 00 88 00 01 07 34");
    row("baud 9600 → 19200", modbus::writeRegister(21, recorder::BaudRegisterBase + 2, 4), "15 06 0A 02 00 04 29 05");
    row("baud 19200 → 9600", modbus::writeRegister(21, recorder::BaudRegisterBase + 4, 2), "15 06 0A 04 00 02 49 06");
    row("clear-memory coil at device 2", modbus::writeCoil(2, 3, true), "02 05 00 03 FF 00 7C 09");
    row("clear record count", modbus::writeRegisters(21, 121, QByteArray(2, '\0')), "15 10 00 79 00 01 02 00 00 52 F9");
    row("clear record pointer", modbus::writeRegisters(21, 122, QByteArray(4, '\0')), "15 10 00 7A 00 02 04 00 00 00 00 35 04");

    // The clock set at Sunday 6 December 2026 14:30:45, in the order it goes out, then coil 8.
    const auto texts = clockfields::boxTexts(QDateTime(QDate(2026, 12, 6), QTime(14, 30, 45)));
    std::array<uint8_t, clockfields::BoxCount> bcd{};
    for (int i = 0; i < clockfields::BoxCount; ++i)
        bcd[i] = *clockfields::toBcd(texts[i], clockfields::fields()[i].lo, clockfields::fields()[i].hi);
    const auto writes = clockfields::setWrites(bcd);
    const char *clockFrames[] = {"15 06 00 81 20 26 42 EC", "15 06 00 80 01 12 0A AB", "15 06 00 7F 06 14 B8 A9",
                                 "15 06 00 7E 30 45 3F 35"};
    for (int n = 0; n < 4; ++n)
        QTest::newRow(qPrintable(QStringLiteral("clock set %1").arg(n + 1)))
            << modbus::writeRegister(21, writes[n].reg, writes[n].value) << hx(clockFrames[n]);
    row("clock set coil", modbus::writeCoil(21, clockfields::SetCoil, true), "15 05 00 08 FF 00 0E EC");
}

void TestConfigModel::frames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
}

// What a box writes: its text's value, rounded and said so, unless it still shows what read-all put
// there (read: the word read-all filled it from, -1 for none).
void TestConfigModel::boxWrites_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("rounding");
    const struct { const char *text; int read, word; const char *rounding; } rows[] = {
        {"0", -1, 0, ""}, {"300", -1, 300, ""}, {" 7 ", -1, 7, ""}, {"+5", -1, 5, ""}, {"12.0", -1, 12, ""},
        {"2.5", -1, 2, "“2.5”已取整为 2"}, {"13.5", -1, 14, "“13.5”已取整为 14"}, {" 12.4", -1, 12, "“12.4”已取整为 12"},
        {"-2.4", -1, 65534, "“-2.4”已取整为 -2"}, {"65535.4", -1, 65535, "“65535.4”已取整为 65535"},
        {"32768", -1, 32768, ""}, {"65535", -1, 65535, ""}, {"-1", -1, 65535, ""}, {"-25535", -1, 40001, ""},
        {"-32768", -1, 32768, ""},
        {"65536", -1, -1, ""}, {"65535.5", -1, -1, ""}, {"-32769", -1, -1, ""}, {"-32768.6", -1, -1, ""},
        {"", -1, -1, ""}, {"  ", -1, -1, ""}, {"abc", -1, -1, ""}, {"1e3", -1, -1, ""}, {"0x10", -1, -1, ""},
        {"12,5", -1, -1, ""}, {"1-2", -1, -1, ""}, {"4294967296", -1, -1, ""},
        // Read FFFF shows 0 and writes FFFF back; an edit to anything else writes what was typed.
        {"0", 0xFFFF, 0xFFFF, ""}, {"00", 0xFFFF, 0, ""}, {"1", 0xFFFF, 1, ""}, {"0.4", 0xFFFF, 0, "“0.4”已取整为 0"},
        {"abc", 0xFFFF, -1, ""}, {"-25535", 0x9C41, 0x9C41, ""}, {"40000", 0x9C41, 40000, ""},
    };
    for (const auto &r : rows)
        QTest::newRow(qPrintable(QStringLiteral("%1 read %2").arg(QString::fromLatin1(r.text)).arg(r.read)))
            << QString::fromLatin1(r.text) << r.read << r.word << QString::fromUtf8(r.rounding);
}

void TestConfigModel::boxWrites()
{
    QFETCH(QString, text);
    QFETCH(int, read);
    QFETCH(int, word);
    QFETCH(QString, rounding);
    std::optional<polling::ReadBack> back;
    if (read >= 0)
        back = polling::readAllBox(uint16_t(read));
    const auto w = polling::boxWrite(text, back);
    QCOMPARE(w ? int(w->word) : -1, word);
    QCOMPARE(w ? w->rounding : QString(), rounding);
}

// Every word read-all shows is written back unchanged, FFFF (shown as 0) through what the read
// remembers; every other one from its text alone, as typed.
void TestConfigModel::readAllRoundTripsEveryWord()
{
    for (int w = 0; w <= 0xFFFF; ++w) {
        const polling::ReadBack read = polling::readAllBox(uint16_t(w));
        const auto back = polling::boxWrite(read.text, read);
        const auto typed = polling::boxWrite(read.text, std::nullopt);
        QVERIFY2(back && typed, qPrintable(read.text));
        if (back->word != w || typed->word != (w == 0xFFFF ? 0 : w))
            QFAIL(qPrintable(QStringLiteral("word %1 shows %2, written back as %3").arg(w).arg(read.text).arg(back->word)));
    }
}

void TestConfigModel::readAllDecoding()
{
    // Words 0001, FFFF, 9C40, 9C41, FFFE, 8000, 7FFF, shown as read-all shows them.
    const QByteArray reply = hx("15 03 0E 00 01 FF FF 9C 40 9C 41 FF FE 80 00 7F FF 00 00");
    QStringList shown;
    for (uint16_t w : polling::replyWords(reply, 7))
        shown << polling::readAllBox(w).text;
    QCOMPARE(shown, (QStringList{"1", "0", "40000", "-25535", "-2", "32768", "32767"}));
    using Words = QVector<uint16_t>;
    QCOMPARE(polling::replyWords(reply, 3), (Words{1, 0xFFFF, 40000}));
    // A cut reply gives only the words it holds whole before its last two bytes.
    QCOMPARE(polling::replyWords(reply.left(9), 20), (Words{1, 0xFFFF}));
    QCOMPARE(polling::replyWords(reply.left(10), 20), (Words{1, 0xFFFF}));
    QCOMPARE(polling::replyWords(reply.left(7), 20), (Words{1}));
    QCOMPARE(polling::replyWords(reply.left(6), 20), Words());
    QCOMPARE(polling::replyWords(hx("15 83 02 80 F5"), 20), Words());
    QCOMPARE(polling::replyWords(QByteArray(), 20), Words());
    QCOMPARE(polling::replyWord(hx("15 03 02 FF FE 00 00"), 0), std::optional<uint16_t>(0xFFFE));
    QCOMPARE(polling::replyWord(hx("15 03 02 FF FE 00 00"), 1), std::optional<uint16_t>());
    QCOMPARE(polling::replyWord(hx("15 03 02 FF FE 00 00"), -1), std::optional<uint16_t>());
}

void TestConfigModel::presets()
{
    QStringList ones;
    QStringList sequence;
    for (int n = 1; n <= 20; ++n) {
        ones << QStringLiteral("x7");
        sequence << QString::number(n);
    }
    QCOMPARE(polling::presetTexts(false, QStringLiteral("x7")), ones);  // verbatim: checked when written
    QCOMPARE(polling::presetTexts(true, QStringLiteral("x7")), sequence);
}

void TestConfigModel::clockBoxesFromThePcClock()
{
    const struct { QDateTime time; std::array<const char *, 7> boxes; } rows[] = {
        {QDateTime(QDate(2026, 12, 6), QTime(14, 30, 45)), {"45", "30", "14", "1", "6", "12", "26"}},   // Sunday
        {QDateTime(QDate(2026, 12, 5), QTime(0, 0, 0)), {"0", "0", "0", "7", "5", "12", "26"}},         // Saturday
        {QDateTime(QDate(2000, 1, 3), QTime(23, 59, 9)), {"9", "59", "23", "2", "3", "1", "0"}},        // Monday
        {QDateTime(QDate(2100, 1, 1), QTime(8, 0, 0)), {"0", "0", "8", "6", "1", "1", "100"}},          // Friday
    };
    for (const auto &r : rows) {
        const auto texts = clockfields::boxTexts(r.time);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(texts[i], QString::fromLatin1(r.boxes[i]));
    }
}

void TestConfigModel::clockBcd()
{
    const struct { const char *text; int lo, hi, bcd; } rows[] = {
        {"26", 0, 99, 0x26}, {"9", 0, 99, 0x09}, {"0", 0, 59, 0x00}, {"59", 0, 59, 0x59}, {"12", 1, 12, 0x12},
        {"7", 1, 7, 0x07}, {"60", 0, 59, -1}, {"100", 0, 99, -1}, {"-1", 0, 99, -1}, {"0", 1, 7, -1},
        {"2.5", 0, 99, -1}, {"abc", 0, 99, -1}, {"", 0, 99, -1}, {"3B", 0, 99, -1},
    };
    for (const auto &r : rows) {
        const auto b = clockfields::toBcd(QString::fromLatin1(r.text), r.lo, r.hi);
        QCOMPARE(b ? int(*b) : -1, r.bcd);
    }
}

void TestConfigModel::clockReadReply()
{
    const auto full = clockfields::readTexts(hx("15 03 08 30 45 06 14 03 12 20 26 CB C9"));
    const char *expected[] = {"45", "30", "14", "3", "6", "12", "26"};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(full[i].value_or(QStringLiteral("<none>")), QString::fromLatin1(expected[i]));
    // A byte that is not BCD shows as it is; a leading zero goes.
    const auto odd = clockfields::readTexts(hx("15 03 08 3B 05 06 14 03 12 20 26 00 00"));
    QCOMPARE(*odd[0], QStringLiteral("5"));
    QCOMPARE(*odd[1], QStringLiteral("3B"));
    // A reply cut after the hour gives only the boxes it holds before its last two bytes.
    const auto cut = clockfields::readTexts(hx("15 03 08 30 45 06 14 AA BB"));
    QCOMPARE(cut[0].value_or(QString()), QStringLiteral("45"));
    QCOMPARE(cut[1].value_or(QString()), QStringLiteral("30"));
    QCOMPARE(cut[4].value_or(QString()), QStringLiteral("6"));
    QCOMPARE(cut[2].value_or(QString()), QStringLiteral("14"));
    QVERIFY(!cut[3] && !cut[5] && !cut[6]);
}

void TestConfigModel::writeOutcome()
{
    const auto exchange = [](const QByteArray &request, const QByteArray &reply) {
        Exchange ex;
        ex.sent = true;
        ex.request = request;
        ex.reply = reply;
        ex.info = modbus::classifyReply(request, reply);
        return ex;
    };
    const QByteArray write = hx("15 06 00 74 00 3C CA D5");
    QCOMPARE(recorder::writeProblem(exchange(write, write)), QString());
    QVERIFY(recorder::writeProblem(exchange(write, QByteArray())).contains(QStringLiteral("无应答")));
    QVERIFY(recorder::writeProblem(exchange(write, hx("15 86 02 83 A5"))).contains(QStringLiteral("非法数据地址")));
    QVERIFY(recorder::writeProblem(exchange(write, hx("15 06 00 74 00 3C CA D6"))).contains(QStringLiteral("CRC")));
    // A well-formed answer that is not the echo: the device did not store what was asked.
    QVERIFY(recorder::writeProblem(exchange(write, modbus::writeRegister(21, 116, 61))).contains(QStringLiteral("不一致")));
    // Function 16 answers with the request's first six bytes.
    const QByteArray clear = hx("15 10 00 79 00 01 02 00 00 52 F9");
    QCOMPARE(recorder::writeProblem(exchange(clear, hx("15 10 00 79 00 01 D3 04"))), QString());
    QVERIFY(!recorder::writeProblem(exchange(clear, clear)).isEmpty());  // the request itself is no answer
    Exchange closed;
    QVERIFY(recorder::writeProblem(closed).contains(QStringLiteral("端口未打开")));
    Exchange stopped = exchange(write, write);
    stopped.aborted = true;
    QVERIFY(!recorder::writeProblem(stopped).isEmpty());
}

QTEST_APPLESS_MAIN(TestConfigModel)
#include "test_config_model.moc"
