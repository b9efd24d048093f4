// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Which receipt the shop prints: the receipt window's face on a page, or the 80 mm roll receipt.
// The choice is kept in a file of its own beside edit.txt, so edit.txt keeps its fourteen lines.
namespace ReceiptLayout
{

enum class Kind { Page, Roll80 };

QString defaultFileName(); // receipt-layout.txt in the program's data folder

// The page receipt when the file is missing or holds anything else.
Kind read(const QString &fileName = defaultFileName());
bool write(Kind kind, const QString &fileName = defaultFileName(), QString *error = nullptr);

} // namespace ReceiptLayout
