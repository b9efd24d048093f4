// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/AccessFile.h"

#include "jobstore/JobTable.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringDecoder>
#include <QtEndian>

#include <charconv>
#include <cstring>
#include <vector>

extern "C" {
#include <mdbtools.h>
}

namespace
{

// libmdb's type codes, as the table definition stores them.
enum : int {
    Byte = MDB_BYTE,
    Integer = MDB_INT,
    Long = MDB_LONGINT,
    Currency = MDB_MONEY,
    Single = MDB_FLOAT,
    Double = MDB_DOUBLE,
    Text = MDB_TEXT,
    Memo = MDB_MEMO,
    Decimal = MDB_NUMERIC,
};

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

// A decimal text read by the same correctly rounded conversion every value takes.
double fromDecimalText(const std::string &text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Digits of `magnitude` with a decimal point `scale` places from the right.
std::string scaledDecimal(unsigned __int128 magnitude, int scale, bool negative)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (int(digits.size()) <= scale)
            digits.insert(0, std::string(scale - digits.size() + 1, '0'));
        digits.insert(digits.size() - scale, 1, '.');
    }
    return negative ? '-' + digits : digits;
}

// Page 2 of every Jet and ACE file defines MSysObjects, the catalog.
bool catalogIsWhole(MdbHandle *mdb)
{
    MdbCatalogEntry catalog{};
    catalog.mdb = mdb;
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = 2;
    std::strcpy(catalog.object_name, "MSysObjects");
    MdbTableDef *table = mdb_read_table(&catalog);
    if (!table)
        return false;
    bool whole = mdb_read_columns(table) != nullptr;
    if (whole) {
        mdb_rewind_table(table);
        unsigned int rows = 0;
        while (mdb_fetch_row(table))
            ++rows;
        whole = rows >= table->num_rows;
    }
    mdb_free_tabledef(table);
    return whole;
}

} // namespace

struct AccessFile::Private {
    QString path;
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    Fault fault = Fault::None;
    QString detail;
    QString faultColumn;
    QStringList unknown;
    QStringList missing;
    // For each column of the file, its place in the job table, or -1 for a column left out.
    std::vector<int> target;
    qint64 read = 0;
    bool ended = false;

    bool fail(Fault kind, const QString &why)
    {
        fault = kind;
        detail = why;
        return false;
    }
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

bool AccessFile::open()
{
    if (!isAccessFile(d->path))
        return d->fail(Fault::NotAccess, QStringLiteral("not a Jet or ACE database"));
    // MDB_NOFLAGS opens the file read-only; libmdb keeps no lock file.
    d->mdb = mdb_open(QFile::encodeName(d->path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        return d->fail(Fault::Unreadable, QStringLiteral("libmdb cannot open the file"));
    // A file cut short within its last page would hand libmdb a page that is partly missing.
    const qint64 pageSize = d->mdb->fmt->pg_size;
    const qint64 size = QFile(d->path).size();
    if (pageSize <= 0 || size % pageSize != 0)
        return d->fail(Fault::Damaged,
                       QStringLiteral("%1 bytes is not a whole number of %2-byte pages").arg(size).arg(pageSize));
    if (!mdb_read_catalog(d->mdb, MDB_TABLE))
        return d->fail(Fault::Unreadable, QStringLiteral("libmdb cannot read the catalog"));
    // libmdb stops reading a table quietly at a page it cannot read, so a file cut short can lose
    // the catalog row of table1 and pass for a file without it.
    if (!catalogIsWhole(d->mdb))
        return d->fail(Fault::Damaged, QStringLiteral("the catalog (MSysObjects) has fewer rows than it counts"));
    MdbCatalogEntry *entry = nullptr;
    for (unsigned int i = 0; i < d->mdb->num_catalog && !entry; ++i) {
        auto *each = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (each->object_type == MDB_TABLE &&
            QString::fromUtf8(each->object_name).compare(JobTable::tableName(), Qt::CaseInsensitive) == 0)
            entry = each;
    }
    if (!entry)
        return d->fail(Fault::NoJobTable, QStringLiteral("no table table1"));
    d->table = mdb_read_table(entry);
    if (!d->table || !mdb_read_columns(d->table))
        return d->fail(Fault::Damaged, QStringLiteral("cannot read the definition of table1"));

    const QStringList &names = JobTable::columnNames();
    std::vector<bool> found(names.size(), false);
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
        if (!fits) {
            d->faultColumn = name;
            return d->fail(Fault::WrongColumnType,
                           QStringLiteral("column %1 is %2").arg(name, typeName(column->col_type)));
        }
    }
    for (int j = 0; j < names.size(); ++j) {
        if (!found[j])
            d->missing << names.at(j);
    }
    mdb_rewind_table(d->table);
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
    return d->table ? qint64(d->table->num_rows) : 0;
}

QStringList AccessFile::unknownColumns() const
{
    return d->unknown;
}

QStringList AccessFile::missingColumns() const
{
    return d->missing;
}

bool AccessFile::next(QVariantList &values)
{
    if (!d->table || d->fault != Fault::None || d->ended)
        return false;
    if (!mdb_fetch_row(d->table)) {
        d->ended = true;
        // libmdb ends a scan quietly at a page it cannot read; a file cut short must not pass for
        // a smaller one.
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

bool AccessFile::Private::readRow(QVariantList &values)
{
    // mdb_fetch_row has left the row's page in pg_buf; its fields are cracked once more here
    // because the bound values cannot tell a null from an empty text.
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
        return fail(Fault::Damaged, QStringLiteral("row %1 cannot be found on its page").arg(read + 1));
    std::vector<MdbField> fields(table->num_cols);
    const int count = mdb_crack_row(table, start & RowOffsetMask, size, fields.data());
    if (count < 0)
        return fail(Fault::Damaged, QStringLiteral("row %1 cannot be read").arg(read + 1));

    values = QVariantList(JobTable::ColumnCount);
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const auto *page = static_cast<const unsigned char *>(static_cast<void *>(mdb->pg_buf));
    for (int i = 0; i < count; ++i) {
        const MdbField &field = fields[i];
        if (field.colnum < 0 || field.colnum >= int(target.size()) || target[field.colnum] < 0 || field.is_null)
            continue;
        const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, field.colnum));
        const int place = target[field.colnum];
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > int(mdb->fmt->pg_size))
            return fail(Fault::Damaged, QStringLiteral("row %1 has a value outside its page").arg(read + 1));
        const QByteArrayView bytes(page + field.start, field.siz);
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
            values[place] = decodeText(jet3, *memo);
        } else {
            values[place] = decodeText(jet3, bytes);
        }
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
    qint32 pageRow = qFromLittleEndian<qint32>(field + 4);
    QByteArray memo;
    void *buffer = nullptr;
    int offset = 0;
    size_t chunk = 0;
    if (header & 0x40000000) { // one row of a page of its own
        if (mdb_find_pg_row(mdb, pageRow, &buffer, &offset, &chunk) != 0)
            return std::nullopt;
        memo = QByteArray(static_cast<const char *>(buffer) + offset, qsizetype(std::min<size_t>(chunk, length)));
    } else if ((header & 0xc0000000) == 0) { // a chain of rows, each naming the next
        while (pageRow != 0 && memo.size() < qsizetype(length)) {
            if (mdb_find_pg_row(mdb, pageRow, &buffer, &offset, &chunk) != 0 || chunk < 4)
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

std::optional<double> AccessFile::decodeNumber(int type, QByteArrayView bytes, int scale)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    switch (type) {
    case Byte:
        return size == 1 ? std::optional<double>(data[0]) : std::nullopt;
    case Integer:
        return size == 2 ? std::optional<double>(qFromLittleEndian<qint16>(data)) : std::nullopt;
    case Long:
        return size == 4 ? std::optional<double>(qFromLittleEndian<qint32>(data)) : std::nullopt;
    case Single: {
        if (size != 4)
            return std::nullopt;
        const quint32 raw = qFromLittleEndian<quint32>(data);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        return fromDecimalText(std::string(text, written.ptr));
    }
    case Double: {
        if (size != 8)
            return std::nullopt;
        const quint64 raw = qFromLittleEndian<quint64>(data);
        double value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    case Currency: {
        if (size != 8)
            return std::nullopt;
        const qint64 raw = qFromLittleEndian<qint64>(data);
        const bool negative = raw < 0;
        const unsigned __int128 magnitude = negative ? -(unsigned __int128)(raw) : (unsigned __int128)(raw);
        return fromDecimalText(scaledDecimal(magnitude & 0xffffffffffffffffULL, 4, negative));
    }
    case Decimal: {
        // A sign byte, then four 32-bit little-endian words, the most significant first.
        if (size != 17 || scale < 0 || scale > 28)
            return std::nullopt;
        unsigned __int128 magnitude = 0;
        for (int word = 0; word < 4; ++word)
            magnitude = (magnitude << 32) | qFromLittleEndian<quint32>(data + 1 + 4 * word);
        return fromDecimalText(scaledDecimal(magnitude, scale, (data[0] & 0x80) != 0));
    }
    default:
        return std::nullopt;
    }
}

QString AccessFile::decodeText(bool jet3, QByteArrayView bytes)
{
    // An empty text stays an empty text, which the job table keeps apart from null.
    if (bytes.isEmpty())
        return QStringLiteral("");
    if (jet3) {
        QStringDecoder decoder("windows-1256");
        return decoder.decode(bytes);
    }
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    QString text;
    if (size >= 2 && data[0] == 0xff && data[1] == 0xfe) {
        // Jet's compressed form: a zero byte switches between one byte a character (the high byte
        // being zero) and two.
        bool compressed = true;
        text.reserve(size);
        for (qsizetype i = 2; i < size;) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text.append(QChar(char16_t(data[i])));
                ++i;
            } else if (i + 1 < size) {
                text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
                i += 2;
            } else {
                break;
            }
        }
        return text;
    }
    text.resize(size / 2);
    for (qsizetype i = 0; i + 1 < size; i += 2)
        text[i / 2] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}

namespace
{

// Bytes every Jet and ACE header keeps from the database's making: the version, and the masked
// block holding its creation date, sort order and key.
constexpr qint64 HeaderStart = 0x14;
constexpr qint64 HeaderEnd = 0x98;
constexpr int LocalTable = 1;

// The catalog rows of MSysObjects and of table1, each as its name, id and creation stamp. Read
// through a handle of its own, so the page a next() left in the reader's buffer stays there.
std::optional<QByteArray> catalogStamps(const QString &path)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        return std::nullopt;
    MdbCatalogEntry *catalog =
        mdb_read_catalog(mdb, MDB_TABLE) ? mdb_get_catalogentry_by_name(mdb, "MSysObjects") : nullptr;
    MdbTableDef *table = catalog ? mdb_read_table(catalog) : nullptr;
    std::optional<QByteArray> stamps;
    if (table && mdb_read_columns(table)) {
        int id = -1, name = -1, type = -1, created = -1;
        for (unsigned int i = 0; i < table->num_cols; ++i) {
            const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
            const QByteArray each(column->name);
            if (each == "Id")
                id = int(i);
            else if (each == "Name")
                name = int(i);
            else if (each == "Type")
                type = int(i);
            else if (each == "DateCreate")
                created = int(i);
        }
        mdb_rewind_table(table);
        const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
        std::vector<MdbField> fields(table->num_cols);
        stamps.emplace();
        while (id >= 0 && name >= 0 && type >= 0 && created >= 0 && mdb_fetch_row(table)) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
                continue;
            const int count = mdb_crack_row(table, start & RowOffsetMask, size, fields.data());
            QByteArrayView bytes[4];
            const int wanted[4] = {id, name, type, created};
            const auto *page = static_cast<const unsigned char *>(static_cast<void *>(mdb->pg_buf));
            for (int i = 0; i < count; ++i) {
                const MdbField &field = fields[i];
                if (field.is_null || field.start < 0 || field.siz < 0 || field.start + field.siz > mdb->fmt->pg_size)
                    continue;
                for (int w = 0; w < 4; ++w) {
                    if (field.colnum == wanted[w])
                        bytes[w] = QByteArrayView(page + field.start, field.siz);
                }
            }
            const QString object = AccessFile::decodeText(jet3, bytes[1]).toLower();
            const bool local = bytes[2].size() == 2 && qFromLittleEndian<qint16>(bytes[2].data()) == LocalTable;
            if (!local || (object != QLatin1String("msysobjects") && object != JobTable::tableName().toLower()))
                continue;
            for (const QByteArrayView &each : {QByteArrayView(object.toUtf8()), bytes[0], bytes[3]})
                *stamps += QByteArray::number(each.size()) + ':' + each.toByteArray();
        }
    }
    if (table)
        mdb_free_tabledef(table);
    mdb_close(mdb);
    return stamps;
}

} // namespace

QString AccessFile::identity() const
{
    if (!d->table)
        return QString();
    QFile file(d->path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(HeaderStart))
        return QString();
    const QByteArray header = file.read(HeaderEnd - HeaderStart);
    const std::optional<QByteArray> stamps = catalogStamps(d->path);
    if (header.size() != HeaderEnd - HeaderStart || !stamps || stamps->isEmpty())
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("velmora access source 1\n"));
    hash.addData(header);
    hash.addData(*stamps);
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
