#pragma once
#include "app/panelcontext.h"
#include "link/exchange.h"
#include <QString>
#include <cstdint>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The start of every device command of the recorder's settings: the bus, then the device address of
// txtStationID. Nothing when another command holds the bus (said on the status line) or the address
// box does not give 1 … 255 (said in a message): the command then sends nothing.
struct DeviceCommand {
    Link::Hold hold;
    uint8_t address;
};
std::optional<DeviceCommand> beginCommand(PanelContext &ctx);

// Puts a panel into its frame, which gets a layout holding just the panel.
void fillFrame(QGroupBox *frame, QWidget *panel);

// A button that starts a device command (off while any command holds the bus).
QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent);

// A hint shown in a frame, wrapped.
QLabel *hintLabel(const QString &text, QWidget *parent);

// The status line after a write: its outcome, or why it was not confirmed.
void reportWrite(PanelContext &ctx, const QString &command, const Exchange &ex, const QString &done);

// A single-register read into a box. Only the device's own complete answer changes the box (an
// exception reply never becomes a value); a register above 32767 shows as it is.
void readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg, QLineEdit *box);
