#pragma once
#include "panels/config/pollingtablepanel.h"
#include <QObject>

// The polling-table editor: the six group panels in their frames on the tabs "仪器设置" and
// "扩展设置", and the control arrays they share. Each group panel connects the buttons it owns.
class PollingTableEditor : public QObject, public PollingTableControls {
    Q_OBJECT
public:
    // Finds each group's frame by its name among the window's children.
    PollingTableEditor(PanelContext &ctx, QWidget *window);
};
