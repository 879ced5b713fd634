#pragma once
#include "ui/panelcontext.h"
#include "core/config/pollingtable.h"
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

class QBoxLayout;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
struct DeviceCommand;
struct Exchange;

// The controls of the whole polling table, indexed as the window names them: txtChannel(i),
// cmdReadP(i) and cmdWriteP(i) for the 101 boxes, and the group commands by their own indexes.
struct PollingTableControls {
    std::array<QLineEdit *, polling::BoxCount> txtChannel{};
    std::array<QPushButton *, polling::BoxCount> cmdReadP{};
    std::array<QPushButton *, polling::BoxCount> cmdWriteP{};
    std::array<QPushButton *, 5> cmdReadGroup{};
    std::array<QPushButton *, 5> cmdSetAll{};
    std::array<QPushButton *, polling::PresetCount> cmdPreset{};
    std::array<QPushButton *, 6> cmdCommitGroup{};
    std::array<QLineEdit *, polling::CurrentCount> txtPreset{};
};

// One group of the polling table in its frame: its boxes with their "读参数"/"写参数", and its
// read-all, write-all, presets and commit. The same class serves all six groups.
class PollingTablePanel : public QWidget {
    Q_OBJECT
public:
    PollingTablePanel(PanelContext &ctx, PollingTableControls &controls, const polling::Group &group,
                      QWidget *parent);

    // Reads box i's register into the box; a register above 32767 shows as it is.
    void readOne(int i);
    // Writes box i into its register: the word a read put there while the box still shows it,
    // otherwise the text; a text that is no register value is refused with a message.
    void writeOne(int i);
    // Reads the group's twenty registers into its boxes; txtDataLength shows "20" afterwards.
    void readGroup();
    // Writes every box of the group, in order, once all of them have been checked.
    void writeGroup();
    // Fills the group's boxes: preset index as cmdPreset's.
    void applyPreset(int preset);
    // Switches the group's coil on: the recorder takes the registers over.
    void commitGroup();

    // Shows the words of a read-all reply in boxes startPosition, startPosition + 1, … (at most
    // maxLength of them, only words the reply holds whole, only boxes of the group).
    void showGroupWords(const QByteArray &reply, int maxLength, int startPosition);

private:
    void buildRows(bool numbered);
    void buildSingle();
    // A box with its two buttons, added to a grid row from column col.
    void addBoxRow(int box, QGridLayout *grid, int row, int col, QLabel *label);
    // The preset box and its button(s); read-all, write-all and commit.
    void addPresetControls(QBoxLayout *into);
    void addGroupCommands(QBoxLayout *into);
    Exchange writeBox(const DeviceCommand &cmd, int i, uint16_t value);
    // Box i shows what a read gave and remembers the word behind it.
    void showRead(int i, const polling::ReadBack &read);
    std::optional<polling::BoxWrite> boxWrite(int i) const;

    PanelContext &m_ctx;
    PollingTableControls &m_c;
    const polling::Group &m_group;
    // Per box of the group: what the last read put there, until the user or a preset changes it.
    std::vector<std::optional<polling::ReadBack>> m_read;
};
