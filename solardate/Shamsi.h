// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "CheckedPropertyWidget.h"
#include "sorvan_export.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QString>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QTimer;
QT_END_NAMESPACE

namespace Sorvan
{

class PropertyBag;

// The date control of the windows: it holds today's solar date from the moment it is created, fills its texts again
// about a millisecond later (after a window has applied any stored state) and keeps them until something writes
// them. The windows read the date from it, never convert one themselves.
class SORVAN_EXPORT Shamsi : public CheckedPropertyWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(short BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(QFont Font READ Font WRITE setFont)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(float FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QString Tarikh READ Tarikh WRITE setTarikh NOTIFY Change)
    Q_PROPERTY(QString Rooz READ Rooz WRITE setRooz)
    Q_PROPERTY(QString Mah READ Mah WRITE setMah)
    Q_PROPERTY(QString Sal READ Sal WRITE setSal)
    Q_PROPERTY(QString Emrooz READ Emrooz WRITE setEmrooz)
    Q_PROPERTY(bool Visible READ Visible WRITE setVisible)

public:
    explicit Shamsi(QWidget *parent = nullptr);
    ~Shamsi() override;

    // Colours, border and font are those of the visible date label.
    QColor BackColor() const;
    void setBackColor(const QColor &color);
    // 0 no border, 1 a single line; any other value is refused (false) and the border stays as it was.
    short BorderStyle() const;
    bool setBorderStyle(short style);
    // The label shows the control's own font, so QWidget::setFont is the setter of Font.
    QFont Font() const { return font(); }
    QString FontName() const;
    // An empty name is refused (false).
    bool setFontName(const QString &name);
    float FontSize() const;
    // A size that is not positive is refused (false).
    bool setFontSize(float points);
    QColor ForeColor() const;
    void setForeColor(const QColor &color);

    // Plain texts: nothing checks that they hold a date. Tarikh is yyyy/mm/dd, Sal four digits, Mah and Rooz two.
    QString Tarikh() const;
    void setTarikh(const QString &text);
    QString Rooz() const;
    void setRooz(const QString &text);
    QString Mah() const;
    void setMah(const QString &text);
    QString Sal() const;
    void setSal(const QString &text);
    // The weekday as one digit: "0" Saturday, "1" Sunday ... "6" Friday.
    QString Emrooz() const;
    void setEmrooz(const QString &text);

    // The Gregorian date of the solar date Tarikh shows; an invalid QDate when Tarikh holds no valid yyyy/mm/dd.
    QDate date() const;

    // The control's own show/hide setting, whether or not its window is on screen.
    bool Visible() const;

    // Fills the texts from today's date and stops the creation timer; the main window calls it when the day changes.
    void refresh();

    // The eleven saved keys, in a fixed order; values equal to their defaults are left out.
    void writeProperties(PropertyBag &bag) const;
    // Applies the keys in that same order, a missing key as its default.
    void readProperties(const PropertyBag &bag);

    QSize sizeHint() const override;

    // Controls alive in this process, for the library's unload check.
    static int instanceCount();

Q_SIGNALS:
    // The date label's text changed (emitted only when the text differs from before).
    void Change();
    void Click();
    // Mouse buttons (1 left, 2 right, 4 middle), keys (1 Shift, 2 Ctrl, 4 Alt) and the position in twips over the
    // date label; passed by value, so a handler cannot change them.
    void MouseMove(short Button, short Shift, float X, float Y);

protected:
    bool canTake(const QMetaProperty &property, const void *value) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createLabels();
    void placeLabel1();
    void startTimer1();
    void fillFromToday();
    void setLabel1Text(const QString &text);
    QLabel *hiddenLabel(const char *name, const QString &text);
    int twipsToPixelsX(int twips) const;
    int twipsToPixelsY(int twips) const;

    QLabel *m_label1 = nullptr; // the visible date text yyyy/mm/dd
    QLabel *m_day = nullptr;
    QLabel *m_mont = nullptr;
    QLabel *m_year = nullptr;
    QLabel *m_roozi = nullptr; // weekday digit, 0 Saturday to 6 Friday
    QTimer *m_timer1 = nullptr;
    bool m_pressed = false;
};

} // namespace Sorvan
