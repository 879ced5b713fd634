#pragma once
#include <QString>
#include <QStringList>

// The two settings files of the application directory: comm.set (port and baud rate, written by
// "保存") and ModSet.set (start values, supplied with the program, never written).
//
// Format: fields separated by commas or line ends, blanks around a field ignored, a text field
// in double quotes; numbers are decimal. The program writes "3,9600" and CR LF.
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
    int channelCount = 20;
    int stationCount = 1;    // modules a module pass walks
};

template <typename T>
struct Loaded {
    T value;                 // the defaults when not Ok
    Status status = Status::Ok;
    QString problem;         // for Missing and Malformed, a sentence naming the file
};

QString commPath(const QString &appDir);
QString modPath(const QString &appDir);

// The rates the baud list offers.
bool isListedBaud(int rate);

Loaded<Comm> readComm(const QString &appDir);
Loaded<Mod> readMod(const QString &appDir);

// Replaces comm.set whole; the old file survives a failed write. Error text in *error.
bool writeComm(const QString &appDir, const Comm &comm, QString *error);

} // namespace settings
