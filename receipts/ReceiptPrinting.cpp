// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/ReceiptPrinting.h"

#include "platform/BidiText.h"
#include "platform/LatinDigits.h"
#include "platform/MessageBox.h"
#include "receipts/PForm.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptSettings.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace ReceiptPrinting
{

namespace
{

void setText(PForm &form, const char *name, const QString &text)
{
    if (auto *box = form.findChild<QLineEdit *>(QLatin1String(name)))
        box->setText(text);
    else if (auto *label = form.findChild<QLabel *>(QLatin1String(name)))
        label->setText(text);
}

// What the clerk is told when edit.txt's copies line is not 1, 2 or 3; empty when it is, or when
// edit.txt cannot be read.
QString copiesProblem(double copies)
{
    if (copies == 1 || copies == 2 || copies == 3)
        return QString();
    ReceiptSettings settings;
    if (!settings.read(ReceiptSettings::defaultFileName()))
        return QString();
    const QString line = settings.value(ReceiptSettings::Copies);
    if (line.trimmed().isEmpty())
        return QStringLiteral("در تنظيمات رسيد تعداد نسخه انتخاب نشده است؛ رسيدي چاپ نمي شود.\n"
                              "کار ذخيره مي شود. تعداد نسخه را در پنجره تنظيمات رسيد انتخاب کنيد.");
    const QString printed =
        copies >= 1 ? QStringLiteral("%1 نسخه رسيد چاپ مي شود").arg(int(copies)) : QStringLiteral("رسيدي چاپ نمي شود");
    return QStringLiteral("سطر اول فايل edit.txt (تعداد نسخه) «%1» است و بايد 1، 2 يا 3 باشد؛ %2.\n"
                          "کار ذخيره مي شود. تعداد نسخه را در پنجره تنظيمات رسيد دوباره انتخاب کنيد.")
        .arg(line, printed);
}

} // namespace

QString todayText(const PForm &form)
{
    // The date of the main window's clock, which the whole program shows.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *shams = window->findChild<Sorvan::Shamsi *>(QStringLiteral("Shams")))
            return shams->Tarikh();
    }
    // Without one, the receipt window's own control, asked now: it would fill itself only once
    // events run, and a hidden receipt window is printed before that.
    if (auto *own = qobject_cast<Sorvan::Shamsi *>(form.shamsi1())) {
        own->refresh();
        return own->Tarikh();
    }
    return QString();
}

void fill(PForm &form, const ReceiptJob &job)
{
    setText(form, "Text2", QStringLiteral("شماره:") + QString::number(job.number));
    setText(form, "Label1", QStringLiteral("تاريخ:") + todayText(form));
    setText(form, "Label2", LatinDigits::timeOfDay(Sorvan::Clock::now().time()));
    if (!job.name.isEmpty())
        setText(form, "Text5", QStringLiteral("نام:") + job.name);
    if (!job.device.isEmpty())
        setText(form, "Text6", QStringLiteral("نام و مدل دستگاه:") + job.device);
    setText(form, "Text10", QStringLiteral("تاريخ ورود به تعميرگاه:") + ReceiptJob::dateText(job.dateIn));
    setText(form, "Text11", QStringLiteral("تاريخ تحويل:") + ReceiptJob::dateText(job.dateOut));
    setText(form, "Text7", QStringLiteral("لوازم جانبي:") + job.accessories);
    setText(form, "Text8", QStringLiteral("حداقل هزينه:") + QString::number(job.minimumCharge));
    setText(form, "Text9", QStringLiteral("بيعانه:") + QString::number(job.deposit));
    setText(form, "Text13", QStringLiteral("توضيحات:") + job.description);
    if (form.shamsi1())
        form.shamsi1()->hide();
    form.setReceiptNumber(job.number);
}

bool print(QWidget *owner, const ReceiptJob &job)
{
    const QString settingsFile = ReceiptSettings::defaultFileName();
    const bool firstReceipt = !QFileInfo::exists(settingsFile);
    // A receipt window of its own, never shown: edit.txt is read as it is built, so a change saved
    // in the settings window shows on the next receipt.
    PForm form(owner);
    const double copies = form.readSettings();
    if (firstReceipt) {
        // A fresh data folder: the clerk must not believe a receipt printed. The settings window's
        // own texts become edit.txt, ready to be filled in there.
        QString error;
        const QString folder = isolated(QDir::toNativeSeparators(QFileInfo(settingsFile).absolutePath()));
        if (form.writeSettings(&error)) {
            MessageBox::show(owner,
                             QStringLiteral("فايل تنظيمات رسيد (%1) نبود؛ رسيدي چاپ نمي شود.\n"
                                            "اين فايل با متن هاي پيش فرض در پوشه %2 ساخته شد. کار ذخيره مي شود.\n"
                                            "متن ها و تعداد نسخه را در پنجره تنظيمات رسيد انتخاب کنيد.")
                                 .arg(isolated(QStringLiteral("edit.txt")), folder),
                             MessageBox::Icon::Exclamation);
        } else {
            MessageBox::failure(owner,
                                QStringLiteral("فايل تنظيمات رسيد (%1) نبود و در پوشه %2 ساخته نشد؛ رسيدي چاپ نمي "
                                               "شود. کار ذخيره مي شود.")
                                    .arg(isolated(QStringLiteral("edit.txt")), folder),
                                error, MessageBox::Icon::Exclamation);
        }
    } else if (const QString problem = copiesProblem(copies); !problem.isEmpty()) {
        MessageBox::show(owner, problem, MessageBox::Icon::Exclamation);
    }
    fill(form, job);
    form.setCopiesGroupVisible(false);

    bool sent = true;
    PrintSurface &surface = Printer::surface();
    for (int copy = 1; copy <= copies; ++copy) {
        if (!form.printOn(surface) || !surface.endDoc()) {
            MessageBox::failure(owner, QStringLiteral("خطاي ارسال به پرينتر"), surface.lastError(),
                                MessageBox::Icon::None);
            sent = false;
            break;
        }
    }
    form.setCopiesGroupVisible(true);
    return sent;
}

} // namespace ReceiptPrinting
