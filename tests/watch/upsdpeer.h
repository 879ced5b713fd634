#pragma once
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

// A real upsd on 127.0.0.1 with one dummy-ups driver behind it, both children of the test, in a
// folder of their own. As root both stay root (-u root): the folders are the test's.
class UpsdPeer {
public:
    explicit UpsdPeer(QString name = QStringLiteral("dummy")) : m_name(std::move(name)) {}
    ~UpsdPeer()
    {
        stop();
        end(m_driver);
    }

    // Both started and upsd answering for the UPS; false and *error when not.
    bool start(QString *error)
    {
        QTcpServer probe;  // a port nobody listens on, for upsd to take
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        const QString state = m_dir.filePath("state");
        QDir().mkpath(state);
        put("ups.conf", QStringLiteral("[%1]\n driver = dummy-ups\n port = %2\n pollinterval = 1\n").arg(m_name, devFile()).toUtf8());
        put("upsd.conf", QStringLiteral("LISTEN 127.0.0.1 %1\n").arg(m_port).toUtf8());
        put("upsd.users", "");
        put("nut.conf", "MODE=standalone\n");
        writeDev(QStringLiteral("OL"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *var : {"NUT_CONFPATH", "NUT_STATEPATH", "NUT_ALTPIDPATH", "NUT_PIDPATH"})
            env.insert(var, var == QByteArray("NUT_CONFPATH") ? m_dir.path() : state);
        const QStringList asRoot = geteuid() == 0 ? QStringList{"-u", "root"} : QStringList{};
        // upsd only looks for the driver's socket now and then: the driver goes first.
        QFileSystemWatcher socketDir({state});
        for (QProcess *child : {&m_driver, &m_upsd}) {
            child->setProcessEnvironment(env);
            child->setProcessChannelMode(QProcess::MergedChannels);
            // A test killed at its time-out takes them along instead of leaving upsd on the port.
            child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        }
        m_driver.start("/lib/nut/dummy-ups", QStringList{"-a", m_name, "-F"} + asRoot);
        const QString socket = QDir(state).filePath("dummy-ups-" + m_name);
        if (!waitUntil([&] { return QFile::exists(socket) || m_driver.state() == QProcess::NotRunning; },
                       &socketDir, &QFileSystemWatcher::directoryChanged) || !QFile::exists(socket))
            return fail(error, "dummy-ups: " + m_driver.readAll());
        m_upsd.start(QFile::exists("/lib/nut/upsd") ? "/lib/nut/upsd" : "/usr/sbin/upsd", QStringList{"-F"} + asRoot);
        QByteArray said;
        if (!waitUntil([&] { said += m_upsd.readAll(); return said.contains("Connected to UPS") || m_upsd.state() == QProcess::NotRunning; },
                       &m_upsd, &QProcess::readyRead) || !answers("OL"))
            return fail(error, "upsd: " + said + m_upsd.readAll());
        return true;
    }

    // The driver reports status from now on, and upsd says so when this returns true.
    bool setStatus(const QString &status)
    {
        writeDev(status);
        return answers(status);
    }
    // upsd gone, its port closed; the driver stays.
    void stop() { end(m_upsd); }

    QString upsName() const { return m_name; }
    quint16 port() const { return m_port; }

private:
    QString devFile() const { return m_dir.filePath(m_name + ".dev"); }
    void put(const QString &file, const QByteArray &text)
    {
        QFile f(m_dir.filePath(file));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    void writeDev(const QString &status)
    {
        put(m_name + ".dev", QStringLiteral("ups.status: %1\nbattery.charge: 87\n").arg(status).toUtf8());
        // dummy-ups reads the file again when its modification time (whole seconds) changed.
        m_stamp = std::max(QDateTime::currentDateTime(), m_stamp.addSecs(1));
        QFile f(devFile());
        f.open(QIODevice::ReadWrite);
        f.setFileTime(m_stamp, QFileDevice::FileModificationTime);
    }
    static bool fail(QString *error, const QByteArray &why)
    {
        if (error)
            *error = QString::fromUtf8(why);
        return false;
    }
    static void end(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished();
    }
    // done() true on the signal or by the 20 s bound.
    template<typename Done, typename Sender, typename Signal>
    static bool waitUntil(Done done, Sender *sender, Signal signal)
    {
        QEventLoop loop;
        QTimer bound;
        QObject::connect(sender, signal, &loop, [&] { if (done()) loop.quit(); });
        QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
        bound.start(20000);
        if (!done())
            loop.exec();
        return done();
    }
    // upsd's answer for ups.status is status; asked again whenever upsd still has the old one (the
    // driver re-reads its file at its next poll).
    bool answers(const QString &status)
    {
        QTcpSocket upsd;
        QTimer again;
        again.setSingleShot(true);
        QByteArray in;
        const QByteArray want = QStringLiteral("VAR %1 ups.status \"%2\"\n").arg(m_name, status).toUtf8();
        const auto ask = [&] { in.clear(); upsd.write("GET VAR " + m_name.toUtf8() + " ups.status\n"); };
        QObject::connect(&upsd, &QTcpSocket::connected, ask);
        QObject::connect(&again, &QTimer::timeout, ask);
        upsd.connectToHost(QHostAddress::LocalHost, m_port);
        return waitUntil([&] {
            in += upsd.readAll();
            if (in.endsWith('\n') && in != want)
                again.start(100);
            return in == want;
        }, &upsd, &QTcpSocket::readyRead);
    }

    QString m_name;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QDateTime m_stamp;
    QProcess m_driver, m_upsd;
};
