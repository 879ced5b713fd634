#pragma once
#include "panels/config/pollingtablepanel.h"
#include <QObject>
#include <array>

// The polling-table editor: the six group panels in their frames on the tabs "仪器设置" and
// "扩展设置", and the control arrays they share. The handlers of the arrays go to the group that
// owns the index.
class PollingTableEditor : public QObject, public PollingTableControls {
    Q_OBJECT
public:
    // Finds each group's frame by its name among the window's children.
    PollingTableEditor(PanelContext &ctx, QWidget *window);

    std::array<PollingTablePanel *, 6> panels{};

    void cmdReadP_Click(int i);
    void cmdWriteP_Click(int i);
    void cmdReadAlarm_Click(int k);
    void cmdSetAll_Click(int k);
    void cmdCurrentSet_Click(int k);
    void cmdWriteEEp_Click(int k);

private:
    PollingTablePanel *panelOfBox(int i) const;
};
