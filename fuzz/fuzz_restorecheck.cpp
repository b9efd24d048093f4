// SPDX-License-Identifier: GPL-3.0-or-later
// The restore check: any bytes offered as a backup. The check never changes the file, and a file it
// takes for a job database reads whole and is sound.
#include "FuzzCheck.h"

#include "jobstore/file/JobDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace
{

QTemporaryDir *folder = nullptr;

// Reads every row and runs SQLite's own check; empty when the file is sound.
QString soundnessProblem(const QString &path)
{
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reread"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            problem = db.lastError().text();
        } else {
            QSqlQuery rows(db);
            if (!rows.exec(QStringLiteral("select * from table1")))
                problem = rows.lastError().text();
            while (problem.isEmpty() && rows.next()) {
            }
            if (problem.isEmpty() && rows.lastError().isValid())
                problem = rows.lastError().text();
            QSqlQuery check(db);
            if (problem.isEmpty() && (!check.exec(QStringLiteral("pragma quick_check")) || !check.next() ||
                                      check.value(0).toString() != QLatin1String("ok")))
                problem = check.value(0).toString() + check.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reread"));
    return problem;
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
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = Fuzz::asFile(*folder, data, size);

    QString why;
    const bool accepted = JobDatabase::isJobDatabase(path, &why);

    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == bytes, QStringLiteral("the check changed the file"));
    const QStringList beside = QDir(folder->path()).entryList(QDir::Files);
    FUZZ_CHECK(beside.size() == 1, QStringLiteral("the check left a file beside it: ") + beside.join(u' '));
    if (accepted) {
        const QString problem = soundnessProblem(path);
        FUZZ_CHECK(problem.isEmpty(), QStringLiteral("taken for a job database: ") + problem);
    }
    return 0;
}
