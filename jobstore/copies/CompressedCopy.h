// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Earlier copies of a job file kept compressed (zstd), about a third of their size: a month of a busy
// shop's daily exit copies would otherwise fill the disk. A compressed copy carries a note ahead of
// its pages, in a frame zstd itself passes over, so what it holds is read without expanding it and
// `zstd -d` still gives back the job file byte for byte.
namespace CompressedCopy
{

// How a compressed copy's name ends: db1-20261209-183000.mdb.zst.
inline constexpr char Suffix[] = ".zst";

// True when the file begins as a compressed copy does.
bool isCompressed(const QString &path);

// Told now and then how many bytes of how many are done; called on the working thread.
using Progress = std::function<void(qint64 done, qint64 total)>;
// Asked now and then; true stops the work, which then leaves nothing behind.
using Stop = std::function<bool()>;

// Writes `from` compressed, with `note` ahead of it, to `to`, through a ".partial" file beside it
// that takes the name only once it was read back whole: every frame's checksum right and as many
// bytes as `from` holds. `to` is replaced.
bool compress(const QString &from, const QString &to, const QByteArray &note, QString *error = nullptr,
              const Progress &progress = {}, const Stop &stop = {});

// Expands the compressed copy `from` to `to` (replaced), checking every frame's checksum; leaves
// no `to` when it fails or is stopped.
bool expand(const QString &from, const QString &to, QString *error = nullptr, const Progress &progress = {},
            const Stop &stop = {});

// The note a compressed copy carries; empty when it carries none.
QByteArray note(const QString &path);

} // namespace CompressedCopy
