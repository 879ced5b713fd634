// The bus monitor on its own log: filters by device and by errors, pause and clear, and the frames shown
// saved as CSV or text — whole, or not at all with the earlier file left as it was.
#include "panels/monitor/busmonitorpanel.h"
#include "app/recordingdesktop.h"
#include "core/link/crc16.h"
#include "core/link/framelog.h"
#include "filesizelimit.h"
#include "hexbytes.h"
#include "tablerows.h"
#include "ui/valuelabel.h"
#include "wholefile.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {
const qint64 T0 = QDateTime(QDate(2026, 12, 6), QTime(14, 30, 45), Qt::UTC).toMSecsSinceEpoch();
} // namespace

// Two devices: 1 answers (once with a bad CRC), 2 does not; a stray byte is dropped. Rows are the
// log's sequence numbers.
struct MonitorOnLog {
    FrameLog log;
    RecordingDesktop desktop{QDir::tempPath()};
    BusMonitorPanel panel{log, desktop};
    explicit MonitorOnLog(qsizetype capacity = FrameLog::DefaultCapacity) : log(capacity)
    {
        panel.show();
        append();
    }
    void append()
    {
        const QByteArray badReply = [] { QByteArray b = withCrc("01 06 00 05 00 07"); b[7] = 0; return b; }();
        const struct { FrameKind kind; QByteArray bytes; } frames[] = {
            {FrameKind::Sent, withCrc("01 03 00 0A 00 01")}, {FrameKind::Received, withCrc("01 03 02 00 2A")},
            {FrameKind::Sent, withCrc("02 03 00 00 00 01")}, {FrameKind::NoReply, {}},
            {FrameKind::Sent, withCrc("01 06 00 05 00 07")}, {FrameKind::Received, badReply},
            {FrameKind::Dropped, hx("FF")},
        };
        for (const auto &f : frames)
            log.append(f.kind, T0, 2000, f.bytes);
        panel.catchUp();
    }
};

const auto &filterRows() { static const struct { const char *name; int device; bool errors; QVector<qint64> rows; } rows[] = {
    {"device 2", 2, false, {2, 3}}, {"errors", -1, true, {3, 5, 6}}, {"device 1, errors", 1, true, {5}},
    {"device 1", 1, false, {0, 1, 4, 5}}, {"all", -1, false, {0, 1, 2, 3, 4, 5, 6}},
}; return rows; }

class TestBusMonitor : public QObject {
    Q_OBJECT
private slots:
    void filters_data() { tableRows(filterRows()); }
    void filters()
    {
        const auto &f = tableRow(filterRows());
        MonitorOnLog on;
        QCOMPARE(on.panel.cboMonitorDevice->count(), 3);  // 全部, 1, 2: a stray byte names no device
        on.panel.cboMonitorDevice->setCurrentIndex(on.panel.cboMonitorDevice->findData(f.device));
        on.panel.chkMonitorErrors->setChecked(f.errors);
        QCOMPARE(on.panel.shownFrames(), f.rows);
        // The same frames again, logged while the filter is set: only those that pass it are shown.
        on.append();
        QVector<qint64> both = f.rows;
        for (const qint64 seq : f.rows)
            both << seq + 7;
        QCOMPARE(on.panel.shownFrames(), both);
        QCOMPARE(on.panel.tblMonitor->model()->rowCount(), both.size());
    }

    void pauseClear()
    {
        MonitorOnLog on(7);  // full: a frame more drops the oldest
        FrameLog &log = on.log;
        BusMonitorPanel &panel = on.panel;
        const QAbstractItemModel *m = panel.tblMonitor->model();
        // A silence names what it answers: the device and the request.
        QCOMPARE(m->index(3, 1).data().toString(), u"无应答");
        QVERIFY(m->index(3, 4).data().toString().startsWith(QStringLiteral("设备 2 无应答：02 03 00 00 00 01 ")));
        // An error row stands out in a colour that reads on the table, on a light desktop or a dark one.
        for (const QColor window : {QColor(Qt::white), QColor(30, 30, 30)}) {
            QPalette p = panel.tblMonitor->palette();
            p.setColor(QPalette::Window, window);
            p.setColor(QPalette::Base, window);
            panel.tblMonitor->setPalette(p);
            const QColor error = m->index(3, 4).data(Qt::ForegroundRole).value<QBrush>().color();
            QVERIFY2(qAbs(error.lightness() - window.lightness()) > 100, qPrintable(error.name()));
            QVERIFY(!m->index(2, 4).data(Qt::ForegroundRole).isValid());
        }

        // Paused, the table stands still while the log goes on; going on catches up.
        panel.cmdMonitorPause->click();
        QCOMPARE(panel.cmdMonitorPause->text(), u"继续");
        log.append(FrameKind::Sent, T0, 0, withCrc("03 03 00 00 00 01"));
        panel.catchUp();
        QCOMPARE(m->rowCount(), 7);
        QVERIFY(panel.lblMonitorCount->text().contains(u"1 帧未显示"));
        panel.cmdMonitorPause->click();
        QCOMPARE(panel.shownFrames(), (QVector<qint64>{1, 2, 3, 4, 5, 6, 7}));  // the row of the frame dropped goes
        QCOMPARE(panel.cboMonitorDevice->count(), 4);

        panel.cboMonitorDevice->setCurrentIndex(1);
        panel.cmdMonitorClear->click();
        QCOMPARE(std::tuple(int(log.size()), m->rowCount(), panel.cboMonitorDevice->count()), std::tuple(0, 0, 1));
        log.append(FrameKind::Sent, T0, 0, withCrc("02 03 00 00 00 01"));
        panel.catchUp();
        QCOMPARE(panel.shownFrames(), QVector<qint64>{8});
    }

    void save()
    {
        QTemporaryDir dir;
        FrameLog log;
        RecordingDesktop desktop(dir.path());
        BusMonitorPanel panel(log, desktop);
        const QByteArray request = withCrc("01 03 00 0A 00 01"), reply = withCrc("01 03 02 00 2A");
        log.append(FrameKind::Sent, T0, 5000, request);
        log.append(FrameKind::Received, T0 + 27, 12'345, reply);
        log.append(FrameKind::Sent, T0 + 40, 1800, withCrc("02 03 00 00 00 01"));
        panel.catchUp();
        panel.cboMonitorDevice->setCurrentIndex(panel.cboMonitorDevice->findData(1));  // what is shown is saved

        const QString csv = dir.filePath(QStringLiteral("monitor.csv"));
        desktop.saveAnswer = csv;
        panel.cmdMonitorSave->click();
        QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.lastMessage()));
        const QByteArray written = readFile(csv);
        QCOMPARE(QString::fromUtf8(written),
                 QStringLiteral("时间,方向,间隔(ms),十六进制,解析\r\n"
                                "14:30:45.000,发,5.0,%1,地址 1，功能 03 读保持寄存器，起始 10，数量 1，CRC 正确\r\n"
                                "14:30:45.027,收,12.3,%2,地址 1，功能 03 读保持寄存器，起始 10，数量 1，值 42，CRC 正确\r\n")
                     .arg(QString::fromLatin1(request.toHex(' ').toUpper()), QString::fromLatin1(reply.toHex(' ').toUpper())));

        const QString text = dir.filePath(QStringLiteral("monitor.txt"));
        desktop.saveAnswer = text;
        panel.cmdMonitorSave->click();
        const QList<QByteArray> lines = readFile(text).split('\n');
        QCOMPARE(lines.size(), 4);  // a header, two frames, and the end of the last line
        QVERIFY(lines[2].startsWith("14:30:45.027  收      12.3  01 03 02 00 2A"));

        // A disk that fills: the earlier file stays, nothing else is left, and the user is told.
        desktop.saveAnswer = csv;
        panel.cboMonitorDevice->setCurrentIndex(0);
        {
            const FileSizeLimit full(100);
            panel.cmdMonitorSave->click();
        }
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.last().icon, Desktop::Icon::Warning);
        QVERIFY(desktop.lastMessage().contains(csv));
        QCOMPARE(readFile(csv), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QCOMPARE(desktop.saveDialogs.size(), 3);
    }
};

int main(int argc, char **argv)
{
    qputenv("TZ", "UTC");  // the table's times are local
    QApplication app(argc, argv);
    TestBusMonitor test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_busmonitor.moc"
