#pragma once
#include <QDateTime>
#include <QString>
#include "core/archive/recordstore.h"
#include "core/records/replywindow.h"
#include <functional>
#include <optional>
class QPrinter;

// Everything the program asks of the desktop: message boxes, the save and open dialogs, opening a file
// in another program, the PC clock and the application directory. The window uses the Qt
// implementation; tests install one that records the questions and answers them.
class Desktop {
public:
    enum class Icon { None, Information, Warning, Critical };
    enum class Opener { TextEditor, Spreadsheet };

    virtual ~Desktop() = default;
    virtual void message(const QString &title, const QString &text, Icon icon) = 0;
    // A yes/no question; true for yes.
    virtual bool confirm(const QString &title, const QString &text) = 0;
    // The file the user chose, or empty when cancelled.
    virtual QString saveFileName(const QString &title, const QString &folder, const QString &filter) = 0;
    // The file the user chose to open, or empty when cancelled.
    virtual QString openFileName(const QString &title, const QString &folder, const QString &filter) = 0;
    // Opens the file in the desktop's program for its kind (never through a shell).
    virtual bool openFile(const QString &path, Opener opener) = 0;
    // The record download's reply window as the user set it in its dialog; nothing when cancelled.
    virtual std::optional<records::ReplyWindow> editReplyWindow(const records::ReplyWindow &current) = 0;
    // The print dialog; when the user goes on, draw fills the printer chosen. False when cancelled.
    virtual bool print(const QString &title, const std::function<void(QPrinter *)> &draw) = 0;
    // The archive the user chose in its settings dialog (saved there, the password filled in for this
    // run); nothing when cancelled.
    virtual std::optional<archive::ArchiveConfig> editArchive(const archive::ArchiveConfig &current) = 0;
    // The desktop's alarm sound, once, not waited for; a desktop without sound stays silent.
    virtual void playAlarmSound() = 0;
    virtual QDateTime now() const = 0;
    virtual QString appDir() const = 0;

    // A command that will not run, or a line that went wrong: a warning box, and the same words on
    // the window's status line, where they stay (and are read out) after the box is gone.
    void warnAndSay(const QString &text)
    {
        if (m_statusLine)
            m_statusLine(text);
        message(QStringLiteral("System Information"), text, Icon::Warning);
    }
    // What a command did (a file written, where), on the status line alone.
    void say(const QString &text)
    {
        if (m_statusLine)
            m_statusLine(text);
    }
    // The window's status line (none: warnings are boxes only).
    void setStatusLine(std::function<void(const QString &)> line) { m_statusLine = std::move(line); }

private:
    std::function<void(const QString &)> m_statusLine;
};

