// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/AccessFile.h"

#include "jobstore/JobTable.h"
#include "jobstore/access/AccessPages.h"
#include "jobstore/access/AccessTypes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringDecoder>
#include <QtEndian>

#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

constexpr int MemoHeaderSize = 12;
constexpr int RowOffsetMask = 0x1fff;

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Yes/No");
    case Byte:
        return QStringLiteral("Byte");
    case Integer:
        return QStringLiteral("Integer");
    case Long:
        return QStringLiteral("Long");
    case Currency:
        return QStringLiteral("Currency");
    case Single:
        return QStringLiteral("Single");
    case Double:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("Date/Time");
    case MDB_BINARY:
        return QStringLiteral("Binary");
    case Text:
        return QStringLiteral("Text");
    case MDB_OLE:
        return QStringLiteral("OLE Object");
    case Memo:
        return QStringLiteral("Memo");
    case MDB_REPID:
        return QStringLiteral("Replication ID");
    case Decimal:
        return QStringLiteral("Decimal");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

bool isNumberType(int type)
{
    return type == Byte || type == Integer || type == Long || type == Currency || type == Single || type == Double ||
           type == Decimal;
}

// The Jet version byte mdb_open accepts, and the page size that goes with it.
int pageSizeOf(const QByteArray &header)
{
    if (header.size() < 0x15 || header.at(0) != 0)
        return 0;
    const int version = static_cast<unsigned char>(header.at(0x14));
    if (version == MDB_VER_JET3)
        return 2048;
    return version <= MDB_VER_ACCDB_2019 ? 4096 : 0;
}

} // namespace

struct AccessFile::Private {
    QString path;
    MdbHandle *mdb = nullptr;
    std::optional<AccessPages> pages;
    MdbCatalogEntry catalogEntry{};
    MdbCatalogEntry jobEntry{};
    MdbTableDef *table = nullptr;
    Fault fault = Fault::None;
    QString detail;
    QString faultColumn;
    QStringList unknown;
    QStringList missing;
    // For each column of the file, its place in the job table, or -1 for a column left out.
    std::vector<int> target;
    std::vector<MdbField> fields;
    qint64 read = 0;
    qint64 rows = 0; // what the check of table1's pages found a scan will yield
    qint64 repaired = 0;
    bool ended = false;
    // The catalog's rows for itself and for table1: name, id and creation stamp, which name the
    // database however it is copied or renamed.
    QByteArray catalogStamps;

    bool fail(Fault kind, const QString &why)
    {
        fault = kind;
        detail = why;
        return false;
    }
    MdbTableDef *readTable(MdbCatalogEntry &entry, quint32 page, const char *name);
    bool scannable(MdbTableDef *read);
    std::optional<quint32> jobTablePage();
    bool crackRow(MdbTableDef *from);
    bool readRow(QVariantList &values);
    std::optional<QByteArray> memoBytes(const unsigned char *field, int size);
};

AccessFile::AccessFile(const QString &path) : d(std::make_unique<Private>())
{
    d->path = path;
}

AccessFile::~AccessFile()
{
    if (d->table)
        mdb_free_tabledef(d->table);
    if (d->mdb)
        mdb_close(d->mdb);
}

bool AccessFile::isAccessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(19);
    return start.size() == 19 &&
           (start.mid(4) == QByteArray("Standard Jet DB") || start.mid(4) == QByteArray("Standard ACE DB"));
}

// A table's definition and columns, read by libmdb once their pages are checked (see AccessPages).
MdbTableDef *AccessFile::Private::readTable(MdbCatalogEntry &entry, quint32 page, const char *name)
{
    entry = MdbCatalogEntry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = page;
    std::strncpy(entry.object_name, name, MDB_MAX_OBJ_NAME);
    QString why;
    if (!pages->checkDefinition(page, &why)) {
        fail(Fault::Damaged, QStringLiteral("%1: %2").arg(QString::fromUtf8(name), why));
        return nullptr;
    }
    MdbTableDef *read = mdb_read_table(&entry);
    if (!read || !mdb_read_columns(read)) {
        fail(Fault::Damaged, QStringLiteral("%1: libmdb cannot read its definition").arg(QString::fromUtf8(name)));
        mdb_free_tabledef(read);
        return nullptr;
    }
    return read;
}

// Every row a scan of the table will reach, checked before libmdb scans it.
bool AccessFile::Private::scannable(MdbTableDef *read)
{
    QString why;
    qint64 rows = 0;
    if (!pages->checkRows(read, &rows, &why))
        return fail(Fault::Damaged, QStringLiteral("%1: %2").arg(QString::fromUtf8(read->name), why));
    // libmdb passes quietly over a row it cannot find; a file cut short must not pass for a
    // smaller one.
    if (rows < qint64(read->num_rows))
        return fail(Fault::Damaged, QStringLiteral("%1: %2 of the %3 rows it counts can be read")
                                        .arg(QString::fromUtf8(read->name))
                                        .arg(rows)
                                        .arg(read->num_rows));
    this->rows = rows;
    mdb_rewind_table(read);
    return true;
}

// table1's definition page, from its row in MSysObjects (read here rather than by
// mdb_read_catalog, which also parses every object's properties unchecked).
std::optional<quint32> AccessFile::Private::jobTablePage()
{
    MdbTableDef *catalog = readTable(catalogEntry, 2, "MSysObjects");
    if (!catalog)
        return std::nullopt;
    if (!scannable(catalog)) {
        mdb_free_tabledef(catalog);
        return std::nullopt;
    }
    int id = -1;
    int name = -1;
    int type = -1;
    int created = -1;
    for (unsigned int i = 0; i < catalog->num_cols; ++i) {
        const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(catalog->columns, i));
        const QLatin1StringView each(column->name);
        if (each == QLatin1StringView("Id") && column->col_type == Long)
            id = int(i);
        else if (each == QLatin1StringView("Name") && column->col_type == Text)
            name = int(i);
        else if (each == QLatin1StringView("Type") && column->col_type == Integer)
            type = int(i);
        else if (each == QLatin1StringView("DateCreate"))
            created = int(i);
    }
    std::optional<quint32> page;
    if (id < 0 || name < 0 || type < 0)
        fail(Fault::Unreadable, QStringLiteral("the catalog has no Id, Name and Type columns"));
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const auto *bytes = static_cast<const unsigned char *>(static_cast<void *>(mdb->pg_buf));
    const auto value = [&](int column) {
        const MdbField &field = fields[column];
        return QByteArrayView(bytes + field.start, field.is_null ? 0 : field.siz);
    };
    while (fault == Fault::None && mdb_fetch_row(catalog)) {
        if (!crackRow(catalog)) {
            fail(Fault::Damaged, QStringLiteral("a row of the catalog cannot be read"));
            break;
        }
        const std::optional<double> kind = decodeNumber(Integer, value(type), 0);
        const std::optional<double> where = decodeNumber(Long, value(id), 0);
        const QString object = decodeText(jet3, value(name)).toLower();
        const bool table = kind && (qint64(*kind) & 0x7f) == MDB_TABLE;
        if (table && (object == QLatin1String("msysobjects") || object == JobTable::tableName().toLower())) {
            const QByteArray objectName = object.toUtf8();
            for (const QByteArrayView each :
                 {QByteArrayView(objectName), value(id), created >= 0 ? value(created) : QByteArrayView()})
                catalogStamps += QByteArray::number(each.size()) + ':' + each.toByteArray();
        }
        if (!page && table && where && object == JobTable::tableName().toLower())
            page = quint32(qint64(*where) & 0xffffff);
    }
    mdb_free_tabledef(catalog);
    if (!page && fault == Fault::None)
        fail(Fault::NoJobTable, QStringLiteral("no table table1"));
    return page;
}

bool AccessFile::open()
{
    if (!isAccessFile(d->path))
        return d->fail(Fault::NotAccess, QStringLiteral("not a Jet or ACE database"));
    QFile file(d->path);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(0x15) : QByteArray();
    const qint64 pageSize = pageSizeOf(header);
    const qint64 size = file.size();
    if (pageSize == 0)
        return d->fail(Fault::Unreadable, QStringLiteral("a Jet version libmdb does not read"));
    // A file cut short within its last page would hand libmdb a page that is partly missing; the
    // catalog is on page 2.
    if (size % pageSize != 0 || size < 3 * pageSize || size / pageSize > std::numeric_limits<qint32>::max())
        return d->fail(Fault::Damaged,
                       QStringLiteral("%1 bytes is not a whole number of %2-byte pages").arg(size).arg(pageSize));
    // MDB_NOFLAGS opens the file read-only; libmdb keeps no lock file.
    d->mdb = mdb_open(QFile::encodeName(d->path).constData(), MDB_NOFLAGS);
    if (!d->mdb || d->mdb->fmt->pg_size != pageSize)
        return d->fail(Fault::Unreadable, QStringLiteral("libmdb cannot open the file"));
    d->pages.emplace(d->mdb, quint32(size / pageSize));

    const std::optional<quint32> page = d->jobTablePage();
    if (!page)
        return false;
    d->table = d->readTable(d->jobEntry, *page, "table1");
    if (!d->table)
        return false;

    const QStringList &names = JobTable::columnNames();
    std::vector<bool> found(names.size(), false);
    QString wrongKind;
    for (unsigned int i = 0; i < d->table->num_cols; ++i) {
        const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(d->table->columns, i));
        const QString name = QString::fromUtf8(column->name);
        int place = -1;
        for (int j = 0; j < names.size() && place < 0; ++j) {
            if (!found[j] && name.compare(names.at(j), Qt::CaseInsensitive) == 0)
                place = j;
        }
        d->target.push_back(place);
        if (place < 0) {
            d->unknown << name;
            continue;
        }
        found[place] = true;
        const bool fits = JobTable::isNumberColumn(place) ? isNumberType(column->col_type)
                                                          : column->col_type == Text || column->col_type == Memo;
        if (!fits && d->faultColumn.isEmpty()) {
            d->faultColumn = name;
            wrongKind = QStringLiteral("column %1 is %2").arg(name, typeName(column->col_type));
        }
    }
    // Access names a new table Table1 too; without a receipt number and a name or a model it holds
    // no jobs.
    if (!found[JobTable::Num] || (!found[JobTable::Name] && !found[JobTable::NamePh])) {
        d->faultColumn.clear();
        return d->fail(Fault::NotJobTable,
                       QStringLiteral("table1 has the columns %1").arg(d->unknown.join(QStringLiteral(", "))));
    }
    if (!wrongKind.isEmpty())
        return d->fail(Fault::WrongColumnType, wrongKind);
    if (!d->scannable(d->table))
        return false;
    for (int j = 0; j < names.size(); ++j) {
        if (!found[j])
            d->missing << names.at(j);
    }
    return true;
}

AccessFile::Fault AccessFile::fault() const
{
    return d->fault;
}

QString AccessFile::detail() const
{
    return d->detail;
}

QString AccessFile::faultColumn() const
{
    return d->faultColumn;
}

qint64 AccessFile::rowCount() const
{
    return d->table ? d->rows : 0;
}

QStringList AccessFile::unknownColumns() const
{
    return d->unknown;
}

QStringList AccessFile::missingColumns() const
{
    return d->missing;
}

qint64 AccessFile::repairedTexts() const
{
    return d->repaired;
}

bool AccessFile::next(QVariantList &values)
{
    if (!d->table || d->fault != Fault::None || d->ended)
        return false;
    if (!mdb_fetch_row(d->table)) {
        d->ended = true;
        if (d->read < rowCount())
            return d->fail(Fault::Damaged,
                           QStringLiteral("read %1 of the %2 rows table1 counts").arg(d->read).arg(rowCount()));
        return false;
    }
    if (!d->readRow(values))
        return false;
    ++d->read;
    return true;
}

// mdb_fetch_row has left the row's page in pg_buf; its fields are cracked once more here because
// the bound values cannot tell a null from an empty text. mdb_crack_row fills one field a column
// and returns the count the row claims, which the pages' check held to the table's.
bool AccessFile::Private::crackRow(MdbTableDef *from)
{
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, int(from->cur_row) - 1, &start, &size) != 0)
        return false;
    fields.assign(from->num_cols, MdbField{});
    const int count = mdb_crack_row(from, start & RowOffsetMask, size, fields.data());
    if (count < 0 || count > int(from->num_cols))
        return false;
    for (const MdbField &field : fields) {
        if (!field.is_null && (field.start < 0 || field.siz < 0 || field.start + field.siz > int(mdb->fmt->pg_size)))
            return false;
    }
    return true;
}

bool AccessFile::Private::readRow(QVariantList &values)
{
    if (!crackRow(table))
        return fail(Fault::Damaged, QStringLiteral("row %1 cannot be read").arg(read + 1));

    values = QVariantList(JobTable::ColumnCount);
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const auto *page = static_cast<const unsigned char *>(static_cast<void *>(mdb->pg_buf));
    for (const MdbField &field : fields) {
        if (field.colnum < 0 || field.colnum >= int(target.size()) || target[field.colnum] < 0 || field.is_null)
            continue;
        const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, field.colnum));
        const int place = target[field.colnum];
        const QByteArrayView bytes(page + field.start, field.siz);
        bool replaced = false;
        if (JobTable::isNumberColumn(place)) {
            const std::optional<double> number =
                decodeNumber(column->col_type, bytes, std::min(column->col_prec, column->col_scale));
            if (!number)
                return fail(Fault::Damaged,
                            QStringLiteral("row %1: %2 has %3 bytes").arg(read + 1).arg(column->name).arg(field.siz));
            values[place] = *number;
        } else if (column->col_type == Memo) {
            const std::optional<QByteArray> memo = memoBytes(page + field.start, field.siz);
            if (!memo)
                return fail(Fault::Damaged,
                            QStringLiteral("row %1: the memo %2 cannot be read").arg(read + 1).arg(column->name));
            values[place] = decodeText(jet3, *memo, &replaced);
        } else {
            values[place] = decodeText(jet3, bytes, &replaced);
        }
        if (replaced)
            ++repaired;
    }
    return true;
}

std::optional<QByteArray> AccessFile::Private::memoBytes(const unsigned char *field, int size)
{
    if (size < MemoHeaderSize)
        return std::nullopt;
    const quint32 header = qFromLittleEndian<quint32>(field);
    const quint32 length = header & 0x3fffffff;
    if (header & 0x80000000) // kept in the row itself
        return QByteArray(reinterpret_cast<const char *>(field) + MemoHeaderSize, size - MemoHeaderSize);
    // No memo is longer than the file; each link below adds a byte at least, so a chain that
    // loops ends too.
    if (qint64(length) > qint64(QFile(path).size()))
        return std::nullopt;
    qint32 pageRow = qFromLittleEndian<qint32>(field + 4);
    QByteArray memo;
    void *buffer = nullptr;
    int offset = 0;
    size_t chunk = 0;
    if (header & 0x40000000) { // one row of a page of its own
        if (!pages->holdsPage(pageRow) || mdb_find_pg_row(mdb, pageRow, &buffer, &offset, &chunk) != 0)
            return std::nullopt;
        memo = QByteArray(static_cast<const char *>(buffer) + offset, qsizetype(std::min<size_t>(chunk, length)));
    } else if ((header & 0xc0000000) == 0) { // a chain of rows, each naming the next
        while (pageRow != 0 && memo.size() < qsizetype(length)) {
            if (!pages->holdsPage(pageRow) || mdb_find_pg_row(mdb, pageRow, &buffer, &offset, &chunk) != 0 ||
                chunk <= 4)
                return std::nullopt;
            const auto *row = static_cast<const unsigned char *>(buffer) + offset;
            memo.append(reinterpret_cast<const char *>(row) + 4, qsizetype(chunk - 4));
            pageRow = qFromLittleEndian<qint32>(row);
        }
        memo.truncate(length);
    } else {
        return std::nullopt;
    }
    if (memo.size() != qsizetype(length))
        return std::nullopt;
    return memo;
}

namespace
{

// Bytes every Jet and ACE header keeps from the database's making: the version, and the masked
// block holding its creation date, sort order and key.
constexpr qint64 HeaderStart = 0x14;
constexpr qint64 HeaderEnd = 0x98;

} // namespace

QString AccessFile::identity() const
{
    if (!d->table)
        return QString();
    QFile file(d->path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(HeaderStart))
        return QString();
    const QByteArray header = file.read(HeaderEnd - HeaderStart);
    if (header.size() != HeaderEnd - HeaderStart || d->catalogStamps.isEmpty())
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("velmora access source 1\n"));
    hash.addData(header);
    hash.addData(d->catalogStamps);
    // Files copied from one blank database, as a program's installer hands every shop, share the
    // header and the catalog; their first jobs tell them apart.
    AccessFile first(d->path);
    QVariantList job;
    if (first.open() && first.next(job)) {
        for (const int column : {JobTable::Num, JobTable::Name, JobTable::DateIn})
            hash.addData((job.at(column).isNull() ? QStringLiteral("null") : job.at(column).toString()).toUtf8() +
                         '\n');
    }
    return QString::fromLatin1(hash.result().toHex());
}
