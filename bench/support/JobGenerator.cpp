// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/JobGenerator.h"

#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/Dialect.h"
#include "solardate/SolarCalendar.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace JobGenerator
{

namespace
{

// Raised whenever the jobs written change, so no cached file of the old kind is used.
constexpr char generatorVersion[] = "jobs 1";

// Written as a Persian keyboard writes them (ی, ک); some customers' names were typed on an
// Arabic layout, which spelling() gives.
const QStringList persianFirst = {
    QStringLiteral("علی"),  QStringLiteral("رضا"),  QStringLiteral("محمد"),   QStringLiteral("حسین"),
    QStringLiteral("مهدی"), QStringLiteral("امیر"), QStringLiteral("کامران"), QStringLiteral("سعید"),
    QStringLiteral("مجید"), QStringLiteral("حمید"), QStringLiteral("زهرا"),   QStringLiteral("فاطمه"),
    QStringLiteral("مریم"), QStringLiteral("سارا"), QStringLiteral("نگار"),   QStringLiteral("لیلا"),
    QStringLiteral("کاوه"), QStringLiteral("یاسر"), QStringLiteral("اکبر"),   QStringLiteral("نیلوفر"),
};
const QStringList persianLast = {
    QStringLiteral("رضایی"), QStringLiteral("رضوی"),   QStringLiteral("محمدی"), QStringLiteral("حسینی"),
    QStringLiteral("احمدی"), QStringLiteral("کریمی"),  QStringLiteral("موسوی"), QStringLiteral("جعفری"),
    QStringLiteral("کاظمی"), QStringLiteral("صادقی"),  QStringLiteral("رحیمی"), QStringLiteral("یوسفی"),
    QStringLiteral("نوری"),  QStringLiteral("کرمانی"), QStringLiteral("اکبری"), QStringLiteral("شریفی"),
    QStringLiteral("قاسمی"), QStringLiteral("هاشمی"),  QStringLiteral("عباسی"), QStringLiteral("ملکی"),
};
const QStringList latinFirst = {
    QStringLiteral("Ali"),   QStringLiteral("Reza"),  QStringLiteral("Sara"),  QStringLiteral("Maryam"),
    QStringLiteral("John"),  QStringLiteral("Arash"), QStringLiteral("Kaveh"), QStringLiteral("Nima"),
    QStringLiteral("Elena"), QStringLiteral("David"),
};
const QStringList latinLast = {
    QStringLiteral("Rezaei"), QStringLiteral("Karimi"), QStringLiteral("Smith"),   QStringLiteral("Ahmadi"),
    QStringLiteral("Moradi"), QStringLiteral("Brown"),  QStringLiteral("Tehrani"), QStringLiteral("Nouri"),
    QStringLiteral("Jafari"), QStringLiteral("Miller"),
};
const QStringList latinModels = {
    QStringLiteral("Samsung Galaxy A52"), QStringLiteral("Samsung Galaxy A10"),
    QStringLiteral("Samsung Galaxy S21"), QStringLiteral("Samsung Note 10"),
    QStringLiteral("iPhone 7"),           QStringLiteral("iPhone 11 Pro"),
    QStringLiteral("iPhone X"),           QStringLiteral("Xiaomi Redmi Note 9"),
    QStringLiteral("Xiaomi Poco X3"),     QStringLiteral("Huawei Y9 Prime"),
    QStringLiteral("Huawei P30 lite"),    QStringLiteral("Nokia 6.1"),
    QStringLiteral("Nokia 105"),          QStringLiteral("Motorola Moto G8"),
    QStringLiteral("Sony Xperia Z3"),     QStringLiteral("LG K10"),
    QStringLiteral("Honor 8X"),           QStringLiteral("Oppo A5s"),
};
const QStringList persianModels = {
    QStringLiteral("سامسونگ A50"),  QStringLiteral("سامسونگ گلکسی S10"), QStringLiteral("آیفون 11"),
    QStringLiteral("گوشی آیفون 8"), QStringLiteral("شیائومی نوت 10"),    QStringLiteral("هواوی Y7"),
    QStringLiteral("نوکیا 105"),    QStringLiteral("تبلت سامسونگ"),      QStringLiteral("ال جی K8"),
};
const QStringList technicians = {
    QStringLiteral("رضا"),   QStringLiteral("حسین کریمی"), QStringLiteral("مهدی"),
    QStringLiteral("Arash"), QStringLiteral("علی نوری"),
};
const QStringList parts = {
    QStringLiteral("ال سی دی"),
    QStringLiteral("باتری"),
    QStringLiteral("سوکت شارژ"),
    QStringLiteral("آی سی شارژ"),
    QStringLiteral("بلندگو"),
    QStringLiteral("تاچ"),
    QString(),
};
const QStringList accessories = {
    QStringLiteral("شارژر"), QStringLiteral("قاب"), QStringLiteral("سیم کارت"), QStringLiteral("کارت حافظه"), QString(),
};
const QStringList descriptions = {
    QStringLiteral("تعویض صفحه نمایش"),
    QStringLiteral("آب خوردگی"),
    QStringLiteral("مشکل شارژ"),
    QStringLiteral("نرم افزار و فلش"),
    QStringLiteral("تعویض باتری"),
    QStringLiteral("خاموش است، بررسی برد"),
    QStringLiteral("میکروفون کار نمی کند"),
    QStringLiteral("صدای مکالمه قطع و وصل می شود"),
    QString(),
};

QString spelledArabic(QString text)
{
    return text.replace(QChar(0x06CC), QChar(0x064A)).replace(QChar(0x06A9), QChar(0x0643));
}

// A clerk's typing of a Latin text: as written, all lower case, all upper case, or each word its own way.
QString typedCase(QString text, int style)
{
    if (style == 1)
        return text.toLower();
    if (style == 2)
        return text.toUpper();
    if (style == 3) {
        QStringList words = text.split(u' ');
        for (int i = 0; i < words.size(); i += 2)
            words[i] = words[i].toUpper();
        return words.join(u' ');
    }
    return text;
}

int dateNumber(const QDate &date)
{
    return Sorvan::solarDateNumber(Sorvan::solarFromGregorian(date));
}

// Everything the program makes in an empty job file, its server table and this generator: a cached
// file or a server's jobs made under another key were made by another build or generator.
QString schemaKey()
{
    QStringList parts{QLatin1String(generatorVersion)};
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("db1.mdb"));
    JobDatabase::ensure(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-schema"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("select type, name, tbl_name, coalesce(sql, '') from sqlite_master order by 1, 2"));
        while (query.next())
            for (int i = 0; i < 4; ++i)
                parts << query.value(i).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-schema"));
    parts << Dialect::createStatements(true) << JobTable::indexStatements();
    return QString::fromLatin1(
        QCryptographicHash::hash(parts.join(u'\n').toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

// Writes every job in statements of `perStatement` rows; the caller holds the transaction.
bool insertAll(const QSqlDatabase &db, int count, int perStatement, QString *error)
{
    Jobs jobs(count);
    QSqlQuery full(db);
    if (!full.prepare(JobTable::insertStatement(perStatement))) {
        *error = full.lastError().text();
        return false;
    }
    QVariantList batch;
    const auto write = [&](QSqlQuery &query) {
        for (int i = 0; i < batch.size(); ++i)
            query.bindValue(i, batch.at(i));
        batch.clear();
        if (query.exec())
            return true;
        *error = query.lastError().text();
        return false;
    };
    while (!jobs.atEnd()) {
        batch << jobs.next();
        if (batch.size() == perStatement * JobTable::ColumnCount && !write(full))
            return false;
    }
    if (batch.isEmpty())
        return true;
    QSqlQuery rest(db);
    if (!rest.prepare(JobTable::insertStatement(int(batch.size() / JobTable::ColumnCount)))) {
        *error = rest.lastError().text();
        return false;
    }
    return write(rest);
}

// The server parses one array per column far faster than rows of bound values: the jobs go in as
// columns of `perStatement` values each, unnested into rows. The caller holds the transaction.
bool insertAsColumns(const QSqlDatabase &db, int count, int perStatement, QString *error)
{
    QSqlQuery query(db);
    if (!query.prepare(Dialect::insertFromArrays())) {
        *error = query.lastError().text();
        return false;
    }
    Jobs jobs(count);
    while (!jobs.atEnd()) {
        QList<QVariantList> columns(JobTable::ColumnCount);
        for (int row = 0; row < perStatement && !jobs.atEnd(); ++row) {
            const QVariantList values = jobs.next();
            for (int i = 0; i < JobTable::ColumnCount; ++i)
                columns[i] << values.at(i);
        }
        for (int i = 0; i < JobTable::ColumnCount; ++i)
            query.bindValue(i, Dialect::arrayLiteral(columns.at(i)));
        if (!query.exec()) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

bool fillFile(const QString &path, int count, QString *error)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-generate"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        // A file that a crash cut short is thrown away and made again, so it needs no journal.
        query.exec(QStringLiteral("pragma synchronous=off"));
        query.exec(QStringLiteral("pragma journal_mode=memory"));
        query.finish();
        ok = ok && db.transaction() && insertAll(db, count, 100, error) && db.commit();
        if (!ok && error->isEmpty())
            *error = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-generate"));
    return ok;
}

} // namespace

QDateTime now()
{
    return QDateTime(QDate(2026, 12, 9), QTime(10, 0));
}

Jobs::Jobs(int count) : m_random(1405), m_count(std::max(count, 1))
{
    const QDate last = now().date();
    Sorvan::SolarDate start = Sorvan::solarFromGregorian(last);
    start.year -= 5;
    start.day = std::min(start.day, Sorvan::solarMonthLength(start.year, start.month));
    m_first = Sorvan::gregorianFromSolar(start);
    m_days = int(m_first.daysTo(last)) + 1;
}

QString Jobs::customer()
{
    if (chance(15))
        return typedCase(latinFirst.at(pick(latinFirst.size())) + u' ' + latinLast.at(pick(latinLast.size())), pick(4));
    const QString name = persianFirst.at(pick(persianFirst.size())) + u' ' + persianLast.at(pick(persianLast.size()));
    return chance(30) ? spelledArabic(name) : name;
}

QString Jobs::model()
{
    if (chance(25)) {
        const QString name = persianModels.at(pick(persianModels.size()));
        return chance(30) ? spelledArabic(name) : name;
    }
    // Most clerks copy the model as printed on the box; some type it all in one case.
    const int style = pick(10);
    return typedCase(latinModels.at(pick(latinModels.size())), style < 7 ? 0 : style < 8 ? 1 : style < 9 ? 2 : 3);
}

QVariantList Jobs::next()
{
    const int number = m_next++;
    // The jobs spread evenly over the five years, the newest on the last day.
    const int day = int(qint64(number - 1) * m_days / m_count);
    const int age = m_days - 1 - day;
    const QDate in = m_first.addDays(day);
    const QDate out = in.addDays(1 + pick(7));
    // Old jobs were nearly all handed back; the last weeks' are still being repaired or collected.
    const int roll = pick(100);
    const int delivered = age > 60 ? 96 : age > 14 ? 70 : 15;
    const int repaired = age > 60 ? 2 : age > 14 ? 15 : 25;
    const int unrepairable = 5;
    QString status;
    if (roll < delivered)
        status = JobTable::statusDelivered();
    else if (roll < delivered + repaired)
        status = JobTable::statusRepaired();
    else if (roll < delivered + repaired + unrepairable)
        status = JobTable::statusUnrepairable();
    else
        status = JobTable::statusUnderRepair();
    const bool done = status == JobTable::statusDelivered() || status == JobTable::statusRepaired();
    const QString part = done ? parts.at(pick(parts.size())) : QString();
    const int partPrice = part.isEmpty() ? 0 : (2 + pick(200)) * 10000;

    QVariantList values(JobTable::ColumnCount);
    values[JobTable::Num] = number;
    values[JobTable::Name] = customer();
    values[JobTable::NamePh] = model();
    values[JobTable::Serial] = QString::number(350000000000000LL + qint64(m_random()) * 20000 + pick(20000));
    values[JobTable::Tel] = QStringLiteral("09%1").arg(100000000 + pick(900000000));
    values[JobTable::DateIn] = dateNumber(in);
    values[JobTable::DateOut] = dateNumber(out);
    values[JobTable::Warranty] = chance(20) ? QStringLiteral("3 ماه") : QString();
    values[JobTable::MinP] = (5 + pick(40)) * 10000;
    values[JobTable::Deposit] = chance(40) ? (1 + pick(10)) * 50000 : 0;
    values[JobTable::Accessory] = accessories.at(pick(accessories.size()));
    values[JobTable::Service] = technicians.at(pick(technicians.size()));
    values[JobTable::Panel] = part;
    values[JobTable::PanelP] = partPrice;
    values[JobTable::EndP] = done ? partPrice + (5 + pick(50)) * 10000 : 0;
    values[JobTable::Status] = status;
    values[JobTable::Desc] = descriptions.at(pick(descriptions.size()));
    return values;
}

QString cacheFolder()
{
    const QString base = qEnvironmentVariableIsEmpty("XDG_CACHE_HOME") ? QDir::home().filePath(QStringLiteral(".cache"))
                                                                       : qEnvironmentVariable("XDG_CACHE_HOME");
    return QDir(base).filePath(QStringLiteral("velmora-bench"));
}

Made jobFile(const QString &target, int count)
{
    Made made;
    const QString key = schemaKey();
    QDir folder(cacheFolder());
    folder.mkpath(QStringLiteral("."));
    const QString cached = folder.filePath(QStringLiteral("jobs-%1-%2.mdb").arg(count).arg(key));
    made.reused = QFile::exists(cached);
    if (!made.reused) {
        // A file of this count made by another build is of no more use.
        for (const QString &old : folder.entryList({QStringLiteral("jobs-%1-*").arg(count)}, QDir::Files))
            folder.remove(old);
        const QString partial = cached + QStringLiteral(".partial");
        const JobDatabase::Check check = JobDatabase::ensure(partial);
        if (check.state != JobDatabase::State::Created) {
            made.error = QStringLiteral("cannot make %1: %2").arg(partial, check.detail);
            return made;
        }
        QElapsedTimer clock;
        clock.start();
        if (!fillFile(partial, count, &made.error) || !QFile::rename(partial, cached)) {
            QFile::remove(partial);
            if (made.error.isEmpty())
                made.error = QStringLiteral("cannot rename %1").arg(partial);
            return made;
        }
        made.seconds = clock.nsecsElapsed() / 1e9;
    }
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(target + suffix);
    made.ok = QFile::copy(cached, target);
    if (!made.ok)
        made.error = QStringLiteral("cannot copy %1 to %2").arg(cached, target);
    // The copy must be written by the program, as a shop's own file is.
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return made;
}

Made olderJobFile(const QString &target, int count)
{
    Made made = jobFile(target, count);
    if (!made.ok)
        return made;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-older"));
        db.setDatabaseName(target);
        made.ok = db.open();
        QSqlQuery query(db);
        for (const QString &statement : JobTable::indexStatements())
            made.ok = made.ok && query.exec(QStringLiteral("drop index %1").arg(JobTable::indexName(statement)));
        if (made.ok)
            SearchIndex::dropFromFile(db);
        made.ok = made.ok &&
                  query.exec(QStringLiteral("select count(*) from sqlite_master where name like 'search%'")) &&
                  query.next() && query.value(0).toInt() == 0;
        if (!made.ok)
            made.error = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-older"));
    return made;
}

Made serverJobs(const QString &url, int count)
{
    Made made;
    const JobDatabase::Check check = JobDatabase::ensure(url);
    if (check.state != JobDatabase::State::Ready && check.state != JobDatabase::State::Created) {
        made.error = QStringLiteral("the server's table1 cannot be used: %1").arg(check.detail);
        return made;
    }
    const QString key = schemaKey();
    {
        QSqlDatabase db = Dialect::openServer(*Dialect::parseServerUrl(url), QStringLiteral("bench-generate"));
        QSqlQuery query(db);
        // Writing a million jobs takes longer than a window's statement may.
        query.exec(QStringLiteral("set statement_timeout=0"));
        query.exec(QStringLiteral("set lock_timeout=0"));
        query.exec(QStringLiteral("set client_min_messages=warning")); // no notice that the marker table exists
        query.exec(QStringLiteral("create table if not exists velmora_bench_jobs (jobs bigint, key text)"));
        // A bench run adds jobs past the generated ones; those are dropped, not the whole table.
        made.reused = query.exec(QStringLiteral("select jobs, key from velmora_bench_jobs")) && query.next() &&
                      query.value(0).toLongLong() == count && query.value(1).toString() == key;
        query.finish();
        if (made.reused) {
            query.exec(QStringLiteral("delete from table1 where num > %1 or num is null").arg(count));
            made.reused = query.exec(QStringLiteral("select count(*), count(distinct num), max(num) from table1")) &&
                          query.next() && query.value(0).toLongLong() == count &&
                          query.value(1).toLongLong() == count && query.value(2).toLongLong() == count;
            query.finish();
        }
        if (!made.reused) {
            QElapsedTimer clock;
            clock.start();
            bool ok = db.transaction() && JobHistory::silenceServerTrigger(db) &&
                      query.exec(QStringLiteral("delete from velmora_bench_jobs")) &&
                      query.exec(QStringLiteral("truncate table1")) &&
                      query.exec(QStringLiteral("delete from %1").arg(JobHistory::tableName()));
            if (!ok)
                made.error = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
            ok = ok && insertAsColumns(db, count, 10000, &made.error);
            if (ok) {
                query.prepare(QStringLiteral("insert into velmora_bench_jobs (jobs, key) values (?, ?)"));
                query.addBindValue(count);
                query.addBindValue(key);
                ok = query.exec();
            }
            ok = ok && db.commit();
            if (!ok) {
                if (made.error.isEmpty())
                    made.error = db.lastError().text();
                db.rollback();
            } else {
                // As the server's own vacuum would have done long before a clerk searches.
                query.exec(QStringLiteral("vacuum analyze table1"));
                made.seconds = clock.nsecsElapsed() / 1e9;
            }
            made.reused = false;
            made.ok = ok;
        } else {
            made.ok = true;
        }
    }
    JobDatabase::close(QStringLiteral("bench-generate"));
    return made;
}

} // namespace JobGenerator
