// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/ReceiptLayout.h"

#include <QDialog>
#include <memory>

class PrintSurface;
class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QMenuBar;
class QPrintPreviewDialog;
class QRadioButton;

namespace Ui
{
class PForm;
}

// The receipt settings window and, at once, the face of the receipt: the shop's texts, logo and
// number of copies, kept in edit.txt. The main window runs it modally (`PForm form(owner);
// form.exec();`): it reads edit.txt when it is built and writes it back however it closes. Receipt
// printing builds one hidden, fills in the job and prints it.
class PForm : public QDialog
{
    Q_OBJECT

public:
    explicit PForm(QWidget *parent = nullptr);
    ~PForm() override;

    // Reads edit.txt into the boxes, as far as the file goes. Returns the number of copies it
    // asks for (0 when the file is missing or its first line is empty).
    double readSettings();
    // Writes edit.txt from the boxes; false (with the reason) when the file cannot be written.
    bool writeSettings(QString *error = nullptr) const;

    // 1, 2 or 3 for the chosen copies option; 0 for none.
    int copiesOption() const;
    void setCopiesOption(int copies);
    QString logoPath() const { return m_logoPath; }
    // Shows or hides the copies group box and its three options.
    void setCopiesGroupVisible(bool visible);
    QWidget *shamsi1() const { return m_shamsi1; }

    // Picks a logo through the file dialog (a click on the picture does this).
    void pickLogo();
    // Prints the receipt as it stands, in the chosen layout; a failure is not reported.
    void printFace();
    // The same pages in Qt's print preview (it deletes itself when closed).
    QPrintPreviewDialog *previewFace();

    // The 80 mm roll receipt instead of the window's face ("رسيد 80 ميلي متري" in the File menu).
    bool rollReceipt() const;
    void setRollReceipt(bool roll);
    // The device label's size, chosen in the File menu and kept in label-size.txt.
    ReceiptLayout::LabelSize labelSize() const;
    // The number the roll receipt's barcode encodes; receipt printing sets it with the job.
    void setReceiptNumber(qint64 number) { m_receiptNumber = number; }
    // Draws one copy of the receipt in the chosen layout; the caller ends the document.
    bool printOn(PrintSurface &surface);

    // Closing the window in any way writes edit.txt.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenu();
    void placeControls();
    void configureFocus();
    void centre();
    void unload();
    bool loadLogo(const QString &fileName);

    std::unique_ptr<Ui::PForm> ui;
    QMenuBar *m_menuBar;
    QWidget *m_shamsi1 = nullptr; // today's date; hidden on a printed receipt
    QString m_logoPath;
    QAction *m_roll80 = nullptr;
    QActionGroup *m_labelSizes = nullptr;
    qint64 m_receiptNumber = 0;
};
