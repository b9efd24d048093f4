// SPDX-License-Identifier: GPL-3.0-or-later
// The Access reader: any bytes offered as an Access job file. It refuses the file or reads rows of 17
// values of the job table's kinds, as many as the table counts, and no text with a lone surrogate.
#include "FuzzCheck.h"

#include "jobstore/JobTable.h"
#include "jobstore/access/AccessFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

QTemporaryDir *folder = nullptr;

bool hasLoneSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = Fuzz::asFile(*folder, data, size);

    AccessFile access(path);
    if (!access.open()) {
        FUZZ_CHECK(access.fault() != AccessFile::Fault::None, QStringLiteral("refused without a fault"));
        return 0;
    }
    qint64 rows = 0;
    QVariantList values;
    while (access.next(values)) {
        ++rows;
        FUZZ_CHECK(values.size() == JobTable::ColumnCount, QStringLiteral("%1 values").arg(values.size()));
        for (int i = 0; i < JobTable::ColumnCount; ++i) {
            const QVariant &value = values.at(i);
            if (value.isNull())
                continue;
            if (JobTable::isNumberColumn(i)) {
                FUZZ_CHECK(value.typeId() == QMetaType::Double, JobTable::columnNames().at(i));
            } else {
                FUZZ_CHECK(value.typeId() == QMetaType::QString, JobTable::columnNames().at(i));
                FUZZ_CHECK(!hasLoneSurrogate(value.toString()), Fuzz::codes(value.toString()));
            }
        }
    }
    if (access.fault() == AccessFile::Fault::None)
        FUZZ_CHECK(rows == access.rowCount(), QStringLiteral("read %1 of %2 rows").arg(rows).arg(access.rowCount()));
    return 0;
}
