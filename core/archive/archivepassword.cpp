#include "core/archive/archivepassword.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace archive {

namespace {
// Starts the job and waits in an event loop for its answer or the timeout. A job that times out
// is left to delete itself if it ever finishes; nothing of ours is touched then.
KeyringAnswer run(QKeychain::Job *job, int timeoutMs)
{
    job->setInsecureFallback(false);  // never a plain-text copy in a settings file
    job->setAutoDelete(true);
    KeyringAnswer answer;
    bool finished = false;
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job *j) {
        finished = true;
        switch (j->error()) {
        case QKeychain::NoError:
            answer.status = KeyringAnswer::Done;
            if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(j))
                answer.password = read->textData();
            break;
        case QKeychain::EntryNotFound:
            answer.status = KeyringAnswer::NotFound;
            answer.reason = QCoreApplication::translate("archive", "密钥环里没有这个存档的口令");
            break;
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser:
            answer.reason = QCoreApplication::translate("archive", "密钥环拒绝了访问");
            break;
        default: {
            // Without a session bus the library says no more than "Unknown error".
            const QString detail = j->errorString().trimmed();
            answer.reason = QCoreApplication::translate("archive", "没有可用的密钥环");
            if (!detail.isEmpty() && detail != u"Unknown error")
                answer.reason += QCoreApplication::translate("archive", "（%1）").arg(detail);
            break;
        }
        }
        loop.quit();
    });
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    job->start();
    // A keyring that is plainly missing may answer inside start().
    if (!finished) {
        timer.start(timeoutMs);
        loop.exec();
    }
    if (!finished) {
        answer.status = KeyringAnswer::Unreachable;
        answer.reason = QCoreApplication::translate("archive", "密钥环 %1 秒内没有应答").arg(timeoutMs / 1000.0);
    }
    return answer;
}
} // namespace

QString keyringKey(const ArchiveConfig &config)
{
    return QStringLiteral("%1@%2:%3/%4").arg(config.user, config.host).arg(config.port).arg(config.database);
}

KeyringAnswer readPassword(const ArchiveConfig &config, int timeoutMs)
{
    auto *job = new QKeychain::ReadPasswordJob(QLatin1String(KeyringService));
    job->setKey(keyringKey(config));
    return run(job, timeoutMs);
}

KeyringAnswer storePassword(const ArchiveConfig &config, const QString &password, int timeoutMs)
{
    auto *job = new QKeychain::WritePasswordJob(QLatin1String(KeyringService));
    job->setKey(keyringKey(config));
    job->setTextData(password);
    return run(job, timeoutMs);
}

KeyringAnswer forgetPassword(const ArchiveConfig &config, int timeoutMs)
{
    auto *job = new QKeychain::DeletePasswordJob(QLatin1String(KeyringService));
    job->setKey(keyringKey(config));
    return run(job, timeoutMs);
}

} // namespace archive
