#pragma once
// aiosmtpd, a real SMTP server, for the tests and benchmarks that send mail.
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

// The python3 that has aiosmtpd; empty when none has.
inline QString smtpPython()
{
    for (const QString &python : {QStandardPaths::findExecutable("python3"), QStringLiteral("/usr/bin/python3")})
        if (QProcess check; !python.isEmpty()) {
            check.start(python, {"-c", "import aiosmtpd"});
            if (check.waitForFinished() && check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
                return python;
        }
    return QString();
}

// aiosmtpd on a free port of 127.0.0.1, printing each message it takes. It offers neither STARTTLS
// nor AUTH.
class SmtpServer {
public:
    ~SmtpServer()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    // Empty once it accepts connections; else why not.
    QString start(const QString &python)
    {
        QTcpServer spare;
        if (!spare.listen(QHostAddress::LocalHost, 0))
            return spare.errorString();
        port = spare.serverPort();
        spare.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PYTHONUNBUFFERED", "1");  // each message printed as it comes, not when a buffer fills
        m_process.setProcessEnvironment(env);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { printed += m_process.readAllStandardOutput(); });
        m_process.start(python, {"-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port)});
        if (!m_process.waitForStarted())
            return m_process.errorString();
        // Up when it accepts a connection: each refused attempt starts the next one shortly after.
        QTcpSocket probe;
        QEventLoop loop;
        bool up = false;
        QObject::connect(&probe, &QTcpSocket::connected, &loop, [&] { up = true; loop.quit(); });
        QObject::connect(&probe, &QTcpSocket::errorOccurred, &loop, [&] {
            QTimer::singleShot(20, &probe, [&] { probe.abort(); probe.connectToHost(QHostAddress::LocalHost, port); });
        });
        QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        probe.connectToHost(QHostAddress::LocalHost, port);
        loop.exec();
        probe.disconnectFromHost();
        return up ? QString() : QStringLiteral("aiosmtpd did not start: %1").arg(QString::fromUtf8(m_process.readAllStandardError()));
    }
    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(port); }

    QByteArray printed;
    quint16 port = 0;

private:
    QProcess m_process;
};

// Starts server; fails the test where it cannot.
#define START_SMTP(server) \
    do { \
        const QString why = smtpPython().isEmpty() ? QStringLiteral("python3-aiosmtpd is not installed") : (server).start(smtpPython()); \
        QVERIFY2(why.isEmpty(), qPrintable(why)); \
    } while (false)
