// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSizeF>
#include <QString>

// Which receipt the shop prints: the receipt window's face on a page, or the 80 mm roll receipt;
// and the size of the device labels. Each choice is kept in a file of its own beside edit.txt, so
// edit.txt keeps its fourteen lines.
namespace ReceiptLayout
{

enum class Kind { Page, Roll80 };

QString defaultFileName(); // receipt-layout.txt in the program's data folder

// The page receipt when the file is missing or holds anything else.
Kind read(const QString &fileName = defaultFileName());
bool write(Kind kind, const QString &fileName = defaultFileName(), QString *error = nullptr);

// The label rolls label printers take for a phone; the first is the default.
enum class LabelSize { Mm50x30, Mm40x25, Mm60x40 };
constexpr LabelSize LabelSizes[] = {LabelSize::Mm50x30, LabelSize::Mm40x25, LabelSize::Mm60x40};

QString labelFileName(); // label-size.txt in the program's data folder
QSizeF millimetres(LabelSize size);
QString labelWord(LabelSize size); // "50x30", as the file holds it and the menu shows it

// 50 x 30 when the file is missing or holds anything else.
LabelSize readLabelSize(const QString &fileName = labelFileName());
bool writeLabelSize(LabelSize size, const QString &fileName = labelFileName(), QString *error = nullptr);

} // namespace ReceiptLayout
