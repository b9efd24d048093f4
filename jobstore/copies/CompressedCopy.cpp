// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/CompressedCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <filesystem>
#include <memory>

#include <unistd.h>
#include <zstd.h>

namespace CompressedCopy
{

namespace
{

// zstd's first skippable frame: the decoders pass over it, whatever it holds.
constexpr quint32 NoteMagic = 0x184D2A50;
constexpr qint64 LongestNote = 64 * 1024;
constexpr qint64 Chunk = 1 << 20;

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

// Reads the compressed `in` from where it stands to its end into `out` (none: only checked); the
// bytes it expands to go to `expanded`.
bool expandStream(QFile &in, QIODevice *out, qint64 *expanded, QString *error, const Progress &progress,
                  const Stop &stop)
{
    const std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(), &ZSTD_freeDCtx);
    // Copies are written with a long window; the default limit already reads it.
    ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, 27);
    QByteArray output(qsizetype(ZSTD_DStreamOutSize()), Qt::Uninitialized);
    size_t pending = 0; // not 0 while a frame is not yet whole
    qint64 written = 0;
    const auto step = [&](ZSTD_inBuffer &from) {
        ZSTD_outBuffer to{output.data(), size_t(output.size()), 0};
        pending = ZSTD_decompressStream(context.get(), &to, &from);
        if (ZSTD_isError(pending))
            return fail(error, QString::fromLatin1(ZSTD_getErrorName(pending)));
        if (out && out->write(output.constData(), qint64(to.pos)) != qint64(to.pos))
            return fail(error, out->errorString());
        written = qint64(to.pos);
        *expanded += written;
        return true;
    };
    bool any = false;
    *expanded = 0;
    const qint64 total = in.size();
    while (!in.atEnd()) {
        if (stop && stop())
            return fail(error, QStringLiteral("stopped"));
        const QByteArray input = in.read(Chunk);
        if (input.isEmpty())
            return fail(error, in.errorString());
        any = true;
        ZSTD_inBuffer from{input.constData(), size_t(input.size()), 0};
        while (from.pos < from.size) {
            if (!step(from))
                return false;
        }
        if (progress)
            progress(in.pos(), total);
    }
    // What the decoder still holds; a frame cut short (a copy torn by a full disk or a killed
    // program) stays owed.
    for (ZSTD_inBuffer none{nullptr, 0, 0}; pending != 0;) {
        if (!step(none))
            return false;
        if (written == 0)
            break;
    }
    if (!any || pending != 0)
        return fail(error, QStringLiteral("%1 ends in the middle of a frame").arg(in.fileName()));
    return true;
}

bool skipNote(QFile &in)
{
    const QByteArray head = in.peek(8);
    if (head.size() == 8 && qFromLittleEndian<quint32>(head.constData()) == NoteMagic)
        return in.seek(8 + qFromLittleEndian<quint32>(head.constData() + 4));
    return true;
}

bool rename(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            code);
    return !code || fail(error, QString::fromStdString(code.message()));
}

bool writeCompressed(QFile &in, QFile &out, const QByteArray &note, QString *error, const Progress &progress,
                     const Stop &stop)
{
    char head[8];
    qToLittleEndian<quint32>(NoteMagic, head);
    qToLittleEndian<quint32>(quint32(note.size()), head + 4);
    if (out.write(head, 8) != 8 || out.write(note) != note.size())
        return fail(error, out.errorString());
    const std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), &ZSTD_freeCCtx);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, 3);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
    // A job file repeats itself over far more than zstd's usual window (its tables, its indexes): a
    // long window finds it, faster and smaller; both cores share the work where the library can.
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_enableLongDistanceMatching, 1);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_windowLog, 27);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_nbWorkers, 2);
    ZSTD_CCtx_setPledgedSrcSize(context.get(), quint64(in.size()));
    QByteArray output(qsizetype(ZSTD_CStreamOutSize()), Qt::Uninitialized);
    const qint64 total = in.size();
    for (;;) {
        if (stop && stop())
            return fail(error, QStringLiteral("stopped"));
        const QByteArray input = in.read(Chunk);
        if (input.isEmpty() && !in.atEnd())
            return fail(error, in.errorString());
        const ZSTD_EndDirective mode = in.atEnd() ? ZSTD_e_end : ZSTD_e_continue;
        ZSTD_inBuffer from{input.constData(), size_t(input.size()), 0};
        size_t left = 0;
        do {
            ZSTD_outBuffer to{output.data(), size_t(output.size()), 0};
            left = ZSTD_compressStream2(context.get(), &to, &from, mode);
            if (ZSTD_isError(left))
                return fail(error, QString::fromLatin1(ZSTD_getErrorName(left)));
            if (out.write(output.constData(), qint64(to.pos)) != qint64(to.pos))
                return fail(error, out.errorString());
        } while (mode == ZSTD_e_end ? left != 0 : from.pos < from.size);
        if (progress)
            progress(in.pos(), total);
        if (mode == ZSTD_e_end)
            break;
    }
    // Read back from the disk only once it is there: a copy said whole must outlive a power cut.
    return (out.flush() && ::fsync(out.handle()) == 0) || fail(error, out.errorString());
}

} // namespace

bool isCompressed(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    if (head.size() < 4)
        return false;
    const quint32 magic = qFromLittleEndian<quint32>(head.constData());
    return magic == ZSTD_MAGICNUMBER || magic == NoteMagic;
}

bool compress(const QString &from, const QString &to, const QByteArray &note, QString *error, const Progress &progress,
              const Stop &stop)
{
    if (note.size() > LongestNote)
        return fail(error, QStringLiteral("the note is too long"));
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    const QString partial = QFileInfo(to).absoluteFilePath() + QStringLiteral(".partial");
    QFile out(partial);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(error, out.errorString());
    const auto abandon = [&](const QString &why) {
        out.close();
        QFile::remove(partial);
        return fail(error, why);
    };
    QString why;
    if (!writeCompressed(in, out, note, &why, progress, stop))
        return abandon(why);
    out.close();
    // What was written is read back as a restore would read it.
    QFile written(partial);
    qint64 expanded = 0;
    if (!written.open(QIODevice::ReadOnly) || !skipNote(written) ||
        !expandStream(written, nullptr, &expanded, &why, {}, stop))
        return abandon(why.isEmpty() ? written.errorString() : why);
    written.close();
    if (expanded != in.size())
        return abandon(QStringLiteral("%1 expands to %2 bytes, not %3").arg(partial).arg(expanded).arg(in.size()));
    return rename(partial, to, error) || (QFile::remove(partial), false);
}

bool expand(const QString &from, const QString &to, QString *error, const Progress &progress, const Stop &stop)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly) || !skipNote(in))
        return fail(error, in.errorString());
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(error, out.errorString());
    qint64 expanded = 0;
    QString why;
    if (!expandStream(in, &out, &expanded, &why, progress, stop) || !out.flush()) {
        out.close();
        QFile::remove(to);
        return fail(error, why.isEmpty() ? out.errorString() : why);
    }
    return true;
}

QByteArray note(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(8);
    if (head.size() < 8 || qFromLittleEndian<quint32>(head.constData()) != NoteMagic)
        return {};
    const quint32 size = qFromLittleEndian<quint32>(head.constData() + 4);
    return size <= LongestNote ? file.read(size) : QByteArray();
}

} // namespace CompressedCopy
