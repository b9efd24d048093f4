// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>

// Trigram indexes that find the jobs whose receipt number, customer or model contains a text
// without reading every job: SQLite's FTS5 trigram tables kept by triggers in the job file, the
// server's pg_trgm GIN indexes. Both hold the searched texts folded as a search folds them; the
// searches still test every row found with their own condition, so an index only ever narrows.
namespace SearchIndex
{

enum class Column { Number, Name, Model };

// What the rows are wanted for: the first page of a list, where a frequent text is found soonest by
// reading the jobs in order, or all of them (a count), where the index always pays.
enum class Purpose { FirstRows, AllRows };

// Each index table prepareFile() makes is filled in this many steps, a tenth of the jobs each.
inline constexpr int FillSteps = 10;
// How many of the job file's index tables prepareFile() would make.
int missingFromFile(const QSqlDatabase &db);
// Makes the job file's index tables and their triggers, filling them from the jobs the first time
// (seconds for a million jobs; `stepDone` is told after each step of a fill). A file this account
// may not write keeps none, and its searches read every job.
void prepareFile(QSqlDatabase db, const std::function<void()> &stepDone = {});
// Drops the job file's index tables and triggers: a bulk copy fills them faster at its end, by
// prepareFile(), than row by row.
void dropFromFile(const QSqlDatabase &db);
// The server's indexes; a login without the right to add pg_trgm leaves the searches unindexed.
// False only when making an index failed. `lifted`: the caller's transaction has no statement
// time limit, and keeps it so.
bool prepareServer(const QSqlDatabase &db, bool lifted = false);
// Drops the server's trigram indexes, inside the caller's transaction; `dropped` tells whether
// there were any, to be made again by prepareServer() in the same transaction.
bool dropFromServer(const QSqlDatabase &db, bool *dropped);

// The condition that `column` contains `folded` (a text already folded by Queries::foldForSearch),
// in the form the database's index serves; its values are appended to `values`. `plain` is the
// condition's form without an index, as Queries writes it, with its one value `pattern`.
QString contains(const QSqlDatabase &db, Column column, const QString &folded, const QString &plain,
                 const QString &pattern, Purpose purpose, QVariantList &values);

} // namespace SearchIndex
