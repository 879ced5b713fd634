#pragma once
#include <QLabel>

class QAccessibleEvent;
class QPalette;

// A label that shows a changing value or message (a counter, a reading, the status line). Its
// accessible name says what it is; assistive technology gets what it shows as its Value (and as its
// Description, which the Linux bridge passes on), and hears each change. Set the text through this
// class, never through a QLabel pointer: QLabel::setText is not virtual.
class ValueLabel : public QLabel {
    Q_OBJECT
public:
    // Quiet: a change is sent as a value change. Alert: every text set is announced, the same text
    // again too (a refused command repeated must be heard again).
    enum class Announce { Quiet, Alert };

    ValueLabel(const QString &text, const QString &accessibleName, QWidget *parent = nullptr,
               Announce announce = Announce::Quiet);

    void setText(const QString &text);
    void clear() { setText(QString()); }

    // Hears every event this class sends, whether or not assistive technology is active: Qt drops
    // them while none is (always so on the offscreen platform of the tests).
    using Listener = void (*)(QAccessibleEvent *event);
    static void setListener(Listener listener);

private:
    void send(QAccessibleEvent &&event);

    Announce m_announce;
    static Listener s_listener;
};

// A warning colour that reads on the palette's window colour, light or dark.
QColor warningColour(const QPalette &palette);
// The style sheet of a warning text (bold, in the warning colour) for a widget's palette.
QString warningStyle(const QWidget *widget);
