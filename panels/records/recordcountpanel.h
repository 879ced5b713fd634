#pragma once
#include "core/records/recordcount.h"
#include "core/link/exchange.h"
#include <QWidget>
#include <cstdint>
#include <optional>

class QPushButton;
class RecordsPanel;
struct PanelContext;

// "有效记录总数（及指针）" (Frame14(1)): the record count the recorder reports, and the clearing of
// its record count and record pointer. The boxes txtRecord and txtRecPoint belong to the records tab;
// this panel adds the commands to the frame.
class RecordCountPanel : public QWidget {
    Q_OBJECT
public:
    RecordCountPanel(PanelContext &context, RecordsPanel &records);

    void readCount();     // "读条数"
    void clearPointer();  // "清指针"
    void clearCount();    // "清条数"

    // Reads the record count (holding register 121) of a device into txtRecord, inside a hold the
    // caller owns. Only the device's own complete reply is taken (0 … 65535); otherwise txtRecord
    // keeps its text, the status line says why, and nothing is returned.
    std::optional<int> readAndShowCount(const Link::Hold &hold, uint8_t address);
    // A count read of the device at address, shown: in txtRecord with the memory's fill, or why not.
    void showCount(uint8_t address, const records::CountRead &read);

    QPushButton *cmdReadCount;
    QPushButton *cmdClearPointer;
    QPushButton *cmdClearRecCount;
    QPushButton *cmdWritePoint;     // "写指针": the pointer is only ever cleared; kept off

private:
    PanelContext &m_ctx;
    RecordsPanel &m_records;
};
