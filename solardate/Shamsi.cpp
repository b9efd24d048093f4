// SPDX-License-Identifier: Apache-2.0
#include "solardate/Shamsi.h"

#include "solardate/Clock.h"
#include "solardate/PropertyBag.h"
#include "solardate/SolarCalendar.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>

#include <atomic>

#include <QMetaProperty>

namespace Sorvan
{

namespace
{

std::atomic<int> liveInstances{0};

// Design geometry in twips (1440 to the inch).
constexpr int DesignWidth = 1200;
constexpr int DesignHeight = 255;
constexpr int Label1Left = 40;
constexpr int Label1RightMargin = DesignWidth - Label1Left - 1095;

const QString InitialTarikh = QStringLiteral("1383/07/18");
const QString InitialPart = QStringLiteral("Label2");
const QString InitialEmrooz = QStringLiteral("0");

// Saved colours are 0x00BBGGRR; a value with the top bit set names a system colour, and the only one the control
// uses is the button face of its default background.
constexpr quint32 SystemButtonFace = 0x8000000F;

quint32 storedColor(const QColor &color)
{
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}

QColor colorFromStored(quint32 value, const QColor &buttonFace)
{
    if (value & 0x80000000u)
        return buttonFace;
    return QColor(int(value & 0xff), int(value >> 8 & 0xff), int(value >> 16 & 0xff));
}

bool isBorderStyle(short style)
{
    return style == 0 || style == 1;
}

bool isFontSize(float points)
{
    return points > 0; // false for NaN, too
}

} // namespace

Shamsi::Shamsi(QWidget *parent) : CheckedPropertyWidget(parent)
{
    ++liveInstances;
    createLabels();
    resize(sizeHint());
    placeLabel1(); // a hidden widget gets no resize event before it is first shown
    // Today's date at once, so a caller reading it before any event loop runs gets no placeholder text.
    fillFromToday();
    startTimer1();
}

Shamsi::~Shamsi()
{
    --liveInstances;
}

int Shamsi::instanceCount()
{
    return liveInstances;
}

void Shamsi::createLabels()
{
    QFont labelFont(QStringLiteral("Times New Roman"));
    labelFont.setPointSizeF(11.25);
    labelFont.setBold(true);
    setFont(labelFont);

    m_label1 = new QLabel(InitialTarikh, this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setAutoFillBackground(true);
    QPalette colors = m_label1->palette();
    colors.setColor(QPalette::Window, palette().color(QPalette::Button));
    colors.setColor(QPalette::WindowText, Qt::black);
    m_label1->setPalette(colors);
    m_label1->setMouseTracking(true); // MouseMove is raised without a button held, too
    m_label1->installEventFilter(this);

    m_day = hiddenLabel("day", InitialPart);
    m_mont = hiddenLabel("mont", InitialPart);
    m_year = hiddenLabel("year", InitialPart);
    m_roozi = hiddenLabel("roozi", InitialEmrooz);
}

QLabel *Shamsi::hiddenLabel(const char *name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

void Shamsi::startTimer1()
{
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &Shamsi::refresh);
    m_timer1->start();
}

void Shamsi::refresh()
{
    fillFromToday();
    m_timer1->stop();
}

void Shamsi::fillFromToday()
{
    setLabel1Text(GregorianToSolar(Clock::today()).remove(QLatin1Char(' ')));

    const QString text = m_label1->text();
    m_day->setText(text.mid(8, 2));
    m_mont->setText(text.mid(5, 2));
    m_year->setText(text.left(4));

    for (int digit = 0; digit <= 6; ++digit) {
        if (text.contains(QStringLiteral("k%1").arg(digit)))
            m_roozi->setText(QString::number(digit));
    }
    for (const char *marker : {"k0", "k2", "k3", "k4", "k5", "k6", "k1"})
        setLabel1Text(m_label1->text().remove(QLatin1String(marker)));
}

void Shamsi::setLabel1Text(const QString &text)
{
    if (m_label1->text() == text)
        return;
    m_label1->setText(text);
    emit Change();
}

QColor Shamsi::BackColor() const
{
    return m_label1->palette().color(QPalette::Window);
}

void Shamsi::setBackColor(const QColor &color)
{
    QPalette colors = m_label1->palette();
    colors.setColor(QPalette::Window, color);
    m_label1->setPalette(colors);
}

short Shamsi::BorderStyle() const
{
    return m_label1->frameShape() == QFrame::NoFrame ? 0 : 1;
}

bool Shamsi::setBorderStyle(short style)
{
    if (!isBorderStyle(style))
        return false;
    m_label1->setFrameStyle(style == 0 ? QFrame::NoFrame : QFrame::Box | QFrame::Plain);
    return true;
}

QString Shamsi::FontName() const
{
    return font().family();
}

bool Shamsi::setFontName(const QString &name)
{
    if (name.isEmpty())
        return false;
    QFont changed = font();
    changed.setFamily(name);
    setFont(changed);
    return true;
}

float Shamsi::FontSize() const
{
    return float(font().pointSizeF());
}

bool Shamsi::setFontSize(float points)
{
    if (!isFontSize(points))
        return false;
    QFont changed = font();
    changed.setPointSizeF(points);
    setFont(changed);
    return true;
}

QColor Shamsi::ForeColor() const
{
    return m_label1->palette().color(QPalette::WindowText);
}

void Shamsi::setForeColor(const QColor &color)
{
    QPalette colors = m_label1->palette();
    colors.setColor(QPalette::WindowText, color);
    m_label1->setPalette(colors);
}

QString Shamsi::Tarikh() const
{
    return m_label1->text();
}

void Shamsi::setTarikh(const QString &text)
{
    setLabel1Text(text);
}

QString Shamsi::Rooz() const
{
    return m_day->text();
}

void Shamsi::setRooz(const QString &text)
{
    m_day->setText(text);
}

QString Shamsi::Mah() const
{
    return m_mont->text();
}

void Shamsi::setMah(const QString &text)
{
    m_mont->setText(text);
}

QString Shamsi::Sal() const
{
    return m_year->text();
}

void Shamsi::setSal(const QString &text)
{
    m_year->setText(text);
}

QString Shamsi::Emrooz() const
{
    return m_roozi->text();
}

void Shamsi::setEmrooz(const QString &text)
{
    m_roozi->setText(text);
}

QDate Shamsi::date() const
{
    const QString text = Tarikh();
    static const QRegularExpression shape(QStringLiteral("^([0-9]{4})/([0-9]{2})/([0-9]{2})$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return {};
    const SolarDate solar{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
    return isValidSolarDate(solar) ? gregorianFromSolar(solar) : QDate();
}

bool Shamsi::Visible() const
{
    return parentWidget() ? isVisibleTo(parentWidget()) : isVisible();
}

void Shamsi::writeProperties(PropertyBag &bag) const
{
    const QColor buttonFace = palette().color(QPalette::Button);
    const QColor back = BackColor();
    bag.write(QStringLiteral("BackColor"), back == buttonFace ? SystemButtonFace : storedColor(back), SystemButtonFace);
    bag.write(QStringLiteral("BorderStyle"), QVariant::fromValue(BorderStyle()), QVariant::fromValue(short(0)));
    bag.write(QStringLiteral("Font"), Font());
    bag.write(QStringLiteral("FontName"), FontName(), QString());
    bag.write(QStringLiteral("FontSize"), FontSize(), 0.0f);
    bag.write(QStringLiteral("ForeColor"), storedColor(ForeColor()), quint32(0));
    bag.write(QStringLiteral("Tarikh"), Tarikh(), InitialTarikh);
    bag.write(QStringLiteral("Rooz"), Rooz(), InitialPart);
    bag.write(QStringLiteral("Mah"), Mah(), InitialPart);
    bag.write(QStringLiteral("Sal"), Sal(), InitialPart);
    bag.write(QStringLiteral("Emrooz"), Emrooz(), InitialEmrooz);
}

void Shamsi::readProperties(const PropertyBag &bag)
{
    const QColor buttonFace = palette().color(QPalette::Button);
    // The ambient font: the one the hosting window would hand its controls.
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();

    setBackColor(colorFromStored(bag.read(QStringLiteral("BackColor"), SystemButtonFace).toUInt(), buttonFace));
    setBorderStyle(short(bag.read(QStringLiteral("BorderStyle"), QVariant::fromValue(short(0))).toInt()));
    setFont(bag.read(QStringLiteral("Font"), ambient).value<QFont>());
    // Empty name and zero size are the stored defaults; the label refuses both, so the font above stays.
    setFontName(bag.read(QStringLiteral("FontName"), QString()).toString());
    setFontSize(bag.read(QStringLiteral("FontSize"), 0.0f).toFloat());
    setForeColor(colorFromStored(bag.read(QStringLiteral("ForeColor"), quint32(0)).toUInt(), buttonFace));
    setTarikh(bag.read(QStringLiteral("Tarikh"), InitialTarikh).toString());
    setRooz(bag.read(QStringLiteral("Rooz"), InitialPart).toString());
    setMah(bag.read(QStringLiteral("Mah"), InitialPart).toString());
    setSal(bag.read(QStringLiteral("Sal"), InitialPart).toString());
    setEmrooz(bag.read(QStringLiteral("Emrooz"), InitialEmrooz).toString());
}

QSize Shamsi::sizeHint() const
{
    return {twipsToPixelsX(DesignWidth), twipsToPixelsY(DesignHeight)};
}

bool Shamsi::canTake(const QMetaProperty &property, const void *value) const
{
    // Mirrors the refusals of the setters, which cannot tell a write by name that they dropped its value.
    const QByteArrayView name(property.name());
    if (name == "BorderStyle")
        return isBorderStyle(*static_cast<const short *>(value));
    if (name == "FontSize")
        return isFontSize(*static_cast<const float *>(value));
    if (name == "FontName")
        return !static_cast<const QString *>(value)->isEmpty();
    return true;
}

bool Shamsi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_label1)
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click =
            m_pressed && mouse->button() == Qt::LeftButton && m_label1->rect().contains(mouse->position().toPoint());
        m_pressed = false;
        if (click)
            emit Click();
        break;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        short button = 0;
        if (mouse->buttons() & Qt::LeftButton)
            button |= 1;
        if (mouse->buttons() & Qt::RightButton)
            button |= 2;
        if (mouse->buttons() & Qt::MiddleButton)
            button |= 4;
        short shift = 0;
        if (mouse->modifiers() & Qt::ShiftModifier)
            shift |= 1;
        if (mouse->modifiers() & Qt::ControlModifier)
            shift |= 2;
        if (mouse->modifiers() & Qt::AltModifier)
            shift |= 4;
        const QPointF pos = mouse->position();
        emit MouseMove(button, shift, float(pos.x() * 1440 / logicalDpiX()), float(pos.y() * 1440 / logicalDpiY()));
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Shamsi::resizeEvent(QResizeEvent *event)
{
    placeLabel1();
    QWidget::resizeEvent(event);
}

void Shamsi::placeLabel1()
{
    // The label keeps its design margins when a window gives the control another size.
    const int left = twipsToPixelsX(Label1Left);
    m_label1->setGeometry(left, 0, qMax(0, width() - left - twipsToPixelsX(Label1RightMargin)), height());
}

int Shamsi::twipsToPixelsX(int twips) const
{
    return qRound(twips * logicalDpiX() / 1440.0);
}

int Shamsi::twipsToPixelsY(int twips) const
{
    return qRound(twips * logicalDpiY() / 1440.0);
}

} // namespace Sorvan
