// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/PForm.h"
#include "ui_PForm.h"

#include "platform/BidiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "receipts/PrintPreview.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptLayout.h"
#include "receipts/ReceiptSettings.h"
#include "receipts/RollReceipt.h"
#include "solardate/ShamsiFactory.h"

#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace
{

constexpr int ClientWidth = 11685;
constexpr int ClientHeight = 8220;

enum class Align { None, Right, Center };

struct Place {
    const char *name;
    int left, top, width, height;
    double fontPoints; // 0: the control shows no text of its own
    Align align;
    bool rightToLeft;
};

// Top to bottom, in twips from the top left of the client area.
const Place Layout[] = {
    {"Shape1", 360, 240, 10935, 1575, 0, Align::None, false},
    {"Text2", 500, 360, 1770, 375, 9, Align::Right, true},
    {"Shamsi1", 2520, 360, 1095, 375, 9, Align::None, false},
    {"Text1", 4080, 360, 3855, 495, 15.75, Align::Center, false},
    {"Image1", 9120, 360, 1935, 1335, 0, Align::None, false},
    {"Label1", 495, 840, 1770, 375, 9, Align::Right, true},
    {"Text3", 4440, 960, 3135, 495, 11.25, Align::Center, false},
    {"Label2", 480, 1320, 1215, 375, 9, Align::Right, false},
    {"Label3", 1695, 1320, 570, 375, 9, Align::Right, true},
    {"Text4", 480, 1920, 10695, 495, 14.25, Align::Center, false},
    {"Text13", 960, 2670, 3135, 1080, 9, Align::Right, true},
    {"Text5", 7560, 2715, 3375, 360, 9, Align::Right, true},
    {"Text7", 4680, 2745, 2415, 360, 9, Align::Right, true},
    {"Text6", 7560, 3070, 3375, 360, 9, Align::Right, true},
    {"Text8", 4575, 3070, 2535, 360, 9, Align::Right, true},
    {"Text9", 4680, 3400, 2415, 360, 9, Align::Right, true},
    {"Text10", 7560, 3450, 3375, 360, 9, Align::Right, true},
    {"Text11", 7530, 3800, 3375, 360, 9, Align::Right, true},
    {"Shape2", 360, 4560, 5175, 1455, 0, Align::None, false},
    {"Text16", 6600, 4560, 4500, 390, 11.25, Align::Right, true},
    {"Text12", 480, 4680, 4935, 1215, 8.25, Align::Right, true},
    {"Text17", 6600, 4920, 4500, 390, 11.25, Align::Right, true},
    {"Text20", 6600, 5280, 4500, 390, 11.25, Align::Right, true},
    {"Text21", 6600, 5640, 4500, 390, 11.25, Align::Right, true},
    {"Text14", 120, 6330, 11175, 390, 11.25, Align::Center, true},
    {"Text15", 120, 6690, 11175, 390, 11.25, Align::Center, true},
    {"Frame1", 480, 7080, 2055, 1000, 8.25, Align::Right, true},
    {"Text19", 120, 7080, 11175, 495, 11.25, Align::Center, true},
    // The round mark of an option sits at its right, as a right-to-left option has it.
    {"Option1", 720, 7320, 1215, 255, 8.25, Align::Right, true},
    {"Option2", 720, 7560, 1215, 255, 8.25, Align::Right, true},
    {"Option3", 720, 7800, 1215, 255, 8.25, Align::Right, true},
    {"Text18", 0, 7560, 11295, 500, 11.25, Align::Center, false},
};

} // namespace

PForm::PForm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::PForm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("PForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_shamsi1 = Sorvan::createObject(QStringLiteral("Sorvan.Shamsi"), ui->client);
    if (m_shamsi1)
        m_shamsi1->setObjectName(QStringLiteral("Shamsi1"));
    createMenu();
    placeControls();
    configureFocus();

    // Window load: centre, select the greeting, read the receipt texts.
    centre();
    ui->Text4->setFocus();
    ui->Text4->selectAll();
    readSettings();
}

PForm::~PForm() = default;

void PForm::createMenu()
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));
    QMenu *file = m_menuBar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("file"));
    QAction *exit = file->addAction(QStringLiteral("بازگشت"));
    exit->setObjectName(QStringLiteral("exit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(exit); // the shortcut works while the menu is closed
    QAction *print = file->addAction(QStringLiteral("print"));
    print->setObjectName(QStringLiteral("print"));
    QAction *preview = file->addAction(QStringLiteral("پيش نمايش چاپ"));
    preview->setObjectName(QStringLiteral("preview"));
    file->addSeparator();
    m_roll80 = file->addAction(QStringLiteral("رسيد 80 ميلي متري"));
    m_roll80->setObjectName(QStringLiteral("roll80"));
    m_roll80->setCheckable(true);
    m_roll80->setChecked(ReceiptLayout::read() == ReceiptLayout::Kind::Roll80);
    // The device label the job window prints (Ctrl+L there) on a label printer's roll.
    QMenu *labels = file->addMenu(QStringLiteral("اندازه برچسب دستگاه"));
    labels->setObjectName(QStringLiteral("labelSize"));
    auto *sizes = new QActionGroup(labels);
    const ReceiptLayout::LabelSize chosen = ReceiptLayout::readLabelSize();
    for (ReceiptLayout::LabelSize size : ReceiptLayout::LabelSizes) {
        const QSizeF mm = ReceiptLayout::millimetres(size);
        // Read from the right, as the menu is: width first.
        QAction *item = labels->addAction(QStringLiteral("%1 در %2 ميلي متر").arg(mm.width()).arg(mm.height()));
        item->setObjectName(QStringLiteral("label") + ReceiptLayout::labelWord(size));
        item->setCheckable(true);
        item->setChecked(size == chosen);
        item->setData(int(size));
        sizes->addAction(item);
    }
    m_labelSizes = sizes;
    connect(exit, &QAction::triggered, this, &QDialog::close);
    connect(print, &QAction::triggered, this, &PForm::printFace);
    connect(preview, &QAction::triggered, this, &PForm::previewFace);
}

void PForm::placeControls()
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, Twips::toPixels(ClientWidth), menuHeight);
    ui->client->setGeometry(0, menuHeight, Twips::toPixels(ClientWidth), Twips::toPixels(ClientHeight));
    setFixedSize(Twips::toPixels(ClientWidth), menuHeight + Twips::toPixels(ClientHeight));

    for (const Place &place : Layout) {
        auto *control = ui->client->findChild<QWidget *>(QLatin1String(place.name));
        if (!control)
            continue;
        Twips::place(control, place.left, place.top, place.width, place.height);
        control->setLayoutDirection(place.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        if (place.fontPoints > 0) {
            QFont font = control->font();
            // Tahoma when the machine has it; the program's own Persian font otherwise.
            if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
                font.setFamily(QStringLiteral("Tahoma"));
            font.setPointSizeF(place.fontPoints);
            font.setBold(false);
            control->setFont(font);
        }
        const Qt::Alignment horizontal =
            place.align == Align::Center ? Qt::AlignHCenter : Qt::AlignRight | Qt::AlignAbsolute;
        if (place.align == Align::None)
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setAlignment(horizontal | Qt::AlignVCenter);
        else if (auto *label = qobject_cast<QLabel *>(control))
            label->setAlignment(horizontal | Qt::AlignVCenter);
        else if (auto *box = qobject_cast<QGroupBox *>(control))
            box->setAlignment(horizontal);
        else if (auto *text = qobject_cast<QPlainTextEdit *>(control)) {
            QTextOption option = text->document()->defaultTextOption();
            option.setAlignment(horizontal);
            text->document()->setDefaultTextOption(option);
        }
    }
    // The copies options lie over their group box and over the two bottom lines.
    ui->Frame1->raise();
    for (QRadioButton *option : {ui->Option1, ui->Option2, ui->Option3}) {
        option->setAutoFillBackground(true);
        option->raise();
    }
    ui->Text12->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->Text12->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->Label2->setAutoFillBackground(true);
    ui->Label3->setAutoFillBackground(true);
}

void PForm::configureFocus()
{
    // The job's boxes are filled by receipt printing, not typed in; Tab passes them by.
    for (QLineEdit *box :
         {ui->Text2, ui->Text5, ui->Text6, ui->Text7, ui->Text8, ui->Text9, ui->Text10, ui->Text11, ui->Text13})
        box->setFocusPolicy(Qt::ClickFocus);
    const QList<QWidget *> order{ui->Text4,  ui->Text16,  ui->Text17,  ui->Text20,  ui->Text21,
                                 ui->Text14, ui->Text15,  ui->Text19,  ui->Text18,  ui->Text12,
                                 ui->Text1,  ui->Option1, ui->Option2, ui->Option3, ui->Text3};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget *box :
         {static_cast<QWidget *>(ui->Text1), static_cast<QWidget *>(ui->Text4), static_cast<QWidget *>(ui->Text12),
          static_cast<QWidget *>(ui->Text14), static_cast<QWidget *>(ui->Text15), static_cast<QWidget *>(ui->Text16),
          static_cast<QWidget *>(ui->Text17), static_cast<QWidget *>(ui->Text18), static_cast<QWidget *>(ui->Text19),
          static_cast<QWidget *>(ui->Text20), static_cast<QWidget *>(ui->Text21)})
        box->installEventFilter(this);
    ui->Image1->installEventFilter(this);
}

void PForm::centre()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

bool PForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Image1) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            pickLogo();
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        // After the focus change is done, so a click that brought the focus does not undo it.
        QTimer::singleShot(0, watched, [watched] {
            if (auto *line = qobject_cast<QLineEdit *>(watched))
                line->selectAll();
            else if (auto *text = qobject_cast<QPlainTextEdit *>(watched))
                text->selectAll();
        });
    }
    return false;
}

double PForm::readSettings()
{
    ReceiptSettings settings;
    if (!settings.read(ReceiptSettings::defaultFileName()))
        return 0;
    ui->Frame1->show();
    if (settings.has(ReceiptSettings::Copies)) {
        const double copies = settings.copies();
        setCopiesOption(copies == 1 || copies == 2 || copies == 3 ? int(copies) : 0);
    }
    QLineEdit *const lines[] = {ui->Text1,  ui->Text3, ui->Text4,  ui->Text16, ui->Text17, ui->Text20,
                                ui->Text21, nullptr,   ui->Text14, ui->Text15, ui->Text19, ui->Text18};
    for (int field = ReceiptSettings::ShopName; field <= ReceiptSettings::WebAddress; ++field) {
        const auto which = ReceiptSettings::Field(field);
        if (!settings.has(which))
            return settings.copies();
        if (QLineEdit *box = lines[field - ReceiptSettings::ShopName])
            box->setText(settings.value(which));
        else
            ui->Text12->setPlainText(settings.value(which));
    }
    if (settings.has(ReceiptSettings::LogoPath)) {
        m_logoPath = settings.value(ReceiptSettings::LogoPath);
        if (m_logoPath.isEmpty())
            ui->Image1->clear();
        else
            loadLogo(m_logoPath);
    }
    update();
    return settings.copies();
}

bool PForm::writeSettings(QString *error) const
{
    ReceiptSettings settings;
    const int copies = copiesOption();
    settings.set(ReceiptSettings::Copies, copies ? QString::number(copies) : QString());
    settings.set(ReceiptSettings::ShopName, ui->Text1->text());
    settings.set(ReceiptSettings::Title, ui->Text3->text());
    settings.set(ReceiptSettings::Greeting, ui->Text4->text());
    settings.set(ReceiptSettings::Advert1, ui->Text16->text());
    settings.set(ReceiptSettings::Advert2, ui->Text17->text());
    settings.set(ReceiptSettings::Advert3, ui->Text20->text());
    settings.set(ReceiptSettings::Advert4, ui->Text21->text());
    settings.set(ReceiptSettings::Terms, ReceiptSettings::termsForFile(ui->Text12->toPlainText()));
    settings.set(ReceiptSettings::RepairAddress, ui->Text14->text());
    settings.set(ReceiptSettings::StoreAddress, ui->Text15->text());
    settings.set(ReceiptSettings::CustomerService, ui->Text19->text());
    settings.set(ReceiptSettings::WebAddress, ui->Text18->text());
    settings.set(ReceiptSettings::LogoPath, m_logoPath);
    return settings.write(ReceiptSettings::defaultFileName(), error);
}

int PForm::copiesOption() const
{
    if (ui->Option1->isChecked())
        return 1;
    if (ui->Option2->isChecked())
        return 2;
    if (ui->Option3->isChecked())
        return 3;
    return 0;
}

void PForm::setCopiesOption(int copies)
{
    const QList<QRadioButton *> options{ui->Option1, ui->Option2, ui->Option3};
    // Exclusive options cannot all be cleared while exclusive.
    for (QRadioButton *option : options)
        option->setAutoExclusive(false);
    for (int i = 0; i < options.size(); ++i)
        options[i]->setChecked(copies == i + 1);
    for (QRadioButton *option : options)
        option->setAutoExclusive(true);
}

void PForm::setCopiesGroupVisible(bool visible)
{
    for (QWidget *control : {static_cast<QWidget *>(ui->Frame1), static_cast<QWidget *>(ui->Option1),
                             static_cast<QWidget *>(ui->Option2), static_cast<QWidget *>(ui->Option3)})
        control->setVisible(visible);
}

bool PForm::loadLogo(const QString &fileName)
{
    QImageReader reader(fileName);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    ui->Image1->setPixmap(QPixmap::fromImage(image));
    return true;
}

void PForm::pickLogo()
{
    m_logoPath = FileDialog::getOpenFileName(this, QString(), QString(),
                                             QStringLiteral("*.jpg;;Pictures (*.jpg *.jpeg *.png *.bmp *.gif)"));
    if (!m_logoPath.isEmpty())
        loadLogo(m_logoPath);
}

bool PForm::rollReceipt() const
{
    return m_roll80->isChecked();
}

void PForm::setRollReceipt(bool roll)
{
    m_roll80->setChecked(roll);
}

bool PForm::printOn(PrintSurface &surface)
{
    if (!rollReceipt())
        return surface.printForm(this);
    const RollReceipt::Layout roll = RollReceipt::layOut(this, m_receiptNumber);
    return surface.printRoll(roll.items, roll.page);
}

void PForm::printFace()
{
    PrintSurface &surface = Printer::surface();
    if (printOn(surface))
        surface.endDoc();
}

QPrintPreviewDialog *PForm::previewFace()
{
    const QSizeF rollPage = rollReceipt() ? RollReceipt::layOut(this, m_receiptNumber).page : QSizeF();
    return PrintPreview::open(
        this, [this](PrintSurface &surface, bool) { return printOn(surface); }, rollPage);
}

ReceiptLayout::LabelSize PForm::labelSize() const
{
    const QAction *checked = m_labelSizes->checkedAction();
    return checked ? ReceiptLayout::LabelSize(checked->data().toInt()) : ReceiptLayout::LabelSize::Mm50x30;
}

void PForm::unload()
{
    QString error;
    const auto layout = rollReceipt() ? ReceiptLayout::Kind::Roll80 : ReceiptLayout::Kind::Page;
    if (ReceiptLayout::read() != layout && !ReceiptLayout::write(layout, ReceiptLayout::defaultFileName(), &error)) {
        MessageBox::show(this, QStringLiteral("انتخاب رسيد 80 ميلي متري ذخيره نشد.\n%1").arg(error),
                         MessageBox::Icon::Critical);
    }
    if (ReceiptLayout::readLabelSize() != labelSize() &&
        !ReceiptLayout::writeLabelSize(labelSize(), ReceiptLayout::labelFileName(), &error)) {
        MessageBox::show(this, QStringLiteral("اندازه برچسب دستگاه ذخيره نشد.\n%1").arg(error),
                         MessageBox::Icon::Critical);
    }
    if (!writeSettings(&error)) {
        MessageBox::failure(this,
                            QStringLiteral("متن رسيد در فايل %1 ذخيره نشد و تغييرات اين پنجره از دست مي رود.")
                                .arg(isolated(QStringLiteral("edit.txt"))),
                            error);
    }
}

void PForm::done(int result)
{
    unload();
    QDialog::done(result);
}
