// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Bringing the jobs of an Access job file into the job store (the job file or a database server),
// all in one transaction. The Access file is only read.
namespace AccessImport
{

// A job that could not keep the number it had in the Access file.
struct Renumbered {
    QVariant was; // the number in the file; null for a job without one
    qint64 now;
};

struct Outcome {
    bool ok = false;
    QString reason; // why nothing was imported: a Persian sentence naming the file
    QString detail; // the technical detail behind it, for the log
    qint64 read = 0;
    qint64 added = 0;
    qint64 alreadyStored = 0; // taken in from this file before, or identical to a job already in the store
    qint64 repairedTexts = 0; // texts with a broken character, read with U+FFFD in its place
    QList<Renumbered> renumbered;
    QStringList leftOut; // columns of the file the job table does not have
    QStringList missing; // job columns the file does not have, left empty
};

// The jobs an Access job file holds, or -1 when it cannot be read as one; then `reason` says why
// in Persian and `detail` for the log.
qint64 jobCount(const QString &file, QString *reason = nullptr, QString *detail = nullptr);

// Called as the import goes: `done` of `total` steps.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Imports every job of `file` into the job store at `store` (a job database file, or a
// postgresql:// address). A job keeps its number when that number is free; a second job with the
// same number, a job without one, or one whose number is not a whole number from 1 up gets a
// new number above the highest in the store and in the file. A job an earlier import took in from
// the same Access database (by its identity, whatever the file is called now) is not imported
// again, however it was edited since; nor is a job identical in every column to a stored one, or
// in every column but the number when its own number is taken. The store keeps what each import
// took in.
Outcome run(const QString &file, const QString &store, const Progress &progress = {});

// What the import did, in Persian, as the clerk reads it and as the summary file keeps it. A
// message box lists at most `listAtMost` changed numbers; -1 lists all.
QString summary(const Outcome &outcome, const QString &file, int listAtMost = -1);

// Writes `text` as UTF-8 into `folder` as access-import-<stamp>.txt, `stamp` being the solar date
// and time, without the direction marks a message box needs; returns the file's path, or an empty text when it could
// not be written.
QString writeSummary(const QString &folder, const QString &stamp, const QString &text);

} // namespace AccessImport
