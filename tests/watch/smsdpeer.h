#pragma once
// A real gammu-smsd on gammu's dummy phone (a folder standing in for the modem), with the files
// service, in a temporary folder of its own. What the daemon sent is read back from its sent folder
// with libgammu; a reply is "received" by putting it in the dummy phone's incoming folder, where
// gammu-smsd reads it, deletes it from the phone and files it in its inbox like one from a modem.
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gammu.h>
#include <memory>

class SmsdPeer {
public:
    struct SentMessage {
        QString file, number, text;
        int parts = 0;
    };
    // Failing: gammu-smsd's sent folder is gone once it runs, so it cannot file what the phone sent
    // and moves each message to its error folder, as after any failed send.
    enum class Mode { Delivering, Failing };

    // inboxFormat empty: gammu-smsd's default.
    explicit SmsdPeer(const QString &inboxFormat = {}) : m_inboxFormat(inboxFormat)
    {
        for (const char *sub : {"phone/sms/1", "outbox", "sent", "error", "inbox", "nosent"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
        writeConfig(configPath(), QStringLiteral("sent"));
    }
    ~SmsdPeer() { stop(); }

    QString configPath() const { return m_dir.filePath(QStringLiteral("smsdrc")); }
    QString folder(const QString &name) const { return m_dir.filePath(name); }

    // Started once it said it talks to the phone (its log on its standard output).
    bool start(Mode mode = Mode::Delivering)
    {
        stop();
        QString config = configPath();
        if (mode == Mode::Failing) {
            config = m_dir.filePath(QStringLiteral("smsdrc-failing"));
            QDir(m_dir.path()).mkpath(QStringLiteral("nosent"));
            writeConfig(config, QStringLiteral("nosent"));
        }
        m_out.clear();
        m_smsd = std::make_unique<QProcess>();
        m_smsd->setProcessChannelMode(QProcess::MergedChannels);
        m_smsd->start(QStringLiteral("gammu-smsd"), {QStringLiteral("-c"), config});
        if (!m_smsd->waitForStarted(30000))
            return false;
        while (!m_out.contains("Starting phone communication")) {
            if (!m_smsd->waitForReadyRead(30000))
                return false;
            m_out += m_smsd->readAll();
        }
        return mode == Mode::Delivering || QDir(folder(QStringLiteral("nosent"))).removeRecursively();
    }
    void stop()
    {
        if (!m_smsd)
            return;
        m_smsd->terminate();
        if (!m_smsd->waitForFinished(30000))
            m_smsd->kill();
        m_smsd->waitForFinished(30000);
        m_smsd.reset();
    }

    // The messages in the sent folder, in file name order, each one's parts joined again.
    QList<SentMessage> sent() const
    {
        QList<SentMessage> out;
        const QDir dir(folder(QStringLiteral("sent")));
        for (const QString &name : dir.entryList({QStringLiteral("OUT*")}, QDir::Files, QDir::Name)) {
            const auto backup = std::make_unique<GSM_SMS_Backup>();
            GSM_ClearSMSBackup(backup.get());
            if (GSM_ReadSMSBackupFile(QFile::encodeName(dir.filePath(name)).constData(), backup.get()) != ERR_NONE)
                continue;
            // gammu-smsd 1.42 copies the file's head again each time it notes a part's message
            // reference, so a part can be there several times: each part once, in order.
            QMap<int, GSM_SMSMessage *> eachPiece;
            for (int i = 0; backup->SMS[i]; ++i) {
                const GSM_UDHHeader &udh = backup->SMS[i]->UDH;
                const int part = udh.Type == UDH_NoUDH ? 0 : udh.PartNumber;
                if (!eachPiece.contains(part))
                    eachPiece.insert(part, backup->SMS[i]);
            }
            const auto multi = std::make_unique<GSM_MultiSMSMessage>();
            multi->Number = 0;
            for (GSM_SMSMessage *sms : std::as_const(eachPiece))
                if (multi->Number < GSM_MAX_MULTI_SMS)
                    multi->SMS[multi->Number++] = *sms;
            GSM_FreeSMSBackup(backup.get());
            SentMessage m{name, fromGammu(multi->SMS[0].Number), {}, multi->Number};
            // One part without a header is its own text; libgammu links only parts that carry one.
            if (multi->Number == 1 && multi->SMS[0].UDH.Type == UDH_NoUDH) {
                m.text = fromGammu(multi->SMS[0].Text);
            } else {
                GSM_MultiPartSMSInfo info;
                GSM_ClearMultiPartSMSInfo(&info);
                if (GSM_DecodeMultiPartSMS(nullptr, &info, multi.get(), TRUE) && info.Entries[0].Buffer)
                    m.text = fromGammu(info.Entries[0].Buffer);
                GSM_FreeMultiPartSMSInfo(&info);
            }
            out.append(m);
        }
        return out;
    }

    // The dummy phone gets an SMS from number, written whole before it appears under a number the
    // dummy driver looks at.
    bool receive(const QString &number, const QString &text, const QDateTime &time)
    {
        const auto sms = std::make_unique<GSM_SMSMessage>();
        GSM_SetDefaultReceivedSMSData(sms.get());
        sms->PDU = SMS_Deliver;
        sms->State = SMS_UnRead;
        sms->Folder = 1;
        sms->InboxFolder = TRUE;
        sms->Coding = SMS_Coding_Unicode_No_Compression;
        sms->Class = -1;
        sms->Length = int(text.size());
        toGammu(number, sms->Number);
        toGammu(text, sms->Text);
        toGammu(QStringLiteral("+8613800100500"), sms->SMSC.Number);
        const QDate d = time.date();
        const QTime t = time.time();
        sms->DateTime = GSM_DateTime{time.offsetFromUtc(), t.second(), t.minute(), t.hour(), d.day(), d.month(), d.year()};
        const QString staged = folder(QStringLiteral("incoming"));
        QFile::remove(staged);
        const auto backup = std::make_unique<GSM_SMS_Backup>();
        backup->SMS[0] = sms.get();
        backup->SMS[1] = nullptr;
        if (GSM_AddSMSBackupFile(QFile::encodeName(staged).constData(), backup.get()) != ERR_NONE)
            return false;
        return QFile::rename(staged, folder(QStringLiteral("phone/sms/1/%1").arg(++m_received)));
    }

private:
    void writeConfig(const QString &path, const QString &sent) const
    {
        // One second between looks at the outbox and the phone, so a test waits a second, not half a minute.
        QString text = QStringLiteral(
            "[gammu]\nmodel = dummy\nconnection = none\ndevice = %1/phone\n\n"
            "[smsd]\nservice = files\nlogfile = stdout\ndebuglevel = 1\n"
            "outboxpath = %1/outbox/\nsentsmspath = %1/%2/\nerrorsmspath = %1/error/\ninboxpath = %1/inbox/\n"
            "loopsleep = 1\ncommtimeout = 1\nreceivefrequency = 1\nstatusfrequency = 0\n"
            "checkbattery = 0\nchecksignal = 0\nchecknetwork = 0\n").arg(m_dir.path(), sent);
        if (!m_inboxFormat.isEmpty())
            text += QStringLiteral("inboxformat = %1\n").arg(m_inboxFormat);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    static void toGammu(const QString &s, unsigned char *out)
    {
        for (const QChar c : s) {
            *out++ = uchar(c.unicode() >> 8);
            *out++ = uchar(c.unicode() & 0xff);
        }
        out[0] = out[1] = 0;
    }
    static QString fromGammu(const unsigned char *s)
    {
        QString out;
        for (; s[0] || s[1]; s += 2)
            out.append(QChar(char16_t(s[0] << 8 | s[1])));
        return out;
    }

    QTemporaryDir m_dir;
    QString m_inboxFormat;
    std::unique_ptr<QProcess> m_smsd;
    QByteArray m_out;
    int m_received = 0;
};
