// The protocol without a line: every frame the program sends (CRC included), reply classes, the
// one table of box-text conversions, and the serial-device naming.
#include "core/settings/settingsfiles.h"
#include "core/config/clockfields.h"
#include "core/config/pollingtable.h"
#include "core/export/recordparser.h"
#include "hexbytes.h"
#include "core/settings/comports.h"
#include "core/link/convert.h"
#include "core/link/crc16.h"
#include "core/link/frames.h"
#include "core/link/serialdevice.h"
#include "core/live/livedecode.h"
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using modbus::ReplyClass;

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void frames();
    void classify();
    void hexTexts();
    void liveReplies();
    void convert();
    void comPorts();
};

// Each frame once: built as the program builds it, against the bytes the recorder expects (CRC low
// byte first), and the length of the reply the exchange waits for (-1: a reply frame, CRC only).
void TestLink::frames()
{
    using namespace modbus;
    const struct { const char *name; QByteArray built; const char *hex; int replyLength; } rows[] = {
        {"live read 2/3/0/20", readRequest(2, 3, 0, 20), "02 03 00 00 00 14 45 F6", 45},
        {"record count 2", readHolding(2, 121, 1), "02 03 00 79 00 01 55 E0", 7},
        {"clock read", readHolding(21, clockfields::ReadRegister, clockfields::ReadCount), "15 03 00 75 00 04 56 C7", 13},
        {"read-all addresses", readHolding(21, polling::groups()[1].firstRegister(), polling::SlotCount), "15 03 00 2C 00 14 87 18", 45},
        {"record 3 of N=20", readInput(2, 46, 23), "02 04 00 2E 00 17 D0 3E", 51},
        {"record start past 255", readInput(21, 0x1234, 23), "15 04 12 34 00 17 F7 A6", 51},
        {"interval 60 at 2", writeRegister(2, 116, 60), "02 06 00 74 00 3C C9 F2", 8},
        {"baud 9600 to 19200", writeRegister(21, 0x0A02, 4), "15 06 0A 02 00 04 29 05", 8},
        {"box 81 = 300", writeRegister(21, polling::registerOf(81), 300), "15 06 00 82 01 2C 2A BB", 8},
        {"clock set, year first", writeRegister(21, 0x81, 0x2026), "15 06 00 81 20 26 42 EC", 8},
        {"coil on", writeCoil(2, 3, true), "02 05 00 03 FF 00 7C 09", 8},
        {"coil off", writeCoil(2, 3, false), "02 05 00 03 00 00 3D F9", 8},
        {"clock coil", writeCoil(21, clockfields::SetCoil, true), "15 05 00 08 FF 00 0E EC", 8},
        {"clear count", writeRegisters(21, 121, QByteArray(2, '\0')), "15 10 00 79 00 01 02 00 00 52 F9", 8},
        {"clear pointer", writeRegisters(21, 122, QByteArray(4, '\0')), "15 10 00 7A 00 02 04 00 00 00 00 35 04", 8},
        {"clock reply", withCrc("15 03 08 30 45 06 14 03 12 20 26"), "15 03 08 30 45 06 14 03 12 20 26 CB C9", -1},
        {"exception reply", withCrc("02 83 02"), "02 83 02 30 F1", -1},
        {"unknown function: no known reply", readRequest(2, 0x2B, 0, 1), "02 2B 00 00 00 01 E4 3F", 0},
    };
    for (const auto &r : rows) {
        const QByteArray expected = hx(r.hex);
        QVERIFY2(r.built == expected, qPrintable(r.name + (": " + r.built.toHex(' '))));
        QByteArray spoiled = expected;
        spoiled[1] = char(spoiled[1] ^ 0x01);
        QVERIFY2(crcMatches(expected) && !crcMatches(spoiled), r.name);
        // The CRC covers bytes 0 … j of a longer buffer: the index decides, not the buffer's size.
        const Crc part = Crc16(expected, int(expected.size()) - 3);
        QVERIFY2(QByteArray(1, char(part.low)) + char(part.high) == expected.right(2), r.name);
        QVERIFY2(r.replyLength < 0 || modbus::expectedReplyLength(r.built) == r.replyLength, r.name);
    }
}

// Every reply class, whether the wait may end on it, and what the status line says.
void TestLink::classify()
{
    const QByteArray read1 = modbus::readHolding(2, 121, 1), write = modbus::writeRegister(2, 116, 60);
    const struct { const char *name; QByteArray request, reply; ReplyClass cls; int code; bool complete; const char *says; } rows[] = {
        {"valid read", read1, withCrc("02 03 02 00 2A"), ReplyClass::Valid, 0, true, "应答正确（7 字节）"},
        {"valid write echo", write, write, ReplyClass::Valid, 0, true, "应答正确（8 字节）"},
        {"valid, bytes after it", read1, withCrc("02 03 02 00 2A") + hx("00 11"), ReplyClass::Valid, 0, true, "多出 2 字节"},
        {"exception 02", read1, withCrc("02 83 02"), ReplyClass::Exception, 2, true, "代码 02（非法数据地址）"},
        {"exception to a write", write, withCrc("02 86 03"), ReplyClass::Exception, 3, true, "代码 03"},
        {"exception cut", read1, withCrc("02 83 02").left(4), ReplyClass::Short, 0, false, "收到 4 字节，应为 7 字节"},
        {"exception, other device", read1, withCrc("05 83 02"), ReplyClass::OtherSender, 2, true, "其他地址"},
        {"crc mismatch", read1, hx("02 03 02 00 2A 00 00"), ReplyClass::CrcMismatch, 0, false, "CRC"},
        {"other address", read1, withCrc("03 03 02 00 2A"), ReplyClass::OtherSender, 0, true, "其他地址"},
        {"other function", read1, withCrc("02 04 02 00 2A"), ReplyClass::OtherSender, 0, true, "功能码"},
        {"two bytes", read1, hx("02 03"), ReplyClass::Short, 0, false, "收到 2 字节，应为 7 字节"},
        {"cut before its crc", read1, hx("02 03 02 00 2A 11"), ReplyClass::Short, 0, false, "收到 6 字节"},
        {"fewer registers than asked", modbus::readHolding(2, 0, 3), withCrc("02 03 02 00 2A"), ReplyClass::Short, 0, false, "应为 11 字节"},
        {"byte count disagrees", read1, withCrc("02 03 04 00 2A"), ReplyClass::Short, 0, true, "字节数与请求不符"},
        {"nothing", read1, QByteArray(), ReplyClass::None, 0, false, "无应答"},
    };
    for (const auto &r : rows) {
        const auto info = modbus::classifyReply(r.request, r.reply);
        QVERIFY2(info.cls == r.cls && info.exceptionCode == r.code && modbus::replyComplete(r.request, r.reply) == r.complete, r.name);
        QVERIFY2(info.exact() == (r.cls == ReplyClass::Valid && r.reply.size() == modbus::expectedReplyLength(r.request)), r.name);
        QVERIFY2(modbus::describeReply(info).contains(QString::fromUtf8(r.says)), qPrintable(modbus::describeReply(info)));
    }
}

void TestLink::hexTexts()
{
    // The request echo: a blank after every pair; the reply text: a blank before every pair.
    QCOMPARE(requestHex(hx("02 03 00 00 00 14 45 F6")), QStringLiteral("02 03 00 00 00 14 45 F6 "));
    QCOMPARE(ShowHex(hx("01 03 02 00 0A")), QStringLiteral(" 01 03 02 00 0A"));
}

// Which replies a live read takes its registers from, and the text a register word shows.
void TestLink::liveReplies()
{
    const QByteArray three = modbus::readRequest(2, 3, 0, 3), reply = withCrc("02 03 06 00 EB FF FF 9C 41");
    const QList<int> all{0x00EB, 0xFFFF, 0x9C41}, refused{-1};
    const struct { const char *name; QByteArray request, reply; QList<int> words; } rows[] = {
        {"whole reply", three, reply, all}, {"a stray byte after it", three, reply + hx("00"), all},
        {"input registers", modbus::readRequest(2, 4, 0, 3), withCrc("02 04 06 00 EB FF FF 9C 41"), all},
        {"short reply to a long request", modbus::readRequest(2, 3, 0, 20), reply, all},
        {"one of three", three, withCrc("02 03 02 00 EB"), {0x00EB}},
        {"odd byte count: the torn register is left", three, withCrc("02 03 03 00 EB FF"), {0x00EB}},
        {"no whole register", three, withCrc("02 03 01 00"), {}},
        {"nothing", three, QByteArray(), refused}, {"exception", three, withCrc("02 83 02"), refused},
        {"bad crc", three, hx("02 03 06 00 EB FF FF 9C 41 00 00"), refused}, {"truncated", three, reply.left(8), refused},
        {"another device", three, withCrc("03 03 06 00 EB FF FF 9C 41"), refused},
        {"another function", three, withCrc("02 04 06 00 EB FF FF 9C 41"), refused},
        {"byte count disagrees with length", three, withCrc("02 03 04 00 EB FF FF 9C 41"), refused},
        {"more registers than asked", three, withCrc("02 03 08 00 EB FF FF 9C 41 00 01"), refused},
    };
    for (const auto &r : rows) {
        const live::ReplyWords got = live::replyWords(r.request, r.reply);
        QList<int> words;
        for (uint16_t w : got.words)
            words << w;
        QVERIFY2(got.decodable ? words == r.words : r.words == refused && words.isEmpty(), r.name);
        QCOMPARE(got.asked, int(uint8_t(r.request[5])));
    }
    const struct { uint16_t word; const char *text; } texts[] = {
        {0x00EB, "23.5"}, {0x0005, "00.5"}, {0xFFFF, "00.0"}, {0xFFFE, "-00.2"}, {0xFFFB, "-00.5"},  // FFFF: no reading
        {0x8000, "3276.8"}, {0x9C40, "4000.0"}, {0x9C41, "-2553.5"},  // up to 40000 positive, then negative
    };
    for (const auto &t : texts)
        QCOMPARE(live::wordText(t.word), QString::fromLatin1(t.text));
}

// The one table of how box texts become numbers. A rule names the box kind; -1: refused.
void TestLink::convert()
{
    const struct { const char *rule, *text; qlonglong value; } rows[] = {
        {"byte", "20", 20}, {"byte", " 7 ", 7}, {"byte", "+5", 5}, {"byte", "255", 255}, {"byte", "256", -1},
        {"byte", "2.5", 2}, {"byte", "3.5", 4}, {"byte", "4.7", 5},  // halves to even
        {"byte", "255.4", 255}, {"byte", "255.5", -1}, {"byte", "-0.4", 0}, {"byte", "-1", -1},
        {"byte", "", -1}, {"byte", "abc", -1}, {"byte", "1e2", -1}, {"byte", "0x10", -1}, {"byte", "12ab", -1},
        {"byte", "12,5", -1}, {"byte", "1-2", -1}, {"byte", "inf", -1}, {"byte", "٣", -1},
        {"floor", "4.7", 4}, {"floor", "255.5", 255}, {"floor", "-0.4", -1},
        {"address", "21", 21}, {"address", "255", 255}, {"address", "0", -1}, {"address", "2.0", 2},
        {"address", "2.5", -1}, {"address", "1.00000000000000001", -1},
        {"count", "5", 5}, {"count", "5.7", 5}, {"count", "0", 0}, {"count", "-3", 0}, {"count", " 12 ", 12},
        {"count", "1e3", -1}, {"count", "abc", -1}, {"count", "", -1},
        {"register", "300", 300}, {"register", "-1", 0xFFFF}, {"register", "-2.4", 65534}, {"register", "65535.4", 65535},
        {"register", "-32768", 32768}, {"register", "65536", -1}, {"register", "-32769", -1}, {"register", "4294967296", -1},
        {"rate", "57600", 57600}, {"rate", "49", -1}, {"rate", "4000001", -1}, {"rate", "9600.5", -1},
        {"clock minute", "59", 0x59}, {"clock minute", "9", 0x09}, {"clock minute", "60", -1}, {"clock minute", "3B", -1},
    };
    for (const auto &r : rows) {
        const QString rule = QString::fromLatin1(r.rule), text = QString::fromUtf8(r.text);
        std::optional<qlonglong> got;
        const auto take = [&](const auto &v) { if (v) got = qlonglong(*v); };
        if (rule == u"byte")
            take(convert::toWhole(text, 0, 255));
        else if (rule == u"floor")
            take(convert::toWhole(text, 0, 255, convert::Rounding::Floor));
        else if (rule == u"address")
            take(convert::deviceAddress(text));
        else if (rule == u"count")
            take(records::recordBound(text));
        else if (const auto w = polling::boxWrite(text, std::nullopt); rule == u"register")
            take(w ? std::optional(w->word) : std::nullopt);
        else if (rule == u"rate")
            take(settings::baudRate(text));
        else
            take(clockfields::toBcd(text, 0, 59));
        QVERIFY2(got.value_or(-1) == r.value, qPrintable(rule + u' ' + text + u' ' + QString::number(got.value_or(-1))));
        // A refusal quotes the text as typed, a "%3" in it included.
        const QString typed = text + QStringLiteral("%3");
        QVERIFY(convert::refusedBoxMessage(QStringLiteral("设备地址"), typed, 1, 255, convert::Rounding::WholeOnly).contains(QStringLiteral("“%1”").arg(typed)));
    }
}

// COM numbers to devices, the override file, open failures, presence and the latency advice (from
// a made-up /dev and /sys).
void TestLink::comPorts()
{
    const struct { int com; const char *device; } defaults[] = {
        {1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {4, "/dev/ttyUSB0"}, {11, "/dev/ttyUSB7"}, {12, "/dev/ttyACM0"}, {19, "/dev/ttyACM7"}, {20, "/dev/ttyS3"}, {25, "/dev/ttyS8"},
    };
    QSet<QString> seen;
    for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com)
        seen.insert(ComPorts::defaultDevice(com));
    QCOMPARE(int(seen.size()), ComPorts::kLast - ComPorts::kFirst + 1);  // every entry its own device
    for (const auto &r : defaults)
        QCOMPARE(ComPorts::defaultDevice(r.com), QString::fromLatin1(r.device));
    QTemporaryDir dir;
    const auto make = [&](const QString &path, const QByteArray &content) {
        QFile f(dir.filePath(path));
        return QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    };
    QVERIFY(make(ComPorts::fileName(), "# by id\n\nCOM7 = /dev/serial/by-id/usb-FTDI_A\ncom25=/dev/pts/9\nCOM26=/dev/x\nnonsense\nCOM4=/dev/ttyUSB0\n"));
    ComPorts ports;
    ports.setOverride(4, QStringLiteral("/dev/pts/3"));  // the demo's simulated recorder: the file does not replace it
    QStringList problems;
    ports.loadOverrides(dir.path(), &problems);
    QCOMPARE((QStringList{ports.device(7), ports.device(25), ports.device(4), ports.device(5)}),
             (QStringList{"/dev/serial/by-id/usb-FTDI_A", "/dev/pts/9", "/dev/pts/3", "/dev/ttyUSB1"}));
    QVERIFY2(problems.size() == 1 && problems[0].contains(QStringLiteral("2 行")), qPrintable(problems.join(u' ')));  // COM26, "nonsense"
    const struct { bool exists, accessible; QSerialPort::SerialPortError error; const char *says; } failures[] = {
        {false, false, QSerialPort::DeviceNotFoundError, "不存在"}, {true, false, QSerialPort::PermissionError, "dialout"},
        {true, true, QSerialPort::PermissionError, "Selected serial port has been used by other devices!"},
        {true, true, QSerialPort::OpenError, "无法打开"},
    };
    for (const auto &r : failures) {
        const QString text = describeOpenFailure(4, QStringLiteral("/dev/ttyUSB0"), r.exists, r.accessible, r.error, QStringLiteral("why"));
        QVERIFY2(text.contains(QString::fromUtf8(r.says)) && text.contains(u"COM4") && text.contains(u"/dev/ttyUSB0"), qPrintable(text));
    }
    const QString sys = dir.filePath(QStringLiteral("sys")), timer = QStringLiteral("sys/bus/usb-serial/devices/%1/latency_timer");
    for (const char *device : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyUSB2", "dev/ttyUSB4", "dev/ttyS0", "dev/ttyS1"})
        QVERIFY(make(QString::fromLatin1(device), ""));
    QVERIFY(make(timer.arg("ttyUSB0"), "1\n") && make(timer.arg("ttyUSB1"), "16\n") && make(timer.arg("ttyUSB2"), "fast\n")
            && make(timer.arg("ttyUSB4"), "16") && make("sys/class/tty/ttyS0/type", "0\n") && make("sys/class/tty/ttyS1/type", "4\n"));
    QVERIFY(QFile::link(QStringLiteral("ttyUSB4"), dir.filePath(QStringLiteral("dev/usb-FTDI_A"))));  // as in /dev/serial/by-id
    QVERIFY(QFile::link(QStringLiteral("ttyUSB9"), dir.filePath(QStringLiteral("dev/usb-gone"))));
    const struct { const char *device; bool present; int saysMs; const char *tty; } rows[] = {
        {"dev/ttyACM0", false, 0, ""}, {"dev/ttyUSB0", true, 0, ""}, {"dev/ttyUSB1", true, 16, "ttyUSB1"},
        {"dev/ttyUSB2", true, 0, ""}, {"dev/usb-FTDI_A", true, 16, "ttyUSB4"}, {"dev/usb-gone", false, 0, ""},
        {"dev/ttyS0", false, 0, ""}, {"dev/ttyS1", true, 0, ""},  // a slot without a UART, one with
    };
    for (const auto &r : rows) {
        const QString device = dir.filePath(QString::fromLatin1(r.device)), advice = serialdevice::latencyAdvice(device, sys);
        QVERIFY2(serialdevice::present(device, sys) == r.present, r.device);
        QVERIFY2(r.saysMs ? advice.contains(QStringLiteral("%1 ms").arg(r.saysMs))
                                && advice.endsWith(QStringLiteral("echo 1 | sudo tee %1/%2").arg(sys, timer.arg(r.tty).mid(4)))
                          : advice.isEmpty(), qPrintable(r.device + (QStringLiteral(": ") + advice)));
    }
}

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
