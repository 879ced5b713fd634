#pragma once
#include "ui/desktop.h"
#include <QStringList>

// The desktop of a test: records every question and answers as told, with a fixed clock.
class RecordingDesktop : public Desktop {
public:
    struct Message { QString title, text; Icon icon; };

    explicit RecordingDesktop(QString dir) : m_dir(std::move(dir)) {}

    void message(const QString &title, const QString &text, Icon icon) override
    {
        messages.append({title, text, icon});
    }
    bool confirm(const QString &title, const QString &text) override
    {
        confirmations.append(title + QLatin1Char('|') + text);
        return confirmAnswer;
    }
    QString saveFileName(const QString &, const QString &folder, const QString &filter) override
    {
        saveDialogs.append(folder + QLatin1Char('|') + filter);
        return saveAnswer;
    }
    QString openFileName(const QString &, const QString &folder, const QString &filter) override
    {
        openDialogs.append(folder + QLatin1Char('|') + filter);
        return openAnswer;
    }
    bool openFile(const QString &path, Opener opener) override
    {
        opened.append({path, opener});
        return true;
    }
    std::optional<records::ReplyWindow> editReplyWindow(const records::ReplyWindow &current) override
    {
        replyWindowShown.append(current);
        return replyWindowAnswer;
    }
    bool print(const QString &title, const std::function<void(QPrinter *)> &) override
    {
        printDialogs.append(title);
        return false;
    }
    std::optional<archive::ArchiveConfig> editArchive(const archive::ArchiveConfig &current) override
    {
        archiveShown.append(current);
        return archiveAnswer;
    }
    void playAlarmSound() override { ++alarmSounds; }
    QDateTime now() const override { return clock; }
    QString appDir() const override { return m_dir; }

    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last().text; }

    QList<Message> messages;
    QStringList confirmations;
    QStringList saveDialogs;
    QStringList openDialogs;
    QList<QPair<QString, Opener>> opened;
    bool confirmAnswer = true;
    QString saveAnswer;
    QString openAnswer;
    QList<records::ReplyWindow> replyWindowShown;
    std::optional<records::ReplyWindow> replyWindowAnswer;
    QStringList printDialogs;
    QList<archive::ArchiveConfig> archiveShown;
    std::optional<archive::ArchiveConfig> archiveAnswer;
    int alarmSounds = 0;
    QDateTime clock = QDateTime(QDate(2026, 12, 6), QTime(14, 30, 45));

private:
    QString m_dir;
};
