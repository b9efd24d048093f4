// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/ReceiptLayout.h"

#include "jobstore/ProgramValues.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace ReceiptLayout
{

namespace
{
const QByteArray RollWord("80mm");
const QByteArray PageWord("page");
} // namespace

QString defaultFileName()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("receipt-layout.txt"));
}

Kind read(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Page;
    return file.readLine().trimmed() == RollWord ? Kind::Roll80 : Kind::Page;
}

bool write(Kind kind, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write((kind == Kind::Roll80 ? RollWord : PageWord) + "\r\n") < 0 ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ReceiptLayout
