// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The receipt texts kept in edit.txt, one field a line in a fixed order. The file is Windows-1256
// with CR LF after every line, as the shop's earlier program wrote and reads it; a text that
// Windows-1256 cannot hold (the Persian yeh, Persian digits) makes the whole file UTF-8 with a
// byte-order mark instead, so nothing typed is lost. A file saved as UTF-8 without the mark (as
// Linux editors write it) is read as UTF-8.
class ReceiptSettings
{
public:
    enum Field {
        Copies,
        ShopName,
        Title,
        Greeting,
        Advert1,
        Advert2,
        Advert3,
        Advert4,
        Terms,
        RepairAddress,
        StoreAddress,
        CustomerService,
        WebAddress,
        LogoPath,
        FieldCount
    };

    static QString defaultFileName(); // edit.txt in the program's data folder

    // Reads the file; false when it cannot be opened. A short file gives fewer fields.
    bool read(const QString &fileName);
    // Replaces the file whole, so a failed write leaves the previous file as it was.
    bool write(const QString &fileName, QString *error = nullptr) const;

    // The fields read, in file order (fewer than FieldCount for a short file).
    int count() const { return int(m_fields.size()); }
    bool has(Field field) const { return field < m_fields.size(); }
    QString value(Field field) const { return has(field) ? m_fields.at(field) : QString(); }
    // Sets a field; fields before it that were never set become empty.
    void set(Field field, const QString &text);

    // The numeric value of line 1; 0 when the line is missing.
    double copies() const;

    static QStringList decode(const QByteArray &bytes);
    static QByteArray encode(const QStringList &lines);
    // The terms box's line breaks are written as " - " before the line feed; a break already
    // written that way stays as it is, so saving again changes nothing.
    static QString termsForFile(const QString &boxText);

private:
    QStringList m_fields;
};
