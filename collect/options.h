#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
// The collector's command line, checked whole before anything is opened or sent.
namespace collect {
struct Options {
    QString port;                 // "COM4", a device path or a line's URL; empty: comm.set's
    std::optional<int> com;       // the COM number when the port was given as one
    std::optional<int> baud;      // nothing: comm.set's
    QList<uint8_t> addresses;     // empty: 1 … ModSet.set's module count
    QString appDir;
    std::optional<int> sensors;   // values a record; nothing: the recorder's own (holding 136)
    QString csv, xls, txt;
    bool archive = true;
    bool sinceLast = false, clearAfter = false, setClock = false, demo = false, json = false;
    bool failOnLimits = false;    // records with a value outside its limits end with OutOfRange
    // --live: each device's live values once, as the window's "单次" reads them, instead of its records.
    bool live = false;
    // --verify: walks the archive's hash chains and says whether they are whole; nothing else is done.
    bool verify = false;
    // --backup: makes the day's backup of the archive into archive.set's backup-dir and checks it.
    bool backup = false;
    // --checkpoint: writes a signed checkpoint of the archive.
    bool checkpoint = false;
    // With --verify: checkpoints (files or their text) and older SQLite backups to hold the archive against.
    QStringList checkpoints, against;
    uint8_t function = 3;         // 03 or 04
    uint16_t start = 0;           // the first register, from 0 (--start counts from 1, as "起始地址")
    uint8_t count = 20;           // registers, 1 … 125
    // --report: after its download, each recorder's period report from the archive into pdf.
    QString report;               // "daily", "weekly", "monthly" or "YYYY-MM-DD..YYYY-MM-DD"; empty: none
    QString pdf;
    double mktDhR = 10000;        // ΔH/R of the mean kinetic temperature, K
};

struct Parsed {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    Options options;
    QString text;  // Help: the help text; Usage: the one-line error naming the option
};
// arguments[0] is the program's name, as QCoreApplication::arguments() gives it.
Parsed parseArguments(const QStringList &arguments);

// Whether the arguments ask for a report: the chart it draws is a widget, so the program then needs
// a QApplication (on the offscreen platform: the collector runs where there is no display).
bool asksReport(int argc, char **argv);

// The file name for one device of several: the address before the suffix ("data.csv" → "data-21.csv").
QString perDevicePath(const QString &path, uint8_t address);
} // namespace collect
