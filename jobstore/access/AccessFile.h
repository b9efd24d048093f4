// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>

// A job file that Access keeps (Jet 3, Jet 4 or ACE), read through libmdb and never written: the
// table table1, its columns found by name in any order, every value decoded exactly as stored.
class AccessFile
{
public:
    enum class Fault {
        None,
        NotAccess,       // the file does not begin as a Jet or ACE database does
        Unreadable,      // it cannot be opened, or libmdb cannot read its catalog
        NoJobTable,      // there is no table1
        WrongColumnType, // a job column holds a kind of value the job table cannot take
        Damaged,         // a page or row cannot be read, or fewer rows than the table counts
        NotJobTable,     // table1 has no receipt number column, or neither a name nor a model column
    };

    explicit AccessFile(const QString &path);
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    // "Standard Jet DB" or "Standard ACE DB" at byte 4.
    static bool isAccessFile(const QString &path);

    // Opens the file read-only and finds table1 and its columns.
    bool open();
    Fault fault() const;
    // What went wrong, in English, for the log.
    QString detail() const;
    // The column a WrongColumnType fault is about.
    QString faultColumn() const;

    // The rows table1 holds: those its definition counts, or more where the count fell behind.
    qint64 rowCount() const;
    // Columns of table1 the job table does not have, in the file's order.
    QStringList unknownColumns() const;
    // Job columns the file does not have; they read as null.
    QStringList missingColumns() const;

    // Texts read so far that held a lone UTF-16 surrogate, read as U+FFFD.
    qint64 repairedTexts() const;

    // The next row's 17 values in the job table's order; false at the end or on a fault. At the end
    // a file that yielded fewer rows than it counts is Damaged.
    bool next(QVariantList &values);

    // A number column's stored bytes as a double, or nothing when the type is not a number type or
    // the size does not fit it. Single, Currency and Decimal values become the double nearest the
    // decimal number Access shows, so a Single 1.1 is 1.1 and not 1.100000023841858.
    static std::optional<double> decodeNumber(int type, QByteArrayView bytes, int scale);
    // A Text or Memo value's bytes: Jet 3 stores a code page (read as Windows-1256), Jet 4 and ACE
    // store UTF-16, optionally in their compressed form. A lone surrogate becomes U+FFFD, and
    // `replaced` says so.
    static QString decodeText(bool jet3, QByteArrayView bytes, bool *replaced = nullptr);

    // After open(): a SHA-256 (hex) naming the Access database this file holds, the same for a copy
    // of it under any name and after jobs were added to it, different for another shop's file.
    // Empty when the file was not opened.
    QString identity() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
