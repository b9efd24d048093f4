// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

#include <optional>

// Every SQL text the program runs against the job table. Each selects the row id first; record
// sets keep it hidden and use it to write a row back.
namespace Queries
{

enum class SearchField { ReceiptNumber, CustomerName, DeviceModel };

// The main list: num, name, nameph, status, desc, by receipt number.
SqlText jobList();
// The main list narrowed to the rows whose field contains the text. Persian and Arabic forms of
// the same letters and digits match alike.
SqlText jobListSearch(SearchField field, const QString &text);
// The condition that the field contains the folded text, read row by row: one LIKE with one value,
// a pattern from containsPattern().
QString plainContains(SearchField field, const QString &folded);
// The condition that a job is not delivered and has a status, as the index of open jobs reads it.
QString openJobs();
// Every column in stored order, for the job window.
SqlText allJobs();
// allJobs() narrowed to the job that carries a receipt number: the job window reads one job, not
// the whole table, whose record set it edits.
SqlText jobNumbered(double receiptNumber);
// Jobs due on or before a date number, in calendar order, that have a status and are not
// delivered: num, name, nameph, status. Persian and Arabic letter forms of the status count alike.
SqlText dueBy(int dateNumber);
// One row: the highest receipt number stored, null for an empty table.
SqlText highestNumber();

// A LIKE pattern that matches rows containing `text` literally; use with ESCAPE '\'.
QString containsPattern(const QString &text);
// Folds the Persian/Arabic letter and digit variants a search should treat alike, and drops NULs.
QString foldForSearch(const QString &text);
// A column's stored text folded as foldForSearch folds `foldedPattern`, for a LIKE against it.
QString foldedColumn(const QString &column, const QString &foldedPattern);
// Names and models are written with a space, a half-space (ZWNJ) or nothing between their parts
// ("علي رضا", "علي‌رضا", "عليرضا"): their searches compare them without any, on both sides.
QString withoutBlanks(QString text);
QString unblankedColumn(const QString &column);

// The condition that a date column lies between two date numbers in calendar order; a missing end
// is open. Written as ranges of the stored numbers, so the column's index still serves; the
// numbers are appended to `values`.
QString dateBetween(const QString &column, std::optional<qint64> from, std::optional<qint64> to, QVariantList &values);

} // namespace Queries
