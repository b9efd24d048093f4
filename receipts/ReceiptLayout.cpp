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

QByteArray firstLine(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readLine().trimmed();
}

bool writeLine(const QByteArray &word, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(word + "\r\n") < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

QString defaultFileName()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("receipt-layout.txt"));
}

Kind read(const QString &fileName)
{
    return firstLine(fileName) == RollWord ? Kind::Roll80 : Kind::Page;
}

bool write(Kind kind, const QString &fileName, QString *error)
{
    return writeLine(kind == Kind::Roll80 ? RollWord : PageWord, fileName, error);
}

QString labelFileName()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("label-size.txt"));
}

QSizeF millimetres(LabelSize size)
{
    switch (size) {
    case LabelSize::Mm40x25:
        return QSizeF(40, 25);
    case LabelSize::Mm60x40:
        return QSizeF(60, 40);
    case LabelSize::Mm50x30:
        break;
    }
    return QSizeF(50, 30);
}

QString labelWord(LabelSize size)
{
    const QSizeF mm = millimetres(size);
    return QStringLiteral("%1x%2").arg(mm.width()).arg(mm.height());
}

LabelSize readLabelSize(const QString &fileName)
{
    const QString word = QString::fromLatin1(firstLine(fileName));
    for (LabelSize size : LabelSizes) {
        if (word == labelWord(size))
            return size;
    }
    return LabelSize::Mm50x30;
}

bool writeLabelSize(LabelSize size, const QString &fileName, QString *error)
{
    return writeLine(labelWord(size).toLatin1(), fileName, error);
}

} // namespace ReceiptLayout
