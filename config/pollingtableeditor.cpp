#include "config/pollingtableeditor.h"
#include "config/devicecommand.h"
#include <QGroupBox>

PollingTableEditor::PollingTableEditor(PanelContext &ctx, QWidget *window) : QObject(window)
{
    setObjectName(QStringLiteral("pollingTableEditor"));
    for (const polling::Group &g : polling::groups()) {
        auto *frame = window->findChild<QGroupBox *>(g.frame);
        Q_ASSERT_X(frame, "PollingTableEditor", "a frame of the polling table is missing");
        panels[g.k] = new PollingTablePanel(ctx, *this, g, frame);
        fillFrame(frame, panels[g.k]);
    }
}

PollingTablePanel *PollingTableEditor::panelOfBox(int i) const
{
    return panels[polling::groupOfBox(i).k];
}

void PollingTableEditor::cmdReadP_Click(int i)
{
    if (i >= 0 && i < polling::BoxCount)
        panelOfBox(i)->cmdReadP_Click(i);
}

void PollingTableEditor::cmdWriteP_Click(int i)
{
    if (i >= 0 && i < polling::BoxCount)
        panelOfBox(i)->cmdWriteP_Click(i);
}

void PollingTableEditor::cmdReadAlarm_Click(int k)
{
    if (k >= 0 && k < int(cmdReadAlarm.size()))
        panels[k]->cmdReadAlarm_Click();
}

void PollingTableEditor::cmdSetAll_Click(int k)
{
    if (k >= 0 && k < int(cmdSetAll.size()))
        panels[k]->cmdSetAll_Click();
}

void PollingTableEditor::cmdCurrentSet_Click(int k)
{
    if (k < 0 || k >= polling::PresetCount)
        return;
    for (PollingTablePanel *p : panels)
        p->cmdCurrentSet_Click(k);  // a panel without preset k ignores it
}

void PollingTableEditor::cmdWriteEEp_Click(int k)
{
    if (k >= 0 && k < int(panels.size()))
        panels[k]->cmdWriteEEp_Click();
}
