#pragma once
#include "core/config/settingsfile.h"
#include "core/link/cancel.h"
#include "core/link/exchange.h"
#include <QWidget>
#include <optional>

class QLabel;
class ValueLabel;
class QPushButton;
struct PanelContext;

// "记录仪设置文件": the polling table and the recording interval of the recorder at the device address,
// saved to a file a person can read, and loaded from one into a recorder: the differences shown first,
// written after a yes, committed group by group, read back and checked.
class SettingsFilePanel : public QWidget {
    Q_OBJECT
public:
    SettingsFilePanel(PanelContext &context, QWidget *parent);

    void saveRecorderSettings();  // the recorder's settings into a file
    void loadRecorderSettings();  // a file's settings into the recorder
    void stopTransfer();          // ends a save or load at once

    QPushButton *cmdSaveSettings;
    QPushButton *cmdLoadSettings;
    QPushButton *cmdSettingsStop;
    ValueLabel *lblSettingsFile;       // what the command is doing, and how it ended

private:
    // Every register of a settings file, read from the device; nothing, with *failure saying which
    // read failed and why, when one brought no valid reply (or the command was stopped).
    std::optional<settingsfile::Words> readDevice(const Link::Hold &hold, uint8_t address, QString *failure);
    // The file's registers; nothing, after saying why, when it cannot be read or is no settings file.
    std::optional<settingsfile::Words> readFile(const QString &path);
    // The registers that differ written, then each group they belong to committed by its coil; the
    // writes the recorder did not confirm go into problems. False, with *stopped saying how far it
    // came, when the line went or the command was stopped.
    bool writeDifferences(const Link::Hold &hold, uint8_t address, const QList<settingsfile::Difference> &diffs,
                          QList<uint16_t> &written, QStringList &problems, QString *stopped);
    void say(const QString &text);  // the panel's line and the status line

    PanelContext &m_ctx;
    std::optional<CommandCancel> m_running;
};
