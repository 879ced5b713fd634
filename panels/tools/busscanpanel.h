#pragma once
#include "core/link/busscan.h"
#include "core/link/cancel.h"
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class ValueLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
struct PanelContext;

// "总线扫描": finds the devices on the bus — an address range at the port's rate or at each of the
// recorder's five rates — and makes a found one the window's device (and the port's rate) in one click.
class BusScanPanel : public QWidget {
    Q_OBJECT
public:
    // setPortRate sets the port's rate (the port list shows it; comm.set is written only by "保存").
    BusScanPanel(PanelContext &context, std::function<void(int)> setPortRate, QWidget *parent);

    void startScan();  // "开始扫描"
    void stopScan();   // ends the scan at once
    void useFound();   // the chosen device becomes the window's device

    QLineEdit *txtScanFirst;
    QLineEdit *txtScanLast;
    QLineEdit *txtScanWait;
    QCheckBox *chkScanAllRates;
    QPushButton *cmdScanStart;
    QPushButton *cmdScanStop;
    QPushButton *cmdScanUse;
    QProgressBar *prgScan;
    ValueLabel *lblScanAt;
    ValueLabel *lblScanLeft;
    QTreeWidget *lstScanFound;

private:
    // The plan from the boxes, or nothing after a message naming the box.
    std::optional<scan::Plan> plan();
    void addFound(const scan::Found &device);

    PanelContext &m_ctx;
    std::function<void(int)> m_setPortRate;
    std::optional<CommandCancel> m_running;
};
