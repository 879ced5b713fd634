#pragma once
#include "ui/commandstart.h"
#include "ui/panelcontext.h"
#include "core/link/exchange.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// A hint shown in a frame, wrapped.
QLabel *hintLabel(const QString &text, QWidget *parent);

// The status line after a write: its outcome, or why it was not confirmed.
void reportWrite(PanelContext &ctx, const QString &command, const Exchange &ex, const QString &done);

// A single-register read into a box. Only the device's own complete answer changes the box (an
// exception reply never becomes a value); a register above 32767 shows as it is. The word shown, if any.
std::optional<uint16_t> readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg, QLineEdit *box);
// The same, shown by the panel that owns the value.
std::optional<uint16_t> readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg,
                                         const std::function<void(uint16_t)> &show);
