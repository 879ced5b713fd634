#include "hexbytes.h"
#include "core/settings/comports.h"
#include "core/link/convert.h"
#include "core/link/crc16.h"
#include "core/link/frames.h"
#include "core/link/hex.h"
#include "core/link/serialdevice.h"
#include "core/link/waitms.h"
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using modbus::ReplyClass;
Q_DECLARE_METATYPE(ReplyClass)

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void crc_data();
    void crc();
    void crcOfEmptyRangeIsFFFF();
    void requests_data();
    void requests();
    void hexTexts();
    void expectedLength_data();
    void expectedLength();
    void classify_data();
    void classify();
    void replyComplete_data();
    void replyComplete();
    void describeNamesTheException();
    void byteConversion_data();
    void byteConversion();
    void deviceAddress_data();
    void deviceAddress();
    void comPortMapping();
    void openFailureNamesDeviceAndReason();
    void deviceStateFromSysfs();
    void waitMsKeepsEventsFlowing();
};

// Frames without their CRC, and the CRC a Modbus device expects after them (low byte first).
void TestLink::crc_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("crc");
    const struct { const char *frame, *crc; } rows[] = {
        {"01 03 00 00 00 01", "84 0A"},
        {"02 03 00 79 00 01", "55 E0"},
        {"02 03 00 00 00 14", "45 F6"},  // live read, default boxes
        {"15 03 00 7C 00 02", "06 C7"},  // storage state, device 21
        {"02 03 00 7C 00 02", "05 E0"},
        {"15 03 00 75 00 04", "56 C7"},  // clock read
        {"15 03 08 30 45 06 14 03 12 20 26", "CB C9"},  // clock reply
        {"02 06 00 74 00 3C", "C9 F2"},
        {"15 06 00 74 00 3C", "CA D5"},
        {"15 06 00 74 27 0F", "91 30"},
        {"15 03 00 74 00 01", "C7 04"},
        {"15 03 02 00 3B", "C9 94"},
        {"15 06 0A 02 00 04", "29 05"},  // baud change 9600 → 19200
        {"15 03 00 88 00 01", "07 34"},
        {"15 03 02 00 14", "88 48"},
        {"02 83 02", "30 F1"},           // exception reply
        {"02 05 00 03 FF 00", "7C 09"},
        {"15 06 00 81 20 26", "42 EC"},  // clock set, Sunday 6 December 2026 14:30:45
        {"15 06 00 80 01 12", "0A AB"},
        {"15 06 00 7F 06 14", "B8 A9"},
        {"15 06 00 7E 30 45", "3F 35"},
        {"15 05 00 08 FF 00", "0E EC"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.frame) << hx(r.frame) << hx(r.crc);
}

void TestLink::crc()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, crc);
    const Crc c = Crc16(frame, int(frame.size()) - 1);
    QCOMPARE(FormatHex(c.low) + FormatHex(c.high), FormatHex(uint8_t(crc[0])) + FormatHex(uint8_t(crc[1])));
    QVERIFY(crcMatches(frame + crc));
    QByteArray spoiled = frame + crc;
    spoiled[0] = char(spoiled[0] ^ 0x01);
    QVERIFY(!crcMatches(spoiled));
    // Covering only part of a longer buffer: the last index decides, not the buffer size.
    const Crc partial = Crc16(frame + QByteArray("\x00\x00", 2), int(frame.size()) - 1);
    QCOMPARE(partial.low, c.low);
    QCOMPARE(partial.high, c.high);
}

void TestLink::crcOfEmptyRangeIsFFFF()
{
    const Crc c = Crc16(hx("01 02"), -1);
    QCOMPARE(c.low, uint8_t(0xFF));
    QCOMPARE(c.high, uint8_t(0xFF));
}

void TestLink::requests_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QString>("expected");
    using namespace modbus;
    QTest::newRow("live read 2/3/0/20") << readRequest(2, 3, 0, 20) << "02 03 00 00 00 14 45 F6";
    QTest::newRow("live read keeps any function") << readRequest(7, 0x2B, 5, 1).left(2) << "07 2B";
    QTest::newRow("storage state 21") << readHolding(21, 124, 2) << "15 03 00 7C 00 02 06 C7";
    QTest::newRow("record count 2") << readHolding(2, 121, 1) << "02 03 00 79 00 01 55 E0";
    QTest::newRow("record 3 of N=20") << readInput(2, 46, 23).left(6) << "02 04 00 2E 00 17";
    QTest::newRow("record 12 of N=20") << readInput(2, 253, 23).mid(2, 4) << "00 FD 00 17";
    QTest::newRow("record past 255 splits the start") << readInput(2, 0x1234, 23).mid(2, 2) << "12 34";
    QTest::newRow("interval 60") << writeRegister(2, 116, 60) << "02 06 00 74 00 3C C9 F2";
    QTest::newRow("interval 9999") << writeRegister(21, 116, 9999) << "15 06 00 74 27 0F 91 30";
    QTest::newRow("baud 2 to 4") << writeRegister(21, 0x0A02, 4) << "15 06 0A 02 00 04 29 05";
    QTest::newRow("coil on") << writeCoil(2, 3, true) << "02 05 00 03 FF 00 7C 09";
    QTest::newRow("coil off") << writeCoil(2, 3, false).left(6) << "02 05 00 03 00 00";
    QTest::newRow("clock coil") << writeCoil(21, 8, true) << "15 05 00 08 FF 00 0E EC";
    QTest::newRow("clear pointer") << writeRegisters(2, 122, QByteArray(4, '\0')).left(11)
                                   << "02 10 00 7A 00 02 04 00 00 00 00";
    QTest::newRow("clear count") << writeRegisters(2, 121, QByteArray(2, '\0')).left(9)
                                 << "02 10 00 79 00 01 02 00 00";
}

void TestLink::requests()
{
    QFETCH(QByteArray, built);
    QFETCH(QString, expected);
    QCOMPARE(ShowHex(built).trimmed(), expected);
}

void TestLink::hexTexts()
{
    QCOMPARE(FormatHex(0), QStringLiteral("00"));
    QCOMPARE(FormatHex(10), QStringLiteral("0A"));
    QCOMPARE(FormatHex(255), QStringLiteral("FF"));
    // The request echo: a blank after every pair, the last one included.
    QCOMPARE(requestHex(hx("02 03 00 00 00 14 45 F6")), QStringLiteral("02 03 00 00 00 14 45 F6 "));
    // The reply text: a blank before every pair.
    QCOMPARE(ShowHex(hx("01 03 02 00 0A")), QStringLiteral(" 01 03 02 00 0A"));
    QCOMPARE(ShowHex(QByteArray()), QString());
}

void TestLink::expectedLength_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("length");
    QTest::newRow("read 20") << modbus::readRequest(2, 3, 0, 20) << 45;
    QTest::newRow("read 1") << modbus::readHolding(2, 116, 1) << 7;
    QTest::newRow("input 23") << modbus::readInput(2, 0, 23) << 51;
    QTest::newRow("write reg") << modbus::writeRegister(2, 116, 1) << 8;
    QTest::newRow("write coil") << modbus::writeCoil(2, 3, true) << 8;
    QTest::newRow("write regs") << modbus::writeRegisters(2, 122, QByteArray(4, '\0')) << 8;
    QTest::newRow("unknown fn") << modbus::readRequest(2, 0x2B, 0, 1) << 0;
}

void TestLink::expectedLength()
{
    QFETCH(QByteArray, request);
    QFETCH(int, length);
    QCOMPARE(modbus::expectedReplyLength(request), length);
}

namespace {
QByteArray withCrc(const char *hex)
{
    QByteArray f = hx(hex);
    appendCrc(f);
    return f;
}
} // namespace

void TestLink::classify_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<ReplyClass>("cls");
    QTest::addColumn<int>("code");
    const QByteArray read1 = modbus::readHolding(2, 121, 1);
    const QByteArray write = modbus::writeRegister(2, 116, 60);
    QTest::newRow("valid read") << read1 << withCrc("02 03 02 00 2A") << ReplyClass::Valid << 0;
    QTest::newRow("valid write echo") << write << write << ReplyClass::Valid << 0;
    QTest::newRow("exception 02") << read1 << withCrc("02 83 02") << ReplyClass::Exception << 2;
    QTest::newRow("exception to a write") << write << withCrc("02 86 03") << ReplyClass::Exception << 3;
    QTest::newRow("exception, other device") << read1 << withCrc("05 83 02") << ReplyClass::OtherSender << 2;
    QTest::newRow("crc mismatch") << read1 << (hx("02 03 02 00 2A") + hx("00 00")) << ReplyClass::CrcMismatch << 0;
    QTest::newRow("other address") << read1 << withCrc("03 03 02 00 2A") << ReplyClass::OtherSender << 0;
    QTest::newRow("other function") << read1 << withCrc("02 04 02 00 2A") << ReplyClass::OtherSender << 0;
    QTest::newRow("two bytes") << read1 << hx("02 03") << ReplyClass::Short << 0;
    QTest::newRow("cut before crc") << read1 << hx("02 03 02 00 2A 11") << ReplyClass::Short << 0;
    QTest::newRow("fewer registers than asked")
        << modbus::readHolding(2, 0, 3) << withCrc("02 03 02 00 2A") << ReplyClass::Short << 0;
    QTest::newRow("byte count disagrees")
        << read1 << withCrc("02 03 04 00 2A") << ReplyClass::Short << 0;
    QTest::newRow("nothing") << read1 << QByteArray() << ReplyClass::None << 0;
    QTest::newRow("exception with trailing noise") << read1 << (withCrc("02 83 04") + hx("00")) << ReplyClass::Exception << 4;
}

void TestLink::classify()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(ReplyClass, cls);
    QFETCH(int, code);
    const auto info = modbus::classifyReply(request, reply);
    QCOMPARE(info.cls, cls);
    QCOMPARE(int(info.exceptionCode), code);
}

void TestLink::replyComplete_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("complete");
    const QByteArray good = withCrc("02 03 04 00 01 00 02");
    QTest::newRow("whole") << good << true;
    QTest::newRow("one byte short") << good.left(8) << false;
    QTest::newRow("exception") << withCrc("02 83 02") << true;
    QTest::newRow("exception part") << withCrc("02 83 02").left(4) << false;
    QTest::newRow("bad crc, full length") << (good.left(7) + hx("00 00")) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestLink::replyComplete()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, complete);
    QCOMPARE(modbus::replyComplete(modbus::readHolding(2, 0, 2), reply), complete);
}

void TestLink::describeNamesTheException()
{
    modbus::ReplyInfo info;
    info.cls = ReplyClass::Exception;
    info.exceptionCode = 2;
    const QString text = modbus::describeReply(info);
    QVERIFY2(text.contains(QStringLiteral("02")) && text.contains(QStringLiteral("非法数据地址")), qPrintable(text));
    info.cls = ReplyClass::Short;
    info.received = 3;
    info.expected = 7;
    QVERIFY(modbus::describeReply(info).contains(QStringLiteral("3")));
}

void TestLink::byteConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("nearest");  // -1: refused
    QTest::addColumn<int>("floor");
    QTest::newRow("plain") << "20" << 20 << 20;
    QTest::newRow("blanks") << " 7 " << 7 << 7;
    QTest::newRow("half to even down") << "2.5" << 2 << 2;
    QTest::newRow("half to even up") << "3.5" << 4 << 3;
    QTest::newRow("fraction") << "4.7" << 5 << 4;
    QTest::newRow("top") << "255" << 255 << 255;
    QTest::newRow("above") << "256" << -1 << -1;
    QTest::newRow("255.4 rounds in") << "255.4" << 255 << 255;
    QTest::newRow("255.5 rounds out") << "255.5" << -1 << 255;
    QTest::newRow("zero") << "0" << 0 << 0;
    QTest::newRow("negative") << "-1" << -1 << -1;
    QTest::newRow("-0.4") << "-0.4" << 0 << -1;
    QTest::newRow("letters") << "abc" << -1 << -1;
    QTest::newRow("empty") << "" << -1 << -1;
    QTest::newRow("exponent") << "1e2" << -1 << -1;
    QTest::newRow("hex") << "0x10" << -1 << -1;
    QTest::newRow("number then text") << "12ab" << -1 << -1;
}

void TestLink::byteConversion()
{
    QFETCH(QString, text);
    QFETCH(int, nearest);
    QFETCH(int, floor);
    const auto n = convert::toWhole(text, 0, 255);
    const auto f = convert::toWhole(text, 0, 255, convert::Rounding::Floor);
    QCOMPARE(n ? int(*n) : -1, nearest);
    QCOMPARE(f ? int(*f) : -1, floor);
}

void TestLink::deviceAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("21") << "21" << 21;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("broadcast 0") << "0" << -1;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("text") << "x" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestLink::deviceAddress()
{
    QFETCH(QString, text);
    QFETCH(int, address);
    const auto a = convert::deviceAddress(text);
    QCOMPARE(a ? int(*a) : -1, address);
    // The refusal quotes the text as typed, placeholders and all.
    QVERIFY(convert::refusedBoxMessage(QStringLiteral("设备地址"), text + QStringLiteral("%3"), 1, 255,
                                       convert::Rounding::WholeOnly)
                .contains(text + QStringLiteral("%3")));
}

void TestLink::comPortMapping()
{
    const struct { int com; const char *device; } rows[] = {
        {1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {4, "/dev/ttyUSB0"}, {11, "/dev/ttyUSB7"},
        {12, "/dev/ttyACM0"}, {19, "/dev/ttyACM7"}, {20, "/dev/ttyS3"}, {25, "/dev/ttyS8"},
    };
    QSet<QString> seen;
    for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com) {
        const QString d = ComPorts::defaultDevice(com);
        QVERIFY2(!d.isEmpty() && !seen.contains(d), qPrintable(d));  // every entry its own device
        seen.insert(d);
    }
    for (const auto &r : rows)
        QCOMPARE(ComPorts::defaultDevice(r.com), QString::fromLatin1(r.device));

    QTemporaryDir dir;
    QFile f(dir.filePath(ComPorts::fileName()));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# adapters by id\n\nCOM7 = /dev/serial/by-id/usb-FTDI_A\ncom25=/dev/pts/9\nCOM26=/dev/x\nnonsense\n");
    f.close();
    ComPorts ports;
    QStringList problems;
    ports.loadOverrides(dir.path(), &problems);
    QCOMPARE(ports.device(7), QStringLiteral("/dev/serial/by-id/usb-FTDI_A"));
    QCOMPARE(ports.device(25), QStringLiteral("/dev/pts/9"));
    QCOMPARE(ports.device(4), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(problems.size(), 1);  // COM26 and "nonsense" counted in one entry, the rest taken
    QVERIFY2(problems[0].contains(QStringLiteral("2 行")), qPrintable(problems[0]));
}

void TestLink::openFailureNamesDeviceAndReason()
{
    const QString dev = QStringLiteral("/dev/ttyUSB0");
    const struct { bool exists, accessible; QSerialPort::SerialPortError error; const char *says; } rows[] = {
        {false, false, QSerialPort::DeviceNotFoundError, "不存在"},
        {true, true, QSerialPort::DeviceNotFoundError, "不存在"},
        {true, false, QSerialPort::PermissionError, "dialout"},
        {true, true, QSerialPort::PermissionError, "Selected serial port has been used by other devices!"},
        {true, true, QSerialPort::OpenError, "无法打开"},
    };
    for (const auto &r : rows) {
        const QString text = describeOpenFailure(4, dev, r.exists, r.accessible, r.error, QStringLiteral("why"));
        QVERIFY2(text.contains(QString::fromUtf8(r.says)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("COM4")) && text.contains(dev), qPrintable(text));
    }
}

// Presence and the latency advice, from a made-up /dev and /sys.
void TestLink::deviceStateFromSysfs()
{
    QTemporaryDir dir;
    const QString sys = dir.filePath(QStringLiteral("sys")), timer = QStringLiteral("sys/bus/usb-serial/devices/%1/latency_timer");
    const std::pair<QString, QByteArray> files[] = {
        {"dev/ttyUSB0", ""}, {"dev/ttyUSB1", ""}, {"dev/ttyUSB2", ""}, {"dev/ttyUSB3", ""}, {"dev/ttyUSB4", ""},
        {"dev/ttyUSB6", ""}, {"dev/ttyUSB7", ""}, {"dev/ttyS0", ""}, {"dev/ttyS1", ""},
        {timer.arg("ttyUSB0"), "1\n"}, {timer.arg("ttyUSB1"), "16\n"}, {timer.arg("ttyUSB2"), "fast\n"},
        {timer.arg("ttyUSB4"), "16"}, {timer.arg("ttyUSB6"), "2\n"}, {timer.arg("ttyUSB7"), "3\n"},
        {"sys/class/tty/ttyS0/type", "0\n"}, {"sys/class/tty/ttyS1/type", "4\n"},  // a slot without a UART, one with
    };
    for (const auto &[path, content] : files) {
        QFile f(dir.filePath(path));
        QVERIFY(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    QVERIFY(QDir().mkpath(dir.filePath(timer.arg("ttyUSB3"))));  // cannot be read as a file
    QVERIFY(QFile::link(QStringLiteral("ttyUSB4"), dir.filePath(QStringLiteral("dev/usb-FTDI_A"))));  // as in /dev/serial/by-id
    QVERIFY(QFile::link(QStringLiteral("ttyUSB9"), dir.filePath(QStringLiteral("dev/usb-gone"))));

    const struct { const char *device; bool present; int saysMs; const char *tty; } rows[] = {
        {"dev/ttyACM0", false, 0, ""},  // no device, no sysfs entry
        {"dev/ttyUSB0", true, 0, ""},   {"dev/ttyUSB6", true, 0, ""},  {"dev/ttyUSB7", true, 3, "ttyUSB7"},
        {"dev/ttyUSB1", true, 16, "ttyUSB1"}, {"dev/ttyUSB2", true, 0, ""}, {"dev/ttyUSB3", true, 0, ""},
        {"dev/usb-FTDI_A", true, 16, "ttyUSB4"}, {"dev/usb-gone", false, 0, ""}, {"dev/ttyS0", false, 0, ""}, {"dev/ttyS1", true, 0, ""},
    };
    for (const auto &r : rows) {
        const QString device = dir.filePath(QString::fromLatin1(r.device));
        QVERIFY2(serialdevice::present(device, sys) == r.present, r.device);
        const QString advice = serialdevice::latencyAdvice(device, sys);
        QVERIFY2(advice.isEmpty() == (r.saysMs == 0), qPrintable(r.device + (QStringLiteral(": ") + advice)));
        if (r.saysMs)
            QVERIFY2(advice.contains(QStringLiteral("%1 ms").arg(r.saysMs))
                         && advice.endsWith(QStringLiteral("echo 1 | sudo tee %1/%2").arg(sys, timer.arg(r.tty).mid(4))),
                     qPrintable(advice));
    }
}

void TestLink::waitMsKeepsEventsFlowing()
{
    // A timer posted before the wait fires during it: the window stays live.
    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    Waiter().wait(30);
    QVERIFY(fired);
    QVERIFY(clock.elapsed() >= 30);  // never shorter than asked

    // A wait of 0 ms still handles what is pending.
    bool posted = false;
    QMetaObject::invokeMethod(this, [&] { posted = true; }, Qt::QueuedConnection);
    Waiter().wait(0);
    QVERIFY(posted);

    // finish() ends a wait early.
    Waiter w;
    QTimer::singleShot(1, [&] { w.finish(); });
    QVERIFY(!w.wait(60000));
}

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
