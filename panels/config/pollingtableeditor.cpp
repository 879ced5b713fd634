#include "panels/config/pollingtableeditor.h"
#include "ui/registercommands.h"
#include <QGroupBox>

PollingTableEditor::PollingTableEditor(PanelContext &ctx, QWidget *window) : QObject(window)
{
    setObjectName(QStringLiteral("pollingTableEditor"));
    for (const polling::Group &g : polling::groups()) {
        auto *frame = window->findChild<QGroupBox *>(g.frame);
        Q_ASSERT_X(frame, "PollingTableEditor", "a frame of the polling table is missing");
        fillFrame(frame, new PollingTablePanel(ctx, *this, g, frame));
    }
}
