#pragma once
#include "core/jobs/liveread.h"
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

    // One live read inside a hold the caller owns, shown in the boxes: box k shows register k (a
    // shorter frame of the device's own fills the boxes whose two bytes came and leaves the others).
    // Every polling mode and the module pass end here.
    jobs::LiveReading readAndShow(const Link::Hold &hold, const jobs::LiveTarget &target);
    // What a read brought (a poller's tick), shown.
    void show(const jobs::LiveTarget &target, const jobs::LiveReading &reading);

    std::array<QLineEdit *, 20> txtValue{};
    std::array<QLabel *, 20> lblValue{};

signals:
    // A read filled boxes 0 … words.size() − 1 with the words of a reply of device (the live trend
    // listens here, so it sees every live read and costs the bus nothing).
    void valuesShown(uint8_t device, const QVector<uint16_t> &words);

private:
    // Box k shows sensor `number` of recorder: its name as tool tip and accessible description, and
    // a value outside the sensor's limits marked in colour and in the description.
    void markBox(int k, const QString &recorder, int number, std::optional<int> reading);
    void showValues(uint8_t device, uint16_t start, const QVector<uint16_t> &words);
    PanelContext &m_context;
    QStringList m_outOfRange;
};
