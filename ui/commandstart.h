#pragma once
#include "ui/panelcontext.h"
#include "core/link/exchange.h"
#include <QString>
#include <cstdint>
#include <optional>

class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

// The bus for the device command named command; nothing while another command holds it (said on
// the status line): the command then sends nothing.
std::optional<Link::Hold> holdBus(PanelContext &ctx, const QString &command = QString());
// What the status line says when a command is refused because another one holds the bus.
QString busyMessage(const QString &command = QString());
// True when the port is open; else the refusal goes to the status line. For a command that would
// otherwise run on, a tick or a module at a time, finding nothing and saying nothing.
bool portOpenOrSay(PanelContext &ctx, const QString &refusal);

// The start of most device commands: the bus, then the device address of txtStationID. Nothing
// when the bus is held (status line) or the address box does not give 1 … 255 (a message).
struct DeviceCommand {
    Link::Hold hold;
    uint8_t address;
};
std::optional<DeviceCommand> beginCommand(PanelContext &ctx, const QString &command = QString());

// How wide a button is: the style's usual width, or just as wide as its caption needs (for rows of
// many small buttons).
enum class ButtonWidth { Standard, Caption };
// A button with its control name.
QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent,
                         ButtonWidth width = ButtonWidth::Standard);
// A button that starts a device command (off while any command holds the bus).
QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent,
                           ButtonWidth width = ButtonWidth::Standard);

// A number box with its caption label (the box's buddy) in a grid row: the label at col, the box after it.
QLineEdit *captionedBox(const QString &name, const QString &text, const QString &caption, QGridLayout *grid, int row,
                        int col, QWidget *parent);

// A captioned frame of the window; its objectName is the frame's name ("Frame2(5)").
QGroupBox *makeFrame(const QString &name, const QString &caption, QWidget *parent);
// Puts a panel into its frame, which gets a layout holding just the panel.
void fillFrame(QGroupBox *frame, QWidget *panel);
// Tab goes through the frames in this order, each frame's controls in their present order (a
// control may stand for itself).
void setReadingOrder(const QList<QWidget *> &frames);
