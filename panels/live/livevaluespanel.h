#pragma once
#include "core/link/exchange.h"
#include <QVector>
#include <QWidget>
#include <QStringList>
#include <array>
#include <optional>
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
struct PanelContext;

// "温度组1" (Frame2(5)): the twenty live values and the read that fills them.
class LiveValuesPanel : public QWidget {
    Q_OBJECT
public:
    // Fills frame (its layout holds the panel).
    LiveValuesPanel(PanelContext &context, QGroupBox *frame);

    // One live read of count registers from start (zero-based) of device, inside a hold the caller
    // owns: the request, the reply window with its lamps and counters, then DoData. Every polling
    // mode and the module pass end here.
    Exchange ReadModule(const Link::Hold &hold, uint8_t device, uint8_t function, uint16_t start, uint8_t count);

    // Writes the registers of a reply to its request into the boxes: box k shows register k.
    // Only a frame of the device and function asked, CRC matching, is taken; a shorter consistent
    // frame fills the boxes whose two bytes came and leaves the others. Returns the registers taken
    // from the reply (0 when it was not decodable).
    int DoData(const QByteArray &request, const QByteArray &inx);

    std::array<QLineEdit *, 20> txtValue1{};
    // The sensors shown outside their limits by the latest read, for the status line; empty when none.
    QStringList outOfRange() const { return m_outOfRange; }
    std::array<QLabel *, 20> lblValue{};

signals:
    // DoData filled boxes 0 … words.size() − 1 with the words of a reply of device (the live trend
    // listens here, so it sees every live read and costs the bus nothing).
    void valuesShown(uint8_t device, const QVector<uint16_t> &words);

private:
    // Box k shows sensor `number` of recorder: its name as tool tip and accessible description, and
    // a value outside the sensor's limits marked in colour and in the description.
    void markBox(int k, const QString &recorder, int number, std::optional<int> reading);
    PanelContext &m_context;
    QStringList m_outOfRange;
};
