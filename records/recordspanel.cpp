#include "records/recordspanel.h"
#include "app/tabpages.h"
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {
QTextEdit *dataBox(const QString &name, const QString &accessible, QWidget *parent)
{
    auto *t = new QTextEdit(parent);
    t->setObjectName(name);
    t->setAcceptRichText(false);
    t->setAccessibleName(accessible);
    t->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    t->setLineWrapMode(QTextEdit::WidgetWidth);
    return t;
}
} // namespace

RecordsPanel::RecordsPanel(QWidget *parent) : QWidget(parent)
{
    PicCounter = new QWidget(this);
    PicCounter->setObjectName(QStringLiteral("PicCounter"));
    auto *progress = new QHBoxLayout(PicCounter);
    lblCountIC = new QLabel(QStringLiteral("0"), PicCounter);
    lblCountIC->setObjectName(QStringLiteral("lblCountIC"));
    progress->addWidget(new QLabel(QStringLiteral("系统正在转换处理..."), PicCounter));
    progress->addWidget(new QLabel(QStringLiteral("已处理"), PicCounter));
    progress->addWidget(lblCountIC);
    progress->addWidget(new QLabel(QStringLiteral("条"), PicCounter));
    PicCounter->hide();

    cmdDoWithData2 = new QPushButton(QStringLiteral("导出数据为记事本TXT"), this);
    cmdDoWithData2->setObjectName(QStringLiteral("cmdDoWithData2"));
    cmdClearShow = new QPushButton(QStringLiteral("清空数据区"), this);
    cmdClearShow->setObjectName(QStringLiteral("cmdClearShow"));
    cmdDoWithData = new QPushButton(QStringLiteral("导出数据为EXCEL表格"), this);
    cmdDoWithData->setObjectName(QStringLiteral("cmdDoWithData"));
    // The exports arrive with the export commands; until then the buttons say so by being off.
    cmdDoWithData2->setEnabled(false);
    cmdDoWithData->setEnabled(false);

    Frame14_1 = makeFrame(QStringLiteral("Frame14(1)"), QStringLiteral("有效记录总数（及指针）"), this);
    Frame15 = makeFrame(QStringLiteral("Frame15"),
                        QStringLiteral("按记录按条读取（建议数据量较小及记录未中断过的情况下使用）"), this);
    txtHaveDone = dataBox(QStringLiteral("txtHaveDone"), QStringLiteral("解析后的记录"), this);
    txtReceive = dataBox(QStringLiteral("txtReceive"), QStringLiteral("接收到的记录数据（十六进制）"), this);
    Label2_12 = new QLabel(QStringLiteral("读取记录时，请将设备设置为暂停记录状态"), this);
    Label2_12->setObjectName(QStringLiteral("Label2(12)"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdDoWithData2);
    buttons->addWidget(cmdClearShow);
    buttons->addWidget(cmdDoWithData);
    buttons->addStretch();

    auto *g = new QGridLayout(this);
    g->addWidget(Frame14_1, 0, 0);
    g->addWidget(Frame15, 0, 1);
    g->addLayout(buttons, 1, 0, 1, 2);
    g->addWidget(PicCounter, 2, 0, 1, 2);
    g->addWidget(Label2_12, 3, 0, 1, 2);
    g->addWidget(txtHaveDone, 4, 0);
    g->addWidget(txtReceive, 4, 1);
    g->setRowStretch(4, 1);

    connect(cmdClearShow, &QPushButton::clicked, this, [this] { cmdClearShow_Click(); });
}

void RecordsPanel::cmdClearShow_Click()
{
    txtReceive->clear();
    txtHaveDone->clear();
}
