#include "ui/desktop.h"
#include "panels/port/modbuspanel.h"
#include "core/settings/settingsfiles.h"
#include "panels/export/exportpanel.h"
#include "export/recordtext.h"
#include "panels/port/portpanel.h"
#include "panels/records/recordspanel.h"
#include "windowfixture.h"
#include <QAbstractItemView>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using settings::Status;
Q_DECLARE_METATYPE(settings::Status)

namespace {
void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// Every file under dir, hidden ones included: what a failed write must not add to.
QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// A disk that fills after a few bytes: writes past the limit fail with EFBIG (SIGXFSZ ignored).
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void files_data();
    void files();
    void unusableFileAtStartUp_data();
    void unusableFileAtStartUp();
    void typedRateRoundTrip_data();
    void typedRateRoundTrip();
    void fullDiskKeepsEarlierFile_data();
    void fullDiskKeepsEarlierFile();
    void appDir();
    void portListMarksDevicesThere();
};

void TestSettings::fields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("ok");
    QTest::newRow("one line") << QByteArray("3,9600\r\n") << QStringList{"3", "9600"} << true;
    QTest::newRow("line ends separate") << QByteArray("1\r\n21\r\n32\r\n4\r\n") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("blanks around") << QByteArray(" 1 , 21 ,32,4") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("blank lines hold nothing") << QByteArray("1,21\r\n\r\n32,4\r\n") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("comma inside quotes") << QByteArray("\"a,b\" , 1") << QStringList{"a,b", "1"} << true;
    QTest::newRow("empty field") << QByteArray("1,,3") << QStringList{"1", "", "3"} << true;
    QTest::newRow("unterminated quote") << QByteArray("\"abc,1") << QStringList{} << false;
}

void TestSettings::fields()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, fields);
    QFETCH(bool, ok);
    QStringList got;
    QCOMPARE(settings::splitFields(content, got), ok);
    if (ok)
        QCOMPARE(got, fields);
}

void TestSettings::files_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");  // "-" for no file
    QTest::addColumn<Status>("status");
    QTest::addColumn<QList<int>>("values");   // in file order: what start-up uses
    const auto row = [](const char *file, const char *content, Status s, QList<int> v) {
        QByteArray name;
        for (char c : QByteArray(content))
            name += c >= ' ' && c < 127 ? QByteArray(1, c) : "\\x" + QByteArray::number(uchar(c), 16);
        QTest::addRow("%s %s", file, name.constData()) << QString::fromLatin1(file) << QByteArray(content) << s << v;
    };
    const QList<int> comm{4, 19200}, mod{2, 20, 1}, reply{300, 3, 1200, 0};
    row("comm.set", "-", Status::Missing, comm);
    row("comm.set", "3,9600\r\n", Status::Ok, {3, 9600});
    row("comm.set", "1\r\n14400\r\n", Status::Ok, {1, 14400});
    row("comm.set", "25,57600\r\n", Status::Ok, {25, 57600});  // a rate typed into the box
    row("comm.set", "4,50", Status::Ok, {4, 50});
    row("comm.set", "4,4000000", Status::Ok, {4, 4000000});
    row("comm.set", "4,49", Status::Malformed, comm);
    row("comm.set", "4,4000001", Status::Malformed, comm);
    row("comm.set", "4,9600.5", Status::Malformed, comm);
    row("comm.set", "26,9600", Status::Malformed, comm);
    row("comm.set", "0,9600", Status::Malformed, comm);
    row("comm.set", "COM3,9600", Status::Malformed, comm);
    row("comm.set", "3\r\n", Status::Malformed, comm);
    row("comm.set", "", Status::Malformed, comm);
    row("comm.set", "\x01\x02\xff", Status::Malformed, comm);
    row("ModSet.set", "-", Status::Missing, mod);
    row("ModSet.set", "1,21,32,4\r\n", Status::Ok, {21, 32, 4});
    row("ModSet.set", " 0 , 5\r\n 20, 3 ", Status::Ok, {5, 20, 3});
    row("ModSet.set", "x,255,-5,0", Status::Ok, {255, -5, 0});  // field 1 is not used
    // A value its box or command would refuse is replaced by its default; the others count.
    row("ModSet.set", "1,300,32,4", Status::Malformed, {2, 32, 4});
    row("ModSet.set", "1,0,32,256", Status::Malformed, {2, 32, 1});
    row("ModSet.set", "1,21,40000,x", Status::Malformed, {21, 20, 1});
    row("ModSet.set", "1,21,32", Status::Malformed, mod);
    row("replywin.set", "-", Status::Missing, reply);
    row("replywin.set", "300,3,1200\r\n", Status::Ok, reply);
    row("replywin.set", " 20 , 1\r\n20", Status::Ok, {20, 1, 20, 0});
    row("replywin.set", "60000,10,60000,1", Status::Ok, {60000, 10, 60000, 1});
    row("replywin.set", "300,3,1200,2\r\n", Status::Ok, {300, 3, 1200, 2});
    row("replywin.set", "19,3,1200", Status::Malformed, reply);
    row("replywin.set", "300,11,1200", Status::Malformed, reply);
    row("replywin.set", "300,3,60001", Status::Malformed, reply);
    row("replywin.set", "300,3", Status::Malformed, reply);
    row("replywin.set", "300,3,1200,3", Status::Malformed, reply);
    row("replywin.set", "300,3,1200,0,0", Status::Malformed, reply);
}

void TestSettings::files()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(Status, status);
    QFETCH(QList<int>, values);
    QTemporaryDir dir;
    if (content != "-")
        writeFile(dir.filePath(file), content);
    Status got;
    QString problem;
    QList<int> read;
    if (file == QStringLiteral("comm.set")) {
        const auto r = settings::readComm(dir.path());
        got = r.status, problem = r.problem, read = {r.value.portNumber, r.value.baudRate};
    } else if (file == QStringLiteral("ModSet.set")) {
        const auto r = settings::readMod(dir.path());
        got = r.status, problem = r.problem, read = {r.value.deviceAddress, r.value.channelCount, r.value.stationCount};
    } else {
        const auto r = settings::readReplyWindow(dir.path());
        got = r.status, problem = r.problem, read = {r.value.recordWindowMs, r.value.attempts, r.value.guardMs,
                                                  int(r.value.echo)};
    }
    QCOMPARE(got, status);
    QCOMPARE(read, values);
    QCOMPARE(problem.isEmpty(), status == Status::Ok);
    QVERIFY2(status == Status::Ok || problem.contains(file), qPrintable(problem));
    if (content != "-") {  // reading never rewrites the file
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }
    // What is read is written back as it was.
    if (status == Status::Ok && file == QStringLiteral("replywin.set")) {
        const settings::ReplyWindow window{values[0], values[1], values[2], EchoMode(values[3])};
        QVERIFY(settings::writeReplyWindow(dir.path(), window, &problem));
        QCOMPARE(settings::readReplyWindow(dir.path()).value, window);
    }
}

void TestSettings::unusableFileAtStartUp_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("kind");  // how the file is unusable, or what it holds
    for (const char *file : {"comm.set", "ModSet.set", "replywin.set", "comports.map"})
        for (const char *kind : {"folder", "fifo", "/dev/zero", "oversized"})
            QTest::addRow("%s %s", file, kind) << QString::fromLatin1(file) << QByteArray(kind);
    QTest::newRow("comports.map 257 lines") << QStringLiteral("comports.map") << QByteArray("257 lines");
    QTest::newRow("comports.map binary") << QStringLiteral("comports.map") << QByteArray("binary");
    QTest::newRow("ModSet.set address 300") << QStringLiteral("ModSet.set") << QByteArray("1,300,32,4");
}

void TestSettings::unusableFileAtStartUp()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, kind);
    WindowFixture fx;
    // Good files beside the bad one still count.
    fx.writeFile(QStringLiteral("comm.set"), "4,9600\r\n");
    fx.writeFile(QStringLiteral("ModSet.set"), "1,21,32,4\r\n");
    fx.writeFile(QStringLiteral("replywin.set"), "500,5,2000,1\r\n");
    const QString path = fx.dir.filePath(file);
    const QByteArray good = fx.readFile(file);
    QFile::remove(path);
    const qint64 cap = file == QStringLiteral("comports.map") ? 16 * 1024 : 4096;
    if (kind == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);  // a blocking read never returns
    } else if (kind == "/dev/zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));           // a read never ends
    } else if (kind == "oversized") {
        fx.writeFile(file, good + QByteArray(cap + 1 - good.size(), ' '));  // good, but too long
    } else if (kind == "257 lines") {
        QByteArray lines;
        for (int i = 0; i < 257; ++i)
            lines += "# note\n";
        fx.writeFile(file, lines);
    } else if (kind == "binary") {
        QByteArray junk(cap, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) >> 3);
        fx.writeFile(file, junk);
    } else {
        fx.writeFile(file, kind);
    }

    frmMain &w = fx.start();
    // One short message names the file and what is used instead; start-up went on.
    QStringList said;
    for (const auto &m : fx.desktop->messages)
        if (m.text.contains(QStringLiteral("设置文件 ") + file))
            said << m.text;
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(file) && said[0].size() < 160, qPrintable(said[0]));
    QCOMPARE(w.modbusPanel->txtStationID->text(), file == QStringLiteral("ModSet.set") ? QStringLiteral("2") : QStringLiteral("21"));
    QCOMPARE(w.portPanel->BaudRate, file == QStringLiteral("comm.set") ? 19200 : 9600);
    const records::ReplyWindow window = file == QStringLiteral("replywin.set") ? records::ReplyWindow{}
                                                                               : records::ReplyWindow{500, 5, 2000, EchoMode::On};
    QCOMPARE(w.context().replyWindow, window);
    QCOMPARE(w.context().link.echoMode(), window.echo);
}

void TestSettings::typedRateRoundTrip_data()
{
    QTest::addColumn<int>("com");
    QTest::addColumn<QString>("rate");  // typed into the rate box, not in its list
    QTest::newRow("COM1 57600") << 1 << QStringLiteral("57600");
    QTest::newRow("COM25 115200") << 25 << QStringLiteral("115200");
}

void TestSettings::typedRateRoundTrip()
{
    QFETCH(int, com);
    QFETCH(QString, rate);
    WindowFixture fx(com);
    fx.writeFile(QStringLiteral("comm.set"), QStringLiteral("%1,9600\r\nold trailing text\r\n").arg(com).toLatin1());
    frmMain &w = fx.start();
    fx.desktop->messages.clear();
    w.portPanel->Combo2->setEditText(rate);
    QTest::mouseClick(w.portPanel->cmdCom, Qt::LeftButton);
    const QString saved = QStringLiteral("%1,%2\r\n").arg(com).arg(rate);
    QCOMPARE(fx.readFile(QStringLiteral("comm.set")), saved.toLatin1());  // replaced whole
    QCOMPARE(fx.desktop->lastMessage(), QStringLiteral("Save successfully"));

    // The next start-up opens the saved port at the typed rate and shows it; the list stays as it is.
    fx.desktop->messages.clear();
    frmMain &again = fx.start();
    QVERIFY(fx.desktop->messages.isEmpty());
    QCOMPARE(again.portPanel->Combo1->currentText(), QStringLiteral("COM%1").arg(com));
    QCOMPARE(again.portPanel->Combo2->currentText(), rate);
    QCOMPARE(again.portPanel->Combo2->count(), 5);
    QVERIFY(again.link().isOpen());
    QCOMPARE(again.link().port().baudRate(), rate.toInt());
    again.portPanel->cmdOpenComm_Click();  // and reopens at it
    QCOMPARE(again.link().port().baudRate(), rate.toInt());
}

void TestSettings::fullDiskKeepsEarlierFile_data()
{
    QTest::addColumn<QString>("target");  // in the application directory; an earlier file is there
    QTest::newRow("text export") << QStringLiteral("txt/out.txt");
    QTest::newRow("CSV export") << QStringLiteral("data/out.csv");
    QTest::newRow("workbook") << QStringLiteral("data/12-6-14-30.xls");  // the export goes beside it
    QTest::newRow("comm.set") << QStringLiteral("comm.set");
}

void TestSettings::fullDiskKeepsEarlierFile()
{
    QFETCH(QString, target);
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {234, 0xFFF1}) + recordText("18 04 27 03 22", {1, 2}));
    p.txtSensorNum->setText(QStringLiteral("2"));
    w.portPanel->Combo2->setEditText(QStringLiteral("9600"));
    QVERIFY(QDir().mkpath(QFileInfo(fx.dir.filePath(target)).path()));
    fx.writeFile(target, "earlier file\r\n");
    fx.desktop->saveAnswer = fx.dir.filePath(target);
    fx.desktop->messages.clear();
    const QStringList before = filesUnder(fx.dir.path());
    {
        const FileSizeLimit full(4);
        if (target == QStringLiteral("comm.set"))
            QTest::mouseClick(w.portPanel->cmdCom, Qt::LeftButton);
        else if (target.endsWith(QStringLiteral(".xls")))
            p.exportPanel->cmdDoWithData_Click();
        else if (target.endsWith(QStringLiteral(".csv")))
            p.exportPanel->cmdDoWithDataCsv_Click();
        else
            p.exportPanel->cmdDoWithData2_Click();
    }
    QCOMPARE(fx.readFile(target), QByteArray("earlier file\r\n"));
    QCOMPARE(filesUnder(fx.dir.path()), before);  // nothing partial, no temporary file
    // One message names the file and the reason, none claims success (the port may also be
    // reported: its lock file cannot be written either).
    QStringList said;
    for (const auto &m : fx.desktop->messages) {
        QVERIFY(m.text != QStringLiteral("Save successfully"));
        if (m.text.contains(fx.dir.filePath(target).chopped(4)))
            said << m.text;
    }
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(said[0]));
    QVERIFY(fx.desktop->opened.isEmpty());
    if (target == QStringLiteral("comm.set"))
        QVERIFY2(w.lblStatusLine->text().contains(QStringLiteral("未保存")), qPrintable(w.lblStatusLine->text()));
}

void TestSettings::appDir()
{
    QTemporaryDir exe, given;
    QCOMPARE(resolveAppDir(QString(), exe.path()), exe.path());  // a portable install keeps its files beside it
    QCOMPARE(resolveAppDir(given.path() + QStringLiteral("/sub"), exe.path()), given.path() + QStringLiteral("/sub"));
    QVERIFY(QFileInfo(given.path() + QStringLiteral("/sub")).isDir());
    // An executable directory that does not exist falls back to the per-user data folder.
    QVERIFY(resolveAppDir(QString(), QStringLiteral("/nonexistent/dir")) != QStringLiteral("/nonexistent/dir"));
}

// An adapter plugged in and out while another port is open; a pseudo-terminal refuses low latency.
void TestSettings::portListMarksDevicesThere()
{
    WindowFixture fx(3);
    const QString byId = fx.dir.filePath(QStringLiteral("usb-FTDI_A")), usb = fx.dir.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(QFile::link(fx.recorder.portPath(), byId));
    fx.writeFile(QStringLiteral("comports.map"), QStringLiteral("COM3=%1\nCOM6=%2\n").arg(byId, usb).toUtf8());
    fx.writeFile(QStringLiteral("comm.set"), "3,19200\r\n");
    fx.window = std::make_unique<frmMain>(*fx.desktop, ComPorts());
    PortPanel &p = *fx.window->portPanel;
    p.sysRoot = fx.dir.filePath(QStringLiteral("sys"));
    fx.window->show();
    fx.window->load();
    p.cmdOpenComm_Click();
    QVERIFY(fx.window->link().port().isOpen());
    QVERIFY2(fx.window->lblStatusLine->text().endsWith(QStringLiteral("已打开，19200,N,8,1")), qPrintable(fx.window->lblStatusLine->text()));

    const auto marked = [&](int i) {  // 1 there, 0 missing, -1 when the looks and the words disagree
        const bool bold = p.Combo1->itemData(i, Qt::FontRole).value<QFont>().bold();
        const QString said = p.Combo1->itemData(i, Qt::AccessibleTextRole).toString();
        return said.endsWith(bold ? QStringLiteral("，已连接）") : QStringLiteral("，未连接）")) ? int(bold) : -1;
    };
    QCOMPARE(marked(5), 0);
    QVERIFY(p.Combo1->toolTip().contains(QStringLiteral("/dev/serial/by-id/")));
    QSignalSpy changed(p.Combo1, &QComboBox::currentIndexChanged), chosen(p.Combo1, &QComboBox::activated);
    p.Combo1->showPopup();
    for (const bool plugged : {true, false}) {
        if (plugged)
            fx.writeFile(QStringLiteral("ttyUSB0"), "");
        else
            QVERIFY(QFile::remove(usb));
        p.refreshPorts();
        QCOMPARE(marked(5), int(plugged));
        QCOMPARE(marked(2), 1);
        QVERIFY(p.Combo1->view()->isVisible());
    }
    QCOMPARE(changed.size() + chosen.size(), 0);
    QCOMPARE(p.Combo1->currentIndex(), 2);
    QCOMPARE(p.Combo1->currentText(), QStringLiteral("COM3"));
    QVERIFY(fx.window->link().port().isOpen());

    // Behind a slow USB adapter the status line says so, with the fix.
    const QString timer = p.sysRoot + QStringLiteral("/bus/usb-serial/devices/") + QFileInfo(fx.recorder.portPath()).fileName();
    QVERIFY(QDir().mkpath(timer));
    writeFile(timer + QStringLiteral("/latency_timer"), "16\n");
    p.cmdOpenComm_Click();
    const QString status = fx.window->lblStatusLine->text();
    QVERIFY2(status.contains(QStringLiteral("已打开，19200,N,8,1；USB 适配器延迟计时器为 16 ms"))
                 && status.endsWith(QStringLiteral("echo 1 | sudo tee ") + timer + QStringLiteral("/latency_timer")),
             qPrintable(status));
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
