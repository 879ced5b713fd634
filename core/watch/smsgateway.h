#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

// The way to the GSM modem: gammu-smsd owns it, this side only hands messages to gammu-smsd's queue
// (libgammu's SMSD_InjectSMS, so whatever service the daemon is set up with takes them) and, for the
// files service, follows them through its folders and reads the replies it filed. Nothing here talks to
// the modem itself, so the watcher never fights the daemon for the port.
namespace watch {

// gammu-smsd's configuration as far as we need it (the [smsd] section of its INI file).
struct SmsdConfig {
    QString path;                       // the configuration file
    QString service;                    // lower case: "files", "sql", "null", ...
    // The files service's folders, absolute, with no trailing slash; empty for other services. A
    // relative one is taken from "/", the working folder the packaged gammu-smsd service runs in
    // (libgammu itself takes it from the calling program's, "/" too for a service).
    QString outbox, sent, error, inbox;
    QString inboxFormat;                // "standard" (gammu-smsd's default), "unicode" or "detail"
};

// The configuration at path; nothing and a sentence in *error when it cannot be read or names no service.
std::optional<SmsdConfig> readSmsdConfig(const QString &path, QString *error);

// Safe to use from several threads as long as each thread has its own object: libgammu's calls, which
// share static buffers inside the library, are taken one at a time across all objects.
class SmsGateway {
public:
    explicit SmsGateway(SmsdConfig config);
    ~SmsGateway();
    SmsGateway(const SmsGateway &) = delete;
    SmsGateway &operator=(const SmsGateway &) = delete;

    const SmsdConfig &config() const { return m_config; }

    // SMS parts the text takes: GSM 7-bit 160 characters alone or 153 per part (the extension table's
    // characters count twice), UCS-2 as soon as one character is outside the default alphabet, 70 or 67.
    static int parts(const QString &text);

    // The text for number queued with gammu-smsd (concatenated parts when long); gammu-smsd's id of
    // the message (files service: the outbox file's name). Nothing and a sentence in *error for a bad
    // number, an empty text, a configuration libgammu cannot load or a queue that refused it.
    std::optional<QString> inject(const QString &number, const QString &text, QString *error);

    enum class Outcome { Waiting, Sent, Failed, Unknown };
    // Files service: still in the outbox → Waiting; in the error folder → Failed; in the sent folder →
    // Sent; nowhere → Unknown. Other services cannot be followed from here: Sent.
    Outcome outcome(const QString &id) const;

    // Readable when a file arrives in the sent or error folder or leaves the outbox (inotify), for
    // poll()'s extra descriptors; -1 for other services or when none of the folders could be watched.
    // drain() empties it without blocking.
    int changeFd() const;
    void drain();

    // The messages in the inbox folder, oldest first. The parts gammu-smsd filed one by one
    // (standard and unicode formats) are joined again; file is the first part's file name, what a
    // caller remembers as handled. Nothing and *error when the folder cannot be read.
    struct Received {
        QString file;
        QString number;
        QString text;
        QDateTime time;
    };
    std::optional<QList<Received>> received(QString *error) const;

private:
    bool load(QString *error);

    SmsdConfig m_config;
    struct Smsd;
    std::unique_ptr<Smsd> m_smsd;
    int m_inotify = -1;
};

} // namespace watch
