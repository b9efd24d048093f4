// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/CounterAccounts.h"

#include "jobstore/server/ServerWatch.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <libpq-fe.h>

#include <optional>

namespace CounterAccounts
{

namespace
{

Outcome refused(const QString &english, const QString &persian)
{
    return {false, english + u'\n' + persian};
}

Outcome serverRefused(const QSqlQuery &query)
{
    const QString why =
        query.lastError().databaseText().isEmpty() ? query.lastError().text() : query.lastError().databaseText();
    return refused(QStringLiteral("The server refused: %1").arg(why),
                   QStringLiteral("سرور نپذيرفت و چيزي تغيير نکرد: %1").arg(why));
}

// Runs the statements format() builds on the server from `values`, so a name reaches SQL only
// quoted by the server itself.
bool execFormatted(QSqlQuery &query, const QString &format, const QVariantList &values)
{
    query.prepare(QStringLiteral("select ") + format);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec() || !query.next())
        return false;
    const QString statement = query.value(0).toString();
    return query.exec(statement);
}

// Why this login may not make or end accounts, or empty when it may.
std::optional<Outcome> notOwner(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("select pg_get_userbyid(c.relowner), pg_has_role(session_user, c.relowner, "
                                   "'MEMBER'), (select rolsuper or rolcreaterole from pg_roles where rolname = "
                                   "session_user), session_user from pg_class c where c.oid = to_regclass('table1')")))
        return serverRefused(query);
    if (!query.next())
        return refused(QStringLiteral("The server has no job table yet: start the program once with the owner's "
                                      "account."),
                       QStringLiteral("روي سرور هنوز جدول کارها نيست: برنامه را يک بار با حساب صاحب پايگاه داده "
                                      "اجرا کنيد."));
    const QString owner = query.value(0).toString();
    const QString login = query.value(3).toString();
    if (!query.value(1).toBool())
        return refused(QStringLiteral("Only the owner's account (%1) may make or end counter accounts; this login "
                                      "is %2.")
                           .arg(owner, login),
                       QStringLiteral("فقط حساب صاحب پايگاه داده (%1) مي تواند حساب پيشخوان بسازد يا حذف کند؛ "
                                      "اين اتصال با حساب %2 است.")
                           .arg(owner, login));
    if (!query.value(2).toBool())
        return refused(QStringLiteral("The account %1 may not make accounts: it needs CREATEROLE "
                                      "(ALTER ROLE %1 CREATEROLE, as the server's superuser).")
                           .arg(login),
                       QStringLiteral("حساب %1 اجازه ساختن حساب ندارد: CREATEROLE لازم است.").arg(login));
    return std::nullopt;
}

std::optional<Outcome> badName(const QString &name)
{
    if (isValidName(name))
        return std::nullopt;
    return Outcome{false, nameRefusal(name)};
}

// The group's rights, exactly: whatever else was granted to it by hand is taken back first.
bool grantGroup(QSqlQuery &query)
{
    const QString group = groupRole();
    const QStringList statements = {
        QStringLiteral("do $$ begin create role %1 nologin; exception when duplicate_object then null; end $$")
            .arg(group),
        // Where everyone may use the schema (public, as a new database has it) the owner need not own it.
        QStringLiteral("select case when has_schema_privilege('%1', current_schema(), 'USAGE') then 'select 1' else "
                       "format('grant usage on schema %I to %1', current_schema()) end")
            .arg(group),
        QStringLiteral("revoke all on table1, job_history from %1").arg(group),
        QStringLiteral("grant select, insert, update, delete on table1 to %1").arg(group),
        QStringLiteral("select format('grant usage, select on sequence %s to %1', "
                       "pg_get_serial_sequence('table1', 'rowid'))")
            .arg(group),
        QStringLiteral("grant select on job_history to %1").arg(group),
        QStringLiteral("grant execute on function job_history_bring_back(bigint) to %1").arg(group),
        // An import at a counter adds to the ledger; nothing at a counter rewrites it.
        QStringLiteral("select case when to_regclass('access_imports') is null then 'select 1' else "
                       "'revoke all on access_imports from %1; grant select, insert on access_imports to %1' end")
            .arg(group),
    };
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
        if (statement.startsWith(QLatin1String("select")) && (!query.next() || !query.exec(query.value(0).toString())))
            return false;
    }
    return true;
}

} // namespace

QString groupRole()
{
    return QStringLiteral("velmora_counters");
}

bool isValidName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    return pattern.match(name).hasMatch() && !name.startsWith(QLatin1String("pg_")) && name != groupRole();
}

QString nameRefusal(const QString &name)
{
    if (isValidName(name))
        return QString();
    return QStringLiteral("Not a counter account's name: \"%1\". Use 1 to 63 lower-case Latin letters, digits and "
                          "_, starting with a letter or _, not pg_ and not %2.\n"
                          "نام \"%1\" براي حساب پيشخوان درست نيست: از حروف کوچک لاتين، رقم و _ استفاده کنيد و "
                          "با حرف يا _ شروع کنيد.")
        .arg(name, groupRole());
}

Outcome add(const QSqlDatabase &db, const QString &name, const QString &password)
{
    if (const auto bad = badName(name))
        return *bad;
    if (password.isEmpty())
        return refused(QStringLiteral("No password was given; no account was made."),
                       QStringLiteral("رمزي داده نشد؛ حسابي ساخته نشد."));
    QSqlQuery query(db);
    if (const auto refusal = notOwner(query))
        return *refusal;
    query.prepare(QStringLiteral("select count(*) from pg_roles where rolname = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return serverRefused(query);
    if (query.value(0).toInt() > 0)
        return refused(
            QStringLiteral("An account named %1 already exists on the server; nothing was changed.").arg(name),
            QStringLiteral("حسابي با نام %1 از قبل روي سرور هست؛ چيزي تغيير نکرد.").arg(name));
    // Hashed as the server asks (SCRAM), so neither the line nor the server's log sees the password.
    pg_conn *conn = ServerWatch::handleOf(db);
    char *hashed =
        conn ? PQencryptPasswordConn(conn, password.toUtf8().constData(), name.toUtf8().constData(), nullptr) : nullptr;
    if (!hashed)
        return refused(QStringLiteral("The password could not be prepared for the server: %1")
                           .arg(conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QString()),
                       QStringLiteral("رمز براي سرور آماده نشد؛ حسابي ساخته نشد."));
    const QString secret = QString::fromUtf8(hashed);
    PQfreemem(hashed);
    QSqlDatabase server = db;
    const bool ok = server.transaction() && grantGroup(query) &&
                    execFormatted(query,
                                  QStringLiteral("format('create role %I login password %L nosuperuser nocreatedb "
                                                 "nocreaterole inherit in role %1', ?::text, ?::text)")
                                      .arg(groupRole()),
                                  {name, secret}) &&
                    server.commit();
    if (!ok) {
        const Outcome outcome = serverRefused(query);
        server.rollback();
        return outcome;
    }
    return {true, QStringLiteral("Counter account %1 made: it may read, register, save and delete jobs, import, read "
                                 "the history and bring a deleted job back; it may not rewrite the history or "
                                 "restore a backup.\n"
                                 "حساب پيشخوان %1 ساخته شد: مي تواند کارها را ببيند، ثبت، ذخيره و حذف کند، "
                                 "کار وارد کند، سابقه را ببيند و کار حذف شده را برگرداند؛ سابقه را نمي تواند "
                                 "تغيير دهد و پشتيبان را نمي تواند برگرداند.")
                      .arg(name)};
}

Outcome remove(const QSqlDatabase &db, const QString &name)
{
    if (const auto bad = badName(name))
        return *bad;
    QSqlQuery query(db);
    if (const auto refusal = notOwner(query))
        return *refusal;
    // Made a member by add(), not counted one as a superuser is of every role.
    query.prepare(QStringLiteral("select exists (select 1 from pg_auth_members m where m.member = r.oid and m.roleid "
                                 "= g.oid), (select count(*) from pg_shdepend d "
                                 "where d.refclassid = 'pg_authid'::regclass and d.refobjid = r.oid and "
                                 "d.deptype = 'o') from pg_roles r, pg_roles g where r.rolname = ? and "
                                 "g.rolname = ?"));
    query.addBindValue(name);
    query.addBindValue(groupRole());
    if (!query.exec())
        return serverRefused(query);
    if (!query.next())
        return refused(
            QStringLiteral("There is no counter account named %1 on the server; nothing was changed.").arg(name),
            QStringLiteral("حساب پيشخواني با نام %1 روي سرور نيست؛ چيزي تغيير نکرد.").arg(name));
    if (!query.value(0).toBool())
        return refused(QStringLiteral("%1 is not a counter account (not a member of %2); it was left as it is.")
                           .arg(name, groupRole()),
                       QStringLiteral("%1 حساب پيشخوان نيست؛ دست نخورد.").arg(name));
    if (const int owned = query.value(1).toInt(); owned > 0)
        return refused(QStringLiteral("%1 owns %2 thing(s) on the server (tables, functions...); hand them to "
                                      "another account first (REASSIGN OWNED BY %1 TO ...). Nothing was changed.")
                           .arg(name)
                           .arg(owned),
                       QStringLiteral("حساب %1 مالک %2 چيز روي سرور است؛ اول آنها را به حساب ديگري بدهيد. "
                                      "چيزي تغيير نکرد.")
                           .arg(name)
                           .arg(owned));
    if (!execFormatted(query, QStringLiteral("format('drop role %I', ?::text)"), {name}))
        return serverRefused(query);
    return {true, QStringLiteral("Counter account %1 ended; a program still open with it is refused from its next "
                                 "question to the server.\n"
                                 "حساب پيشخوان %1 حذف شد؛ برنامه اي که هنوز با آن باز است ديگر به سرور "
                                 "دسترسي ندارد.")
                      .arg(name)};
}

QString otherOwner(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select pg_get_userbyid(relowner), pg_has_role(session_user, relowner, 'MEMBER') "
                                   "from pg_class where oid = to_regclass('table1')")) ||
        !query.next() || query.value(1).toBool())
        return QString();
    return query.value(0).toString();
}

} // namespace CounterAccounts
