// Prints today's solar date as the installed date control shows it; fails when the control and the
// conversion disagree.
#include <sorvan/Shamsi.h>
#include <sorvan/SolarCalendar.h>

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Sorvan::Shamsi control;
    control.refresh();
    const Sorvan::SolarDate today = Sorvan::solarFromGregorian(QDate::currentDate());
    const QString expected = QString::asprintf("%04d/%02d/%02d", today.year, today.month, today.day);
    QTextStream(stdout) << control.Tarikh() << Qt::endl;
    return control.Tarikh() == expected && control.setProperty("BorderStyle", short(1)) ? 0 : 1;
}
