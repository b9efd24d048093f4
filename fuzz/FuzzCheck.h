// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A broken invariant stops the run with the input that broke it, so libFuzzer keeps it as a crash.
#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant broken: %s\n", #condition);                                                \
            std::fprintf(stderr, "%s\n", qUtf8Printable(QString(__VA_ARGS__)));                                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace Fuzz
{

// The input as a file of its own in `folder`, for the readers that take a file's path.
inline QString asFile(const QTemporaryDir &folder, const uint8_t *data, size_t size)
{
    const QString path = QDir(folder.path()).filePath(QStringLiteral("candidate.mdb"));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
               path);
    return path;
}

// The input as UTF-16 code units, so any character reaches the reader, lone surrogates and NUL included.
inline QString utf16(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    return text;
}

// Text as it can reach a box: any character, but a lone surrogate half becomes U+FFFD as it does
// when the system hands a pasted text over.
inline QString typable(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(utf16(data, size).toUtf8());
}

// Shows the characters of a text by code, for the failure message.
inline QString codes(const QString &text)
{
    QString shown;
    for (QChar ch : text)
        shown += QStringLiteral("%1 ").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
    return shown;
}

} // namespace Fuzz
