// The recorder's memory and answers, request by request, without a line.
#include "simtest.h"
#include "core/link/baudrates.h"

#include <QMutex>

#include <memory>

using namespace simtest;

class TestSimMemory : public QObject {
    Q_OBJECT

private slots:
    // ---- the memory, request by request -------------------------------------------------------

    void knownFrames()
    {
        QCOMPARE(frame({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}), hexFrame("010300000001840A"));
        // The clock read of device 21, and its answer on that Sunday.
        const QByteArray clockRead = hexFrame("1503007500" "0456C7");
        QCOMPARE(readRequest(21, 0x03, 117, 4), clockRead);
        DeviceState dev = deviceAtSunday();
        const Handled h = run(dev, clockRead);
        QCOMPARE(h.reply, frame({0x15, 0x03, 0x08, 0x30, 0x45, 0x06, 0x14, 0x01, 0x12, 0x20, 0x26}));
        QCOMPARE(h.newLineBaud, 0);
    }

    void holdingGroups_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QVector<uint16_t>>("expected");
        QVector<uint16_t> types, addresses;
        for (int i = 0; i < 20; ++i) {
            types.append(i % 2 == 0 ? 2 : 1);
            addresses.append(uint16_t(i + 1));
        }
        QVector<uint16_t> lengths = repeated(1, 20);
        lengths[6] = 20;  // 136: the sensor count
        QTest::newRow("spare 20-23") << 20 << repeated(0, 4);
        QTest::newRow("sensor types") << 24 << types;
        QTest::newRow("slot addresses") << 44 << addresses;
        QTest::newRow("register starts") << 64 << repeated(0, 20);
        QTest::newRow("multipliers") << 84 << repeated(1, 20);
        QTest::newRow("polled devices") << 104 << QVector<uint16_t>{20};
        QTest::newRow("interval") << 116 << QVector<uint16_t>{59};
        QTest::newRow("clock") << 117 << QVector<uint16_t>{0x3045, 0x0614, 0x0112, 0x2026};
        QTest::newRow("count pointer state") << 121 << QVector<uint16_t>{0, 0, 0, 12, 0};
        QTest::newRow("data lengths") << 130 << lengths;
        QTest::newRow("rate at 19200") << 2560 << QVector<uint16_t>{0, 0, 0, 0, 4, 0};
        QTest::newRow("rate register alone") << 2564 << QVector<uint16_t>{4};
    }

    void holdingGroups()
    {
        QFETCH(int, start);
        QFETCH(QVector<uint16_t>, expected);
        DeviceState dev = deviceAtSunday();
        const Handled h = run(dev, readRequest(21, 0x03, start, int(expected.size())));
        QCOMPARE(h.reply, readReply(21, 0x03, expected));
    }

    void liveValuesArePlausibleAndDrift()
    {
        DeviceState dev = deviceAtSunday();
        const QVector<uint16_t> now = readHolding(dev, 0, 20);
        QCOMPARE(now.size(), 20);
        bool moved = false;
        for (int minutes : {7, 20, 180, 600}) {
            const QVector<uint16_t> later = readHolding(dev, 0, 20, HostT0 + minutes * 60000LL);
            for (int r = 0; r < 20; ++r) {
                const int v = int16_t(later[r]);
                if (r % 2 == 0)  // channel r + 1 odd: moisture
                    QVERIFY2(v >= 60 && v <= 300, qPrintable(QString("moisture %1 = %2").arg(r).arg(v)));
                else
                    QVERIFY2(v >= -60 && v <= 380, qPrintable(QString("temperature %1 = %2").arg(r).arg(v)));
                if (r % 2 == 0)  // moisture only drifts a little
                    QVERIFY(std::abs(v - int16_t(now[r])) <= 10);
                moved = moved || later[r] != now[r];
            }
        }
        QVERIFY(moved);
        // The same moment always reads the same.
        QCOMPARE(readHolding(dev, 0, 20), now);
        // Some temperature goes below zero during the night.
        DeviceState night;
        night.setClockAt(QDateTime(QDate(2026, 1, 10), QTime(3, 0)), HostT0);
        bool negative = false;
        for (uint16_t v : readHolding(night, 0, 20))
            negative = negative || int16_t(v) < 0;
        QVERIFY(negative);
    }

    void exceptions_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("code");  // 0: a normal reply, -1: no reply at all
        QTest::newRow("read coils") << readRequest(21, 0x01, 0, 1) << 1;
        QTest::newRow("read discrete") << readRequest(21, 0x02, 0, 1) << 1;
        QTest::newRow("write coils") << frame({21, 0x0F, 0, 0, 0, 8, 1, 0xFF}) << 1;
        QTest::newRow("unknown function") << frame({21, 0x2B, 0x0E, 0x01, 0x00}) << 1;
        QTest::newRow("read 0 registers") << readRequest(21, 0x03, 0, 0) << 3;
        QTest::newRow("read 126 registers") << readRequest(21, 0x03, 0, 126) << 3;
        QTest::newRow("read 125 registers") << readRequest(21, 0x03, 25, 125) << 0;
        QTest::newRow("input 0 registers") << readRequest(21, 0x04, 0, 0) << 3;
        QTest::newRow("input 126 registers") << readRequest(21, 0x04, 0, 126) << 3;
        QTest::newRow("read 150") << readRequest(21, 0x03, 150, 1) << 2;
        QTest::newRow("read across 149") << readRequest(21, 0x03, 140, 11) << 2;
        QTest::newRow("read 1000") << readRequest(21, 0x03, 1000, 1) << 2;
        QTest::newRow("read 2559-2560") << readRequest(21, 0x03, 2559, 2) << 2;
        QTest::newRow("read 2565-2566") << readRequest(21, 0x03, 2565, 2) << 2;
        QTest::newRow("input to the end") << readRequest(21, 0x04, 65411, 125) << 0;
        QTest::newRow("input past the end") << readRequest(21, 0x04, 65412, 125) << 2;
        QTest::newRow("input last register") << readRequest(21, 0x04, 65535, 1) << 0;
        QTest::newRow("coil 9") << coil(21, 9, true) << 2;
        QTest::newRow("coil value 1234") << frame({21, 0x05, 0, 1, 0x12, 0x34}) << 3;
        QTest::newRow("coil 9 value 1234") << frame({21, 0x05, 0, 9, 0x12, 0x34}) << 3;
        QTest::newRow("write 150") << writeSingle(21, 150, 1) << 2;
        QTest::newRow("write 2559") << writeSingle(21, 2559, 1) << 2;
        QTest::newRow("rate code 0") << writeSingle(21, 2564, 0) << 3;
        QTest::newRow("rate code 6") << writeSingle(21, 2564, 6) << 3;
        QTest::newRow("rate not current") << writeSingle(21, 2562, 2) << 2;
        QTest::newRow("write 0 registers") << writeMultiple(21, 116, {}) << 3;
        QTest::newRow("write 124 registers") << writeMultiple(21, 0, repeated(0, 124)) << 3;
        QTest::newRow("write byte count off") << frame({21, 0x10, 0, 116, 0, 2, 2, 0, 1}) << 3;
        QTest::newRow("write across 149") << writeMultiple(21, 148, {1, 2, 3}) << 2;
        QTest::newRow("write rate block") << writeMultiple(21, 2564, {2}) << 2;
        QTest::newRow("write 123 registers") << writeMultiple(21, 24, repeated(1, 123)) << 0;
        // What a slave must not answer.
        QByteArray spoiled = readRequest(21, 0x03, 0, 1);
        spoiled[7] = char(spoiled[7] ^ 0x01);
        QTest::newRow("bad crc") << spoiled << -1;
        QTest::newRow("other address") << readRequest(22, 0x03, 0, 1) << -1;
        QTest::newRow("broadcast read") << readRequest(0, 0x03, 0, 1) << -1;
        QTest::newRow("broadcast bad function") << readRequest(0, 0x01, 0, 1) << -1;
        QTest::newRow("too long for 03") << frame({21, 0x03, 0, 0, 0, 1, 0}) << -1;
        QTest::newRow("too short") << frame({21, 0x03}) << -1;
    }

    void exceptions()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, code);
        DeviceState dev = deviceAtSunday();
        const QByteArray reply = run(dev, request).reply;
        if (code < 0) {
            QVERIFY(reply.isEmpty());
        } else if (code == 0) {
            QVERIFY(crcMatches(reply));
            QCOMPARE(uint8_t(reply[1]), uint8_t(request[1]));
        } else {
            QCOMPARE(reply, frame({21, uint8_t(request[1]) | 0x80, code}));
        }
    }

    void writesAndCoils()
    {
        DeviceState dev = deviceAtSunday();
        const QVector<uint16_t> live = readHolding(dev, 0, 24);
        const QVector<uint16_t> clockBefore = readHolding(dev, 117, 4);

        // Single writes echo; configuration sticks, measured values and the clock do not change.
        for (const auto &[reg, value] : {std::pair{116, 30}, std::pair{5, 999}, std::pair{22, 7},
                                         std::pair{118, 0x0101}, std::pair{149, 3}}) {
            const QByteArray request = writeSingle(21, reg, value);
            QCOMPARE(run(dev, request).reply, request);
        }
        QCOMPARE(readHolding(dev, 116, 1), QVector<uint16_t>{30});
        QCOMPARE(readHolding(dev, 149, 1), QVector<uint16_t>{3});
        QCOMPARE(readHolding(dev, 0, 24), live);
        QCOMPARE(readHolding(dev, 117, 4), clockBefore);

        // A block write answers with its start and count, and stores every register but the clock.
        const QByteArray block = writeMultiple(21, 114, {1, 2, 60, 0x1111, 0x2222, 0x3333, 0x4444, 5});
        QCOMPARE(run(dev, block).reply, frame({21, 0x10, 0, 114, 0, 8}));
        QCOMPARE(readHolding(dev, 114, 8), (QVector<uint16_t>{1, 2, 60, 0x3045, 0x0614, 0x0112, 0x2026, 5}));

        // Coils commit groups: switching on counts, switching off is accepted and does nothing.
        for (int c : {0, 1, 2, 4, 5, 6}) {
            QCOMPARE(run(dev, coil(21, c, true)).reply, coil(21, c, true));
            QCOMPARE(run(dev, coil(21, c, false)).reply, coil(21, c, false));
        }
        run(dev, coil(21, 0, true));
        QCOMPARE(dev.coilOn[0], 2);
        for (int c : {1, 2, 4, 5, 6})
            QCOMPARE(dev.coilOn[c], 1);
        QCOMPARE(dev.coilOn[3], 0);
        QCOMPARE(dev.coilOn[8], 0);

        // A broadcast write is carried out without an answer.
        QVERIFY(run(dev, writeSingle(0, 116, 45)).reply.isEmpty());
        QCOMPARE(readHolding(dev, 116, 1), QVector<uint16_t>{45});
    }

    void clockSetBlock_data()
    {
        QTest::addColumn<QVector<uint16_t>>("block");  // 126–129
        QTest::addColumn<QDateTime>("expected");        // invalid: the clock stays
        QTest::newRow("new year's eve") << QVector<uint16_t>{0x5958, 0x3123, 0x0612, 0x2027}
                                        << QDateTime(QDate(2027, 12, 31), QTime(23, 59, 58));
        QTest::newRow("leap day") << QVector<uint16_t>{0x0000, 0x2900, 0x0502, 0x2028}
                                  << QDateTime(QDate(2028, 2, 29), QTime(0, 0));
        QTest::newRow("hex digit") << QVector<uint16_t>{0x5A00, 0x0112, 0x0101, 0x2027} << QDateTime();
        QTest::newRow("minute 60") << QVector<uint16_t>{0x6000, 0x0112, 0x0101, 0x2027} << QDateTime();
        QTest::newRow("hour 24") << QVector<uint16_t>{0x0000, 0x0124, 0x0101, 0x2027} << QDateTime();
        QTest::newRow("31 February") << QVector<uint16_t>{0x0000, 0x3112, 0x0102, 0x2027} << QDateTime();
        QTest::newRow("month 13") << QVector<uint16_t>{0x0000, 0x0112, 0x0113, 0x2027} << QDateTime();
        QTest::newRow("day 0") << QVector<uint16_t>{0x0000, 0x0012, 0x0101, 0x2027} << QDateTime();
    }

    void clockSetBlock()
    {
        QFETCH(QVector<uint16_t>, block);
        QFETCH(QDateTime, expected);
        DeviceState dev = deviceAtSunday();
        for (int i = 0; i < 4; ++i)
            QVERIFY(!run(dev, writeSingle(21, 126 + i, block[i])).reply.isEmpty());
        // Writing the block alone leaves the clock as it was.
        QCOMPARE(dev.clockAt(HostT0), Sunday);
        QCOMPARE(run(dev, coil(21, 8, true)).reply, coil(21, 8, true));
        QCOMPARE(dev.coilOn[8], 1);
        QCOMPARE(dev.clockAt(HostT0), expected.isValid() ? expected : Sunday);
        QCOMPARE(readHolding(dev, 126, 4), block);  // the block stays readable
        if (!expected.isValid())
            return;
        // It keeps ticking from the new time, across midnight and the year.
        const QDateTime later = expected.addSecs(3);
        const QVector<uint16_t> regs = readHolding(dev, 117, 4, HostT0 + 3000);
        const int weekday = later.date().dayOfWeek() % 7 + 1;
        QCOMPARE(regs, (QVector<uint16_t>{uint16_t(toBcd(later.time().minute()) << 8 | toBcd(later.time().second())),
                                          uint16_t(toBcd(later.date().day()) << 8 | toBcd(later.time().hour())),
                                          uint16_t(weekday << 8 | toBcd(later.date().month())),
                                          uint16_t(0x2000 | toBcd(later.date().year() % 100))}));
    }

    void recordMemory()
    {
        // Three four-value records: N follows them, each record takes 7 registers.
        const QDateTime first(QDate(2025, 3, 9), QTime(23, 58));
        QVector<SimRecord> recs = SimRecorder::demoRecords(3, first, 4);
        recs[1].values = {123, 235, uint16_t(-100), 0x5B5B};
        DeviceState dev = deviceAtSunday();
        dev.setRecords(recs);
        QCOMPARE(readHolding(dev, 136, 1), QVector<uint16_t>{4});
        QCOMPARE(readHolding(dev, 121, 5), (QVector<uint16_t>{3, 0, 21, 12, 2}));  // 3 × 59 s ≈ 2 min

        QCOMPARE(SimRecorder::recordBytes(recs[1]), hexFrame("5B2503092359007B00EBFF9C5B5B"));
        QCOMPARE(SimRecorder::recordBytes(recs[2]).left(6), hexFrame("5B2503100000"));  // past midnight

        const QByteArray all = run(dev, readRequest(21, 0x04, 0, 24)).reply;
        QCOMPARE(all.mid(3, 42), SimRecorder::recordBytes(recs[0]) + SimRecorder::recordBytes(recs[1])
                                     + SimRecorder::recordBytes(recs[2]));
        QCOMPARE(replyWords(all).mid(21), repeated(0xFFFF, 3));
        // A read may start in the middle of a record.
        QCOMPARE(replyWords(run(dev, readRequest(21, 0x04, 11, 2)).reply), (QVector<uint16_t>{0x00EB, 0xFF9C}));
        QCOMPARE(replyWords(run(dev, readRequest(21, 0x04, 65534, 2)).reply), (QVector<uint16_t>{0xFFFF, 0xFFFF}));
        QCOMPARE(dev.inputAt(7), uint16_t(0x5B25));

        // The full default layout: 20 values, 23 registers a record.
        dev.setRecords(SimRecorder::demoRecords(5, first));
        QCOMPARE(readHolding(dev, 136, 1), QVector<uint16_t>{20});
        QCOMPARE(readHolding(dev, 121, 3), (QVector<uint16_t>{5, 0, 115}));
        QCOMPARE(uint8_t(dev.inputAt(4 * 23) >> 8), uint8_t(0x5B));
        QCOMPARE(dev.inputAt(5 * 23), uint16_t(0xFFFF));
    }

    void clearingTheMemory()
    {
        DeviceState dev = deviceAtSunday();
        dev.setRecords(SimRecorder::demoRecords(10, Sunday));
        QCOMPARE(readHolding(dev, 121, 3), (QVector<uint16_t>{10, 0, 230}));

        // 121 alone only changes the register; coil 3 then drops what it no longer counts.
        QCOMPARE(run(dev, writeMultiple(21, 121, {4})).reply, frame({21, 0x10, 0, 121, 0, 1}));
        QCOMPARE(readHolding(dev, 121, 1), QVector<uint16_t>{4});
        QCOMPARE(dev.records.size(), 10);
        QCOMPARE(dev.inputAt(9 * 23), uint16_t(0x5B00 | toBcd(26)));
        run(dev, coil(21, 3, true));
        QCOMPARE(dev.records.size(), 4);
        QCOMPARE(dev.inputAt(4 * 23), uint16_t(0xFFFF));
        QCOMPARE(readHolding(dev, 121, 3), (QVector<uint16_t>{4, 0, 92}));

        // The program's clear: zero the count, then coil 3; zero the pointer.
        run(dev, writeMultiple(21, 121, {0}));
        run(dev, coil(21, 3, true));
        run(dev, writeMultiple(21, 122, {0, 0}));
        QVERIFY(dev.records.isEmpty());
        QCOMPARE(dev.inputAt(0), uint16_t(0xFFFF));
        QCOMPARE(readHolding(dev, 121, 5), (QVector<uint16_t>{0, 0, 0, 12, 0}));
        QCOMPARE(dev.coilOn[3], 2);
    }

    void rateRegister()
    {
        DeviceState dev = deviceAtSunday();
        // The echo is built at the old rate; the new rate is handed back for after it has left.
        const QByteArray toNine = writeSingle(21, 2564, 2);
        const Handled h = run(dev, toNine, 19200);
        QCOMPARE(h.reply, toNine);
        QCOMPARE(h.newLineBaud, 9600);
        // At 9600 the register moves to 2562.
        QCOMPARE(replyWords(run(dev, readRequest(21, 0x03, 2560, 6), 9600).reply),
                 (QVector<uint16_t>{0, 0, 2, 0, 0, 0}));
        QCOMPARE(run(dev, writeSingle(21, 2564, 4), 9600).reply, frame({21, 0x86, 2}));
        for (int code = 1; code <= 5; ++code) {
            QCOMPARE(baud::codeOf(baud::ofCode(code)), code);
            QCOMPARE(run(dev, writeSingle(21, 2562, code), 9600).newLineBaud, baud::ofCode(code));
        }
        QCOMPARE(baud::ofCode(3), 14400);
        QCOMPARE(baud::codeOf(115200), 0);
    }

    void demoRecords()
    {
        const QDateTime first(QDate(2026, 1, 14), QTime(22, 0));
        const QVector<SimRecord> a = SimRecorder::demoRecords(1500, first);  // a night and a day
        const QVector<SimRecord> b = SimRecorder::demoRecords(1500, first);
        QCOMPARE(a.size(), 1500);
        bool negative = false, warm = false;
        for (int k = 0; k < a.size(); ++k) {
            QCOMPARE(a[k].time, first.addSecs(60 * k));
            QCOMPARE(a[k].values, b[k].values);
            QCOMPARE(a[k].values.size(), 20);
            for (int c = 1; c <= 20; ++c) {
                const int v = int16_t(a[k].values[c - 1]);
                if (c % 2 == 1) {
                    QVERIFY2(v >= 75 && v <= 260, qPrintable(QString("moisture ch%1 = %2").arg(c).arg(v)));
                    if (k >= 60)  // drying, never wetting by more than the jitter
                        QVERIFY(v <= int16_t(a[k - 60].values[c - 1]) + 2);
                } else {
                    QVERIFY2(v >= -50 && v <= 350, qPrintable(QString("temperature ch%1 = %2").arg(c).arg(v)));
                    negative = negative || v < 0;
                    warm = warm || v > 250;
                }
            }
        }
        QVERIFY(negative);
        QVERIFY(warm);
        // Even the first record has a value byte 5B, which a reader must not take for a record start.
        const QByteArray bytes = SimRecorder::recordBytes(SimRecorder::demoRecords(1, first).first());
        QCOMPARE(bytes.size(), 46);
        QVERIFY(bytes.indexOf(char(0x5B), 6) >= 6);
        QVERIFY(SimRecorder::demoRecords(0, first).isEmpty());
    }

    void framing_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("length");
        QTest::newRow("nothing") << QByteArray() << 0;
        QTest::newRow("address only") << hexFrame("15") << 0;
        for (int fn = 1; fn <= 6; ++fn)
            QTest::newRow(qPrintable(QString("function %1").arg(fn))) << QByteArray::fromHex("15") + char(fn) << 8;
        QTest::newRow("16 before its count") << hexFrame("151000790001") << 0;
        QTest::newRow("16 of one") << hexFrame("15100079000102") << 11;
        QTest::newRow("15 of 255") << hexFrame("150F000007F8FF") << 264;
        QTest::newRow("unknown 2B") << hexFrame("152B") << -1;
        QTest::newRow("exception-like 83") << hexFrame("1583") << -1;
    }

    void framing()
    {
        QFETCH(QByteArray, start);
        QFETCH(int, length);
        QCOMPARE(expectedRequestLength(start), length);
    }
};

QTEST_GUILESS_MAIN(TestSimMemory)
#include "test_simmemory.moc"
