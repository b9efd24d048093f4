#include "jobstore/JobDatabase.h"

#include "jobstore/JobTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <filesystem>

namespace JobDatabase
{

namespace
{

QString uriFor(const QString &path, const char *mode)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=") + QLatin1String(mode);
}

// Scoped connection that is removed again however the function leaves.
class ScratchConnection
{
public:
    ScratchConnection(const QString &uri, bool readOnly)
    {
        static int serial = 0;
        m_name = QStringLiteral("jobdatabase-scratch-%1").arg(++serial);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(uri);
        db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY")
                                      : QStringLiteral("QSQLITE_OPEN_URI"));
        db.open();
    }
    ~ScratchConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

bool hasSqliteHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

} // namespace

Check ensure(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        ScratchConnection scratch(uriFor(path, "rwc"), false);
        QSqlDatabase db = scratch.db();
        if (!db.isOpen())
            return {State::CannotCreate, db.lastError().text()};
        QSqlQuery query(db);
        bool ok = db.transaction();
        for (const QString &statement : JobTable::createStatements() + JobTable::indexStatements())
            ok = ok && query.exec(statement);
        ok = ok && db.commit();
        if (!ok) {
            const QString error = query.lastError().text();
            db.close();
            QFile::remove(path);
            return {State::CannotCreate, error};
        }
        return {State::Created, QString()};
    }

    QString why;
    if (!isJobDatabase(path, &why))
        return {State::NotAJobDatabase, why};

    // Older files have no indexes; the list and the due count want them.
    ScratchConnection scratch(uriFor(path, "rw"), false);
    QSqlQuery query(scratch.db());
    for (const QString &statement : JobTable::indexStatements())
        query.exec(statement);
    return {State::Ready, QString()};
}

bool isJobDatabase(const QString &path, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!QFileInfo(path).isFile())
        return refuse(QStringLiteral("not a file"));
    if (!hasSqliteHeader(path))
        return refuse(QStringLiteral("not an SQLite database"));

    ScratchConnection scratch(uriFor(path, "ro"), true);
    QSqlDatabase db = scratch.db();
    if (!db.isOpen())
        return refuse(db.lastError().text());
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("pragma table_info(table1)")))
        return refuse(query.lastError().text());
    QStringList columns;
    while (query.next())
        columns << query.value(1).toString().toLower();
    if (columns != JobTable::columnNames())
        return refuse(QStringLiteral("table1 does not have the job columns"));
    // Reading a row proves the pages behind the schema are readable too.
    if (!query.exec(QStringLiteral("select count(*) from table1")) || !query.next())
        return refuse(query.lastError().text());
    return true;
}

QSqlDatabase open(const QString &path, const QString &connectionName, QString *error)
{
    QSqlDatabase db = QSqlDatabase::contains(connectionName)
                          ? QSqlDatabase::database(connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(uriFor(path, "rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open() && error)
        *error = db.lastError().text();
    return db;
}

bool copyConsistent(const QString &path, const QString &target, QString *error)
{
    const auto failWith = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!QFileInfo(path).isFile())
        return failWith(QStringLiteral("no database at %1").arg(path));

    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    const QString partial = absoluteTarget + QStringLiteral(".partial");
    QFile::remove(partial);
    {
        ScratchConnection scratch(uriFor(path, "ro"), true);
        QSqlDatabase db = scratch.db();
        if (!db.isOpen())
            return failWith(db.lastError().text());
        QSqlQuery query(db);
        query.prepare(QStringLiteral("vacuum into ?"));
        query.addBindValue(partial);
        if (!query.exec()) {
            QFile::remove(partial);
            return failWith(query.lastError().text());
        }
    }
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(absoluteTarget.toStdU16String()), code);
    if (code) {
        QFile::remove(partial);
        return failWith(QString::fromStdString(code.message()));
    }
    return true;
}

} // namespace JobDatabase
