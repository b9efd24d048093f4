// SPDX-License-Identifier: Apache-2.0
// Prints today's solar date as the installed date control shows it, read right after the control is
// made and before any event loop has run; fails when the control and the conversion disagree.
// Every installed header is included, so each one is held to the consumer's strict flags.
#include <sorvan/CheckedPropertyWidget.h>
#include <sorvan/Clock.h>
#include <sorvan/PropertyBag.h>
#include <sorvan/Shamsi.h>
#include <sorvan/ShamsiFactory.h>
#include <sorvan/SolarCalendar.h>
#include <sorvan/sorvan_export.h>

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Sorvan::Shamsi control;
    const QDate gregorian = QDate::currentDate();
    const Sorvan::SolarDate today = Sorvan::solarFromGregorian(gregorian);
    const QString expected = QString::asprintf("%04d/%02d/%02d", today.year, today.month, today.day);
    QTextStream(stdout) << control.Tarikh() << Qt::endl;
    return control.Tarikh() == expected && control.date() == gregorian && control.setProperty("BorderStyle", short(1))
               ? 0
               : 1;
}
