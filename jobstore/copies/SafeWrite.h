// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

// How a copy is written without ever leaving a half-written file, or losing the one it replaces.
namespace DatabaseCopies
{

bool sameFile(const QString &a, const QString &b);

// Renames `from` over `to` in one step.
bool replaceFile(const QString &from, const QString &to, QString *error);

// The copies being written are listed in the data folder until they are whole, so the next start
// finds what a killed program left half-written wherever the clerk had chosen to write it.
QStringList unfinishedCopies();
void writeUnfinishedCopies(const QStringList &paths);

// Notes the half-written file that copying to `target` makes, for the length of `copy`.
template <class Copying> auto whileNoted(const QString &target, Copying copy)
{
    const QString partial = QFileInfo(target).absoluteFilePath() + QStringLiteral(".partial");
    QStringList noted = unfinishedCopies();
    noted << partial;
    writeUnfinishedCopies(noted);
    const auto result = copy();
    noted = unfinishedCopies();
    noted.removeAll(partial);
    writeUnfinishedCopies(noted);
    return result;
}

// An existing file about to be replaced gets a second name in the "backups" folder beside it, by
// the date and time it was last written: the place keeps a whole file until the new one takes it.
bool keepAside(const QString &file, QString *aside, QString *why);

// Removes what an interrupted backup, restore or exit copy left behind, wherever it was being
// written; returns how many files.
int removeStalePartialCopies();

} // namespace DatabaseCopies
