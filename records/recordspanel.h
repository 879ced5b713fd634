#pragma once
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QTextEdit;

// Tab "记录操作": the downloaded records, the decoded lines and the commands on them.
class RecordsPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecordsPanel(QWidget *parent = nullptr);

    // "清空数据区": empties the two data boxes; nothing else.
    void cmdClearShow_Click();

    QWidget *PicCounter;          // progress panel, shown while records are read
    QLabel *lblCountIC;
    QPushButton *cmdDoWithData2;  // "导出数据为记事本TXT"
    QPushButton *cmdClearShow;    // "清空数据区"
    QPushButton *cmdDoWithData;   // "导出数据为EXCEL表格"
    QGroupBox *Frame14_1;         // "有效记录总数（及指针）"
    QGroupBox *Frame15;           // "按记录按条读取（…）"
    QTextEdit *txtHaveDone;
    QTextEdit *txtReceive;
    QLabel *Label2_12;
};
