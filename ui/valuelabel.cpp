#include "ui/valuelabel.h"
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPalette>

namespace {
class ValueLabelInterface : public QAccessibleWidget {
public:
    explicit ValueLabelInterface(QWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *l = static_cast<const QLabel *>(widget());
        switch (t) {
        case QAccessible::Name:
            return l->accessibleName().isEmpty() ? l->text() : l->accessibleName();
        case QAccessible::Value:
            return l->text();
        case QAccessible::Description:
            // Orca and the AT-SPI bridge have no string value for a label: the text rides here.
            return l->accessibleDescription().isEmpty() ? l->text() : l->accessibleDescription();
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface *valueLabelFactory(const QString &, QObject *object)
{
    if (auto *l = qobject_cast<ValueLabel *>(object))
        return new ValueLabelInterface(l);
    return nullptr;
}
} // namespace

ValueLabel::ValueLabel(const QString &text, const QString &accessibleName, QWidget *parent, Announce announce)
    : QLabel(text, parent), m_announce(announce)
{
    static const bool installed = [] {
        QAccessible::installFactory(valueLabelFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(accessibleName);
    setTextFormat(Qt::PlainText);
}

void ValueLabel::setText(const QString &text)
{
    const bool changed = text != QLabel::text();
    QLabel::setText(text);
    if (!changed && m_announce == Announce::Quiet)
        return;
    // Windows (UI Automation) passes a string value change on as the element's new value; the
    // Linux bridge refuses (and complains of) value changes of an element without a numeric value,
    // but passes a description change on. Qt 6.4 forwards an Alert on neither: it is sent for the bridges
    // and tools that listen for it.
#ifdef Q_OS_WIN
    send(QAccessibleValueChangeEvent(this, text));
#endif
    send(QAccessibleEvent(this, QAccessible::DescriptionChanged));
    if (m_announce == Announce::Alert)
        send(QAccessibleEvent(this, QAccessible::Alert));
}

ValueLabel::Listener ValueLabel::s_listener = nullptr;

void ValueLabel::setListener(Listener listener)
{
    s_listener = listener;
}

void ValueLabel::send(QAccessibleEvent &&event)
{
    if (s_listener)
        s_listener(&event);
    QAccessible::updateAccessibility(&event);
}

QColor warningColour(const QPalette &palette)
{
    // Dark red on a light window, a light red on a dark one: both well above 4.5:1.
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(255, 128, 128) : QColor(176, 0, 0);
}

QString warningStyle(const QWidget *widget)
{
    return QStringLiteral("color: %1; font-weight: bold;").arg(warningColour(widget->palette()).name());
}
