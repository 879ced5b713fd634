// The protocol without a line: every frame the program sends (CRC included), reply classes, the
// one table of box-text conversions, and the serial-device naming.
#include "core/settings/settingsfiles.h"
#include "core/config/clockfields.h"
#include "core/config/pollingtable.h"
#include "core/export/exportformats.h"
#include "hexbytes.h"
#include "tablerows.h"
#include "core/settings/comports.h"
#include "core/link/convert.h"
#include "core/link/crc16.h"
#include "core/link/exchange.h"
#include "core/link/frames.h"
#include "core/link/hex.h"
#include "core/link/line.h"
#include "core/link/serialdevice.h"
#include "core/live/livedecode.h"
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using modbus::ReplyClass;

// Each frame once: built as the program builds it, against the bytes the recorder expects (CRC low
// byte first), and the length of the reply the exchange waits for; more frames: the scenarios' wires.
const auto &frameRows() { using namespace modbus; static const struct { const char *name; QByteArray built; const char *hex; int replyLength; } rows[] = {
    {"live read 2/3/0/20", readRequest(2, 3, 0, 20), "02 03 00 00 00 14 45 F6", 45},
    {"record count 2", readHolding(2, 121, 1), "02 03 00 79 00 01 55 E0", 7},
    {"clock read", readHolding(21, clockfields::ReadRegister, clockfields::ReadCount), "15 03 00 75 00 04 56 C7", 13},
    {"record start past 255", readInput(21, 0x1234, 23), "15 04 12 34 00 17 F7 A6", 51},
    {"interval 60 at 2", writeRegister(2, 116, 60), "02 06 00 74 00 3C C9 F2", 8},
    {"baud 9600 to 19200", writeRegister(21, 0x0A02, 4), "15 06 0A 02 00 04 29 05", 8},
    {"box 81 = 300", writeRegister(21, polling::registerOf(81), 300), "15 06 00 82 01 2C 2A BB", 8},
    {"coil on", writeCoil(2, 3, true), "02 05 00 03 FF 00 7C 09", 8},
    {"coil off", writeCoil(2, 3, false), "02 05 00 03 00 00 3D F9", 8},
    {"clear pointer", writeRegisters(21, 122, QByteArray(4, '\0')), "15 10 00 7A 00 02 04 00 00 00 00 35 04", 8},
    {"unknown function: no known reply", readRequest(2, 0x2B, 0, 1), "02 2B 00 00 00 01 E4 3F", 0},
}; return rows; }

// Every reply class, whether the wait may end on it, and what the status line says.
const auto &classifyRows() {
    const QByteArray read1 = modbus::readHolding(2, 121, 1), write = modbus::writeRegister(2, 116, 60);
    static const struct { const char *name; QByteArray request, reply; ReplyClass cls; int code; bool complete; const char *says; } rows[] = {
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
    }; return rows; }

// Which replies a live read takes its registers from, and the text a register word shows.
const auto &liveRows() {
    const QByteArray three = modbus::readRequest(2, 3, 0, 3), reply = withCrc("02 03 06 00 EB FF FF 9C 41");
    const QList<int> all{0x00EB, 0xFFFF, 0x9C41}, refused{-1};
    static const struct { const char *name; QByteArray request, reply; QList<int> words; } rows[] = {
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
    }; return rows; }

const auto &wordTextRows() { static const struct { uint16_t word; const char *text; } rows[] = {
    {0x00EB, "23.5"}, {0x0005, "00.5"}, {0xFFFF, "00.0"}, {0xFFFE, "-00.2"}, {0xFFFB, "-00.5"},  // FFFF: no reading
    {0x8000, "3276.8"}, {0x9C40, "4000.0"}, {0x9C41, "-2553.5"},  // up to 40000 positive, then negative
}; return rows; }

// The one table of how box texts become numbers. A rule names the box kind; -1: refused.
const auto &convertRows() { static const struct { const char *rule, *text; qlonglong value; } rows[] = {
    {"byte", "20", 20}, {"byte", " 7 ", 7}, {"byte", "+5", 5}, {"byte", "255", 255}, {"byte", "256", -1},
    {"byte", "2.5", 2}, {"byte", "3.5", 4}, {"byte", "4.7", 5},  // halves to even
    {"byte", "255.4", 255}, {"byte", "255.5", -1}, {"byte", "-0.4", 0}, {"byte", "-1", -1},
    {"byte", "", -1}, {"byte", "abc", -1}, {"byte", "1e2", -1}, {"byte", "0x10", -1}, {"byte", "12ab", -1},
    {"byte", "12,5", -1}, {"byte", "1-2", -1}, {"byte", "inf", -1}, {"byte", "٣", -1},
    {"floor", "4.7", 4}, {"floor", "255.5", 255}, {"floor", "-0.4", -1},
    {"address", "21", 21}, {"address", "255", 255}, {"address", "0", -1}, {"address", "2.0", 2},
    {"address", "2.5", -1}, {"address", "1.00000000000000001", -1},
    {"count", "5", 5}, {"count", "5.7", 5}, {"count", "0", 0}, {"count", "-3", 0}, {"count", " 12 ", 12},  // parsed as "byte"
    {"register", "300", 300}, {"register", "-1", 0xFFFF}, {"register", "-2.4", 65534}, {"register", "65535.4", 65535},
    {"register", "-32768", 32768}, {"register", "65536", -1}, {"register", "-32769", -1}, {"register", "4294967296", -1},
    {"rate", "57600", 57600}, {"rate", "49", -1}, {"rate", "4000001", -1}, {"rate", "9600.5", -1},
    {"clock minute", "59", 0x59}, {"clock minute", "9", 0x09}, {"clock minute", "60", -1}, {"clock minute", "3B", -1},
}; return rows; }

const auto &defaultDeviceRows() { static const struct { int com; const char *device; } rows[] = {
    {1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {4, "/dev/ttyUSB0"}, {11, "/dev/ttyUSB7"}, {12, "/dev/ttyACM0"}, {19, "/dev/ttyACM7"}, {20, "/dev/ttyS3"}, {25, "/dev/ttyS8"},
}; return rows; }

const auto &openFailureRows() { static const struct { const char *name; bool exists, accessible; QSerialPort::SerialPortError error; const char *says; } rows[] = {
    {"missing", false, false, QSerialPort::DeviceNotFoundError, "不存在"}, {"no permission", true, false, QSerialPort::PermissionError, "dialout"},
    {"in use", true, true, QSerialPort::PermissionError, "所选串口已被其他设备占用！"},
    {"other", true, true, QSerialPort::OpenError, "无法打开"},
}; return rows; }

// A clock answer of registers 116 … 121; clock: minute, second, day, hour, weekday, month, century, year.
QByteArray clockAnswer(const char *clock, const char *count = "00 0C")
{
    return withCrc(QByteArray("15 03 0C 00 3C ").append(clock).append(' ').append(count).constData());
}
const QByteArray At58 = clockAnswer("59 58 09 10 03 12 20 26"), At59 = clockAnswer("59 59 09 10 03 12 20 26"),
                 At00 = clockAnswer("00 00 09 11 03 12 20 26"), At01 = clockAnswer("00 01 09 11 03 12 20 26");
const auto &agreeRows() { static const struct { const char *name; QByteArray request, earlier, later; int elapsedMs; bool agrees; } rows[] = {
    {"the same bytes", modbus::readHolding(21, 116, 6), At58, At58, 0, true},
    {"a second on, 0.2 s between", modbus::readHolding(21, 116, 6), At58, At59, 200, true},
    {"over the hour, 0.2 s between", modbus::readHolding(21, 116, 6), At59, At00, 200, true},
    {"three seconds on, 0.2 s between", modbus::readHolding(21, 116, 6), At58, At01, 200, false},
    {"three seconds on, 1.5 s between", modbus::readHolding(21, 116, 6), At58, At01, 1500, true},
    {"a second back", modbus::readHolding(21, 116, 6), At59, At58, 200, false},
    {"the clock the same, the count not", modbus::readHolding(21, 116, 6), At58, clockAnswer("59 58 09 10 03 12 20 26", "00 0D"), 200, false},
    {"the earlier clock no time", modbus::readHolding(21, 116, 6), clockAnswer("59 58 09 10 03 12 20 2A"), At59, 200, false},
    {"the later clock no time", modbus::readHolding(21, 116, 6), At58, clockAnswer("59 59 32 10 03 12 20 26"), 200, false},
    {"a read not covering the clock", modbus::readHolding(21, 121, 1), withCrc("15 03 02 00 0C"), withCrc("15 03 02 00 0D"), 200, false},
}; return rows; }

// What a line target may be: a host and a port behind one of the two schemes, nothing more; or a
// serial device's path.
const auto &targetRows() { static const struct { const char *target; bool usable; } rows[] = {
    {"tcp://127.0.0.1:502", true}, {"rtu-over-tcp://gw.local:4001", true}, {"/dev/ttyUSB0", true},
    {"tcp://127.0.0.1", false}, {"tcp://127.0.0.1:0", false}, {"tcp://:502", false},
    {"tcp://127.0.0.1:502/unit1", false}, {"tcp://127.0.0.1:502?unit=1", false}, {"tcp://127.0.0.1:502#a", false},
    {"tcp://admin:pw@127.0.0.1:502", false}, {"rtu-over-tcp://gw.local:4001/x", false},
}; return rows; }

const auto &latencyRows() { static const struct { const char *device; bool present; int saysMs; const char *tty; } rows[] = {
    {"dev/ttyACM0", false, 0, ""}, {"dev/ttyUSB0", true, 0, ""}, {"dev/ttyUSB1", true, 16, "ttyUSB1"},
    {"dev/ttyUSB2", true, 0, ""}, {"dev/usb-FTDI_A", true, 16, "ttyUSB4"}, {"dev/usb-gone", false, 0, ""},
    {"dev/ttyS0", false, 0, ""}, {"dev/ttyS1", true, 0, ""},  // a slot without a UART, one with
}; return rows; }

bool make(const QTemporaryDir &dir, const QString &path, const QByteArray &content)
{
    QFile f(dir.filePath(path));
    return QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void frames_data() { tableRows(frameRows()); }
    // A confirming read of registers 116 … 121 (the interval, the clock, the count) and the one
    // before it: the same but for a clock that moved on no more than the time between, never back.
    void confirmingReads_data() { tableRows(agreeRows()); }
    void confirmingReads()
    {
        const auto &r = tableRow(agreeRows());
        QCOMPARE(Link::agrees(r.request, r.earlier, r.later, qint64(r.elapsedMs) * 1'000'000), r.agrees);
    }

    // Too short to hold a CRC and something it covers: no frame, whatever the bytes (FF FF is the
    // CRC of nothing).
    void tooShortForACrc()
    {
        for (const char *bytes : {"", "FF", "FF FF"})
            QVERIFY2(!crcMatches(hx(bytes)), bytes);
    }

    // Every byte value as the monitor and the status line write it.
    void hexTexts()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString upper = QString::fromLatin1(all.toHex(' ').toUpper());
        QCOMPARE(requestHex(all), upper + QLatin1Char(' '));
        QCOMPARE(hexText(all), QLatin1Char(' ') + upper);
        QCOMPARE(hexText({}), QString());
    }

    void frames()
    {
        const auto &r = tableRow(frameRows());
        const QByteArray expected = hx(r.hex);
        QVERIFY2(r.built == expected, qPrintable(r.built.toHex(' ')));
        QByteArray spoiled = expected;
        spoiled[1] = char(spoiled[1] ^ 0x01);
        QVERIFY(crcMatches(expected) && !crcMatches(spoiled));
        // The CRC covers bytes 0 … j of a longer buffer: the index decides, not the buffer's size.
        const Crc part = Crc16(expected, int(expected.size()) - 3);
        QVERIFY(QByteArray(1, char(part.low)) + char(part.high) == expected.right(2));
        QCOMPARE(modbus::expectedReplyLength(r.built), r.replyLength);
    }

    void classify_data() { tableRows(classifyRows()); }
    void classify()
    {
        const auto &r = tableRow(classifyRows());
        const auto info = modbus::classifyReply(r.request, r.reply);
        QVERIFY(info.cls == r.cls && info.exceptionCode == r.code && modbus::replyComplete(r.request, r.reply) == r.complete);
        QVERIFY(info.exact() == (r.cls == ReplyClass::Valid && r.reply.size() == modbus::expectedReplyLength(r.request)));
        QVERIFY2(modbus::describeReply(info).contains(QString::fromUtf8(r.says)), qPrintable(modbus::describeReply(info)));
    }

    void liveReplies_data() { tableRows(liveRows()); }
    void liveReplies()
    {
        const auto &r = tableRow(liveRows());
        const live::ReplyWords got = live::replyWords(r.request, r.reply);
        QList<int> words;
        for (uint16_t w : got.words)
            words << w;
        QVERIFY(got.decodable ? words == r.words : r.words == QList<int>{-1} && words.isEmpty());
        QCOMPARE(got.asked, int(uint8_t(r.request[5])));
    }

    void wordTexts_data() { tableRows(wordTextRows(), [](const auto &r) { return QStringLiteral("%1").arg(r.word, 4, 16, QChar(u'0')).toUpper(); }); }
    void wordTexts()
    {
        const auto &r = tableRow(wordTextRows());
        QCOMPARE(live::wordText(r.word), QString::fromLatin1(r.text));
    }

    void convert_data() { tableRows(convertRows(), [](const auto &r) { return QString::fromUtf8(r.rule) + " “" + QString::fromUtf8(r.text) + "”"; }); }
    void convert()
    {
        const auto &r = tableRow(convertRows());
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
            take(exports::recordBound(text));
        else if (const auto w = polling::boxWrite(text, std::nullopt); rule == u"register")
            take(w ? std::optional(w->word) : std::nullopt);
        else if (rule == u"rate")
            take(settings::baudRate(text));
        else
            take(clockfields::toBcd(text, 0, 59));
        QCOMPARE(got.value_or(-1), r.value);
        // A refusal quotes the text as typed, a "%3" in it included.
        const QString typed = text + QStringLiteral("%3");
        QVERIFY(convert::refusedBoxMessage(QStringLiteral("设备地址"), typed, 1, 255, convert::Rounding::WholeOnly).contains(QStringLiteral("“%1”").arg(typed)));
    }

    // COM numbers to devices, each its own, and the override file.
    void comPorts()
    {
        QSet<QString> seen;
        for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com)
            seen.insert(ComPorts::defaultDevice(com));
        QCOMPARE(int(seen.size()), ComPorts::kLast - ComPorts::kFirst + 1);  // every entry its own device
        QTemporaryDir dir;
        QVERIFY(make(dir, ComPorts::fileName(), "# by id\n\nCOM7 = /dev/serial/by-id/usb-FTDI_A\ncom25=/dev/pts/9\nCOM26=/dev/x\nnonsense\nCOM4=/dev/ttyUSB0\n"));
        ComPorts ports;
        ports.setOverride(4, QStringLiteral("/dev/pts/3"));  // the demo's simulated recorder: the file does not replace it
        QStringList problems;
        ports.loadOverrides(dir.path(), &problems);
        QCOMPARE((QStringList{ports.device(7), ports.device(25), ports.device(4), ports.device(5)}),
                 (QStringList{"/dev/serial/by-id/usb-FTDI_A", "/dev/pts/9", "/dev/pts/3", "/dev/ttyUSB1"}));
        QVERIFY2(problems.size() == 1 && problems[0].contains(QStringLiteral("2 行")), qPrintable(problems.join(u' ')));  // COM26, "nonsense"
    }

    void defaultDevices_data() { tableRows(defaultDeviceRows(), [](const auto &r) { return QStringLiteral("COM%1").arg(r.com); }); }
    void defaultDevices()
    {
        const auto &r = tableRow(defaultDeviceRows());
        QCOMPARE(ComPorts::defaultDevice(r.com), QString::fromLatin1(r.device));
    }

    void targets_data() { tableRows(targetRows(), [](const auto &r) { return r.target; }); }
    void targets()
    {
        const auto &r = tableRow(targetRows());
        QString error;
        const auto made = line::make(QString::fromUtf8(r.target), 19200, &error);
        QCOMPARE(bool(made), r.usable);
        QCOMPARE(error.contains(QStringLiteral("不是可用的线路")), !r.usable);
    }

    void openFailures_data() { tableRows(openFailureRows()); }
    void openFailures()
    {
        const auto &r = tableRow(openFailureRows());
        const QString text = describeOpenFailure(4, QStringLiteral("/dev/ttyUSB0"), r.exists, r.accessible, r.error, QStringLiteral("why"));
        QVERIFY2(text.contains(QString::fromUtf8(r.says)) && text.contains(u"COM4") && text.contains(u"/dev/ttyUSB0"), qPrintable(text));
    }

    // Presence and the latency advice, from a made-up /dev and /sys.
    void latencyAdvice_data() { tableRows(latencyRows(), [](const auto &r) { return r.device; }); }
    void latencyAdvice()
    {
        const auto &r = tableRow(latencyRows());
        QTemporaryDir dir;
        const QString sys = dir.filePath(QStringLiteral("sys")), timer = QStringLiteral("sys/bus/usb-serial/devices/%1/latency_timer");
        for (const char *device : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyUSB2", "dev/ttyUSB4", "dev/ttyS0", "dev/ttyS1"})
            QVERIFY(make(dir, QString::fromLatin1(device), ""));
        QVERIFY(make(dir, timer.arg("ttyUSB0"), "1\n") && make(dir, timer.arg("ttyUSB1"), "16\n") && make(dir, timer.arg("ttyUSB2"), "fast\n")
                && make(dir, timer.arg("ttyUSB4"), "16") && make(dir, "sys/class/tty/ttyS0/type", "0\n") && make(dir, "sys/class/tty/ttyS1/type", "4\n"));
        QVERIFY(QFile::link(QStringLiteral("ttyUSB4"), dir.filePath(QStringLiteral("dev/usb-FTDI_A"))));  // as in /dev/serial/by-id
        QVERIFY(QFile::link(QStringLiteral("ttyUSB9"), dir.filePath(QStringLiteral("dev/usb-gone"))));
        const QString device = dir.filePath(QString::fromLatin1(r.device)), advice = serialdevice::latencyAdvice(device, sys);
        QCOMPARE(serialdevice::present(device, sys), r.present);
        QVERIFY2(r.saysMs ? advice.contains(QStringLiteral("%1 ms").arg(r.saysMs))
                                && advice.endsWith(QStringLiteral("echo 1 | sudo tee %1/%2").arg(sys, timer.arg(r.tty).mid(4)))
                          : advice.isEmpty(), qPrintable(advice));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
