// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

#include <optional>

// What each Access import took in, kept in the job store itself (table access_imports) so that
// backups, restores and the exit copy carry it: for every job, the Access database it came from,
// its number and place in that file, and the number it was stored under. Importing the same file
// again then skips those jobs, however they were edited since.
namespace ImportLedger
{

QString tableName();

// Makes the ledger when the store has none; false when it cannot be made (a login without the
// right to make tables). Inside a transaction of the caller's, a failure leaves that transaction
// usable.
bool prepare(const QSqlDatabase &db, bool inTransaction = false);

// A number of an Access file as the ledger compares it: none for a null or a NaN, and -0 as 0.
std::optional<double> numberOf(const QVariant &value);

// A job's place in its Access file: its number there (null for none) and its row, counted from 0.
struct Entry {
    QVariant number;
    qint64 row = 0;
    QVariant stored; // the receipt number it has in the store
};

// The jobs earlier imports took in from the Access database `source`.
class Taken
{
public:
    bool isEmpty() const { return m_rows.isEmpty(); }
    // Found by number when the file holds that number once, else by row and number together.
    bool contains(const Entry &entry, bool numberIsUnique) const;
    void insert(const Entry &entry);

private:
    QSet<double> m_numbers;
    QSet<QByteArray> m_rows;
};

bool read(const QSqlDatabase &db, const QString &source, Taken &taken, QSqlError *error);
// Adds `entries` to the ledger, inside the caller's transaction.
bool write(const QSqlDatabase &db, const QString &source, const QList<Entry> &entries, QSqlError *error);

// Inside the caller's transactions: the ledger of `to` becomes that of `from` (empty when `from`
// has none). Either may be a job file or a server.
bool replace(const QSqlDatabase &from, const QSqlDatabase &to, QString *error);

} // namespace ImportLedger
