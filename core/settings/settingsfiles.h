#pragma once
#include "core/records/replywindow.h"
#include <QString>
#include <QStringList>
#include <optional>

// The settings files of the application directory: comm.set (port and baud rate, written by
// "保存"), ModSet.set (start values, supplied with the program, never written) and replywin.set
// (the record download's reply window).
//
// Format: fields separated by commas or line ends, blanks around a field ignored, a text field
// in double quotes; numbers are decimal. The program writes "3,9600" and CR LF.
//
// Each file is read whole, at most kMaxFileBytes, and only when it is a regular file; the parse
// functions take the bytes, so whatever a file holds meets the same rules.
namespace settings {

// Splits a settings file into its fields. False for an unterminated quote.
bool splitFields(const QByteArray &content, QStringList &fields);

enum class Status { Ok, Missing, Malformed };

struct Comm {
    int portNumber = 4;      // COM4, the window's design value
    int baudRate = 19200;
};

struct Mod {
    int deviceAddress = 2;   // txtStationID's design value
    int channelCount = 20;   // read for the file's sake; downloads always hold twenty channels
    int stationCount = 1;    // modules a module pass walks
};

using records::ReplyWindow;

template <typename T>
struct Loaded {
    T value;                 // the defaults where the file holds nothing usable
    Status status = Status::Ok;
    QString problem;         // for Missing and Malformed, a sentence naming the file
};

constexpr qint64 kMaxFileBytes = 4096;

// The rates the rate box accepts and comm.set keeps: whole numbers 50 … 4,000,000 (the list
// offers the usual five; a typed 57600 or 115200 is as good).
constexpr int kMinBaud = 50, kMaxBaud = 4000000;
std::optional<int> baudRate(const QString &text);

QString commPath(const QString &appDir);
QString modPath(const QString &appDir);
QString replyWindowPath(const QString &appDir);

Loaded<Comm> parseComm(const QByteArray &content);
Loaded<Mod> parseMod(const QByteArray &content);
Loaded<ReplyWindow> parseReplyWindow(const QByteArray &content);

Loaded<Comm> readComm(const QString &appDir);
Loaded<Mod> readMod(const QString &appDir);
Loaded<ReplyWindow> readReplyWindow(const QString &appDir);

// Replace the file whole; the old file survives a failed write. Error text in *error.
bool writeComm(const QString &appDir, const Comm &comm, QString *error);
bool writeReplyWindow(const QString &appDir, const ReplyWindow &window, QString *error);

} // namespace settings
