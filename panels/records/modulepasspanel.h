#pragma once
#include "core/jobs/modulepass.h"
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

class LiveValuesPanel;
class QGroupBox;
class QLineEdit;
class QPushButton;
class RecordCountPanel;
class RecordReadPanel;
struct PanelContext;

// "多模块操作" (modulePassFrame): a pass over the modules 1 … moduleCount, each getting a live read, the
// pause of txtModulePause, its record count and the download of its records; once ("单次循环") or
// repeated ("自动循环") until "停止" or the last pass.
class ModulePassPanel : public QWidget {
    Q_OBJECT
public:
    // The modules walked are the context's moduleCount, read at every click.
    ModulePassPanel(PanelContext &context, QGroupBox *frame, LiveValuesPanel &live, RecordCountPanel &count,
                    RecordReadPanel &read);

    void runSinglePass();  // "单次循环"
    void runAutoLoop();    // "自动循环": lblRequestCount to 0, then passes; lblPassCount counts those completed
    void stopPasses();     // "停止": the running pass or loop ends at once, whatever it waits for

    // The passes of the automatic loop when nobody stops it.
    static constexpr int LoopPasses = 3001;

    QPushButton *cmdSinglePass;
    QPushButton *cmdAutoLoop;
    QPushButton *cmdStopPass;
    QLineEdit *txtModulePause;

private:
    // The boxes of a pass, or nothing after a message naming the box that does not convert.
    std::optional<jobs::ModulePassSettings> fields();
    // A pass job whose modules show in the window as the commands of each step do.
    std::unique_ptr<jobs::ModulePass> newPass();
    // False, said on the status line, when the port is closed.
    void reportNotes(const QString &command, const QStringList &notes);

    PanelContext &m_ctx;
    LiveValuesPanel &m_live;
    RecordCountPanel &m_count;
    RecordReadPanel &m_read;
    std::optional<CommandCancel> m_running;  // the cancel of the pass or loop under way
};
