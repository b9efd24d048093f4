// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/RecordRows.h"
#include "jobstore/SqlText.h"
#include "jobstore/StorageFault.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <limits>

// A client-side, static record set over one query of the job table: its first page of rows is read
// at once, the ids of all its rows on another thread (or at once, when a search or a new row needs
// them), the other rows a page at a time as they are shown, once counted by their place when their
// ids are not known yet; the current row moves over them, and changes are written back row by row.
class Recordset : public QObject
{
    Q_OBJECT

public:
    explicit Recordset(QObject *parent = nullptr);

    // Runs `source` (its first column must be the row id) and makes its first row current. The
    // source is written for the database here (Dialect::adapt).
    bool open(const QSqlDatabase &db, const SqlText &source);

    // The first page of `source` as open() reads it, to be read on the reading thread over a
    // connection like `db`'s and opened with later on the window's.
    struct FirstPage {
        SqlText source; // as run, written for the database
        bool ok = false;
        QString error;
        StorageFault fault = StorageFault::None;
        QString idColumn;
        QStringList names;
        QVector<qint64> ids;
        QVector<QVector<QVariant>> rows;
    };
    static FirstPage readFirstPage(const QSqlDatabase &db, const SqlText &source);
    bool open(const QSqlDatabase &db, const SqlText &source, FirstPage page);
    void close();
    bool isOpen() const { return m_open; }

    // The number of rows, counted now when the ids are still being read.
    int RecordCount();
    // The rows known without asking the database: all of them once counted, the first page before.
    int availableCount() const { return m_count >= 0 ? m_count : int(m_rows.size()); }
    // Whether availableCount() is every row, counted or its ids read.
    bool isCounted() const { return m_count >= 0; }
    // 1-based position of the current row; 0 or less when there is none.
    int AbsolutePosition() const;
    bool setAbsolutePosition(int position);
    // BOF/EOF of the record set; EOF itself is a C macro.
    bool IsBOF() const;
    bool IsEOF() const;

    bool MoveFirst();
    bool MoveLast();
    // MoveLast, with the count it may need made on the reading thread: a million jobs on a server
    // take longer to count than the window may stand still. No row is current until the count
    // comes; a move before then, or the list read again, stands instead.
    void MoveLastWhenCounted() { moveWhenCounted(LastRow); }
    // The same for the 0-based row `index`, or the first row when there are fewer.
    void moveWhenCounted(int index);
    bool MoveNext();
    bool MovePrevious();
    bool Move(int rows);
    // "column='value'", compared as a number: the first row from the current one on that meets
    // it becomes current, or EOF when none does.
    bool Find(const QString &criterion);

    int fieldCount() const { return int(m_fieldNames.size()); }
    QString fieldName(int index) const { return m_fieldNames.value(index); }
    // Column `index` of the current row; null for an empty column, invalid with no current row.
    QVariant Fields(int index) const;
    // Pending until Update() or a move commits it.
    bool setField(int index, const QVariant &value);
    QVariant value(int row, int index) const;

    bool AddNew();
    bool isEditing() const { return m_editing; }
    // Writes the pending new or changed row. On failure nothing is written and the pending values
    // stay, so the caller may try again or cancel.
    bool Update();
    void CancelUpdate();
    bool Delete();
    // After a delete the cursor stays on the deleted row: no other row is current until a move.
    bool isCurrentDeleted() const { return m_currentDeleted; }

    // New rows, and rows whose value in `column` changes, are checked against every other row and
    // written in one write transaction, so two connections can never store the same value.
    void setUniqueColumn(int column) { m_uniqueColumn = column; }

    QString lastError() const { return m_lastError; }
    StorageFault lastFault() const { return m_lastFault; }

    // After Update() failed with StorageFault::ChangedElsewhere: the columns another connection
    // changed in the current row since this record set read it, and the row as it is stored now.
    QVector<int> changedElsewhere() const { return m_changedElsewhere; }
    QVector<QVariant> storedRow() const { return m_storedRow; }
    // Takes the stored row for the one read, so the next Update() writes over the other's change.
    void acceptStoredRow();

    // Carries on over a new connection to the same database, the rows read so far kept.
    void setDatabase(const QSqlDatabase &db) { m_db = db; }

    // Lets go of the rows read from `first` up to, not including, `last`, but the current row and
    // rows added here; they are read again when wanted. A read over every row of a long result (a
    // report saved or printed) then holds a few pages, not every row it passed.
    void forgetRows(int first, int last);

signals:
    void currentRowChanged(int row);
    // Rows from `first` to `last` became known at the end, as the count or the ids arrived.
    void rowsAppended(int first, int last);
    void aboutToReset();
    void reset();
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);

private:
    static constexpr int PageSize = 256;
    // The id of a counted row not read yet.
    static constexpr qint64 UnknownId = std::numeric_limits<qint64>::min();

    // `source`: the record set's own when empty.
    QSqlQuery runFrom(const QString &columns, int offset, int limit, const QString &source = QString()) const;
    QSqlQuery prepared(const SqlText &source, const QString &sql) const;
    // Every row's id, read on the reading thread over a connection like `connectionName`.
    void requestKeys(const QString &connectionName);
    // Every row's id, read now unless the reading thread brought them already.
    bool ensureAllKeys() const;
    // Counts the rows once, so every row has its place, its id and values read as it is shown.
    bool ensureCounted() const;
    void takeCount(int count) const;
    // The row moveWhenCounted() still waits for, if any.
    void takeWantedRow();
    bool knownIdsMatch(const QVector<qint64> &keys) const;
    bool agrees(const QVector<qint64> &keys) const;
    void takeKeys(QVector<qint64> keys) const;
    void grewTo(int visibleBefore) const;
    bool loadPage(int row) const;
    bool ensureLoaded(int row) const;
    int positionInOrder(int column, double wanted, int from) const;
    bool moveTo(int index);
    bool commitBeforeMove();
    bool fail(const QString &message, StorageFault fault = StorageFault::Other);
    bool failWith(const QSqlError &error);
    bool writePending(const QString &sql, const QVariantList &values, QSqlQuery &query);
    bool rowUnchanged();
    bool readRow(QSqlQuery &query, qint64 rowId, bool forUpdate) const;

    QSqlDatabase m_db;
    SqlText m_source;               // as run for the first page
    SqlText m_allSource;            // as run for every row's id or the count
    QString m_idColumn;             // the source's first column: ids are looked up by it when it is "rowid"
    mutable int m_count = -1;       // every row counted, m_rowIds sized to it; -1 while only the first page is known
    mutable bool m_allKeys = false; // m_rowIds holds every row's id
    quint64 m_generation = 0;
    QString m_table;
    mutable QStringList m_fieldNames;
    mutable QVector<qint64> m_rowIds;
    mutable RecordRows m_rows;
    QVector<qint64> m_insertedIds; // added here, kept at the end whatever their order

    int m_index = -1;              // -1 before the first row, size() after the last
    bool m_currentDeleted = false; // m_index then names the row that followed the deleted one
    int m_uniqueColumn = -1;
    bool m_open = false;
    static constexpr int LastRow = std::numeric_limits<int>::max();
    int m_wantedRow = -1;                    // where moveWhenCounted() goes once counted; -1 for nowhere
    QObject *m_counting = new QObject(this); // the reading thread's context for counts, beside the ids'

    bool m_editing = false;
    bool m_adding = false;
    QVector<QVariant> m_pending;
    QVector<bool> m_dirty;
    QVector<int> m_changedElsewhere;
    QVector<QVariant> m_storedRow;

    mutable QString m_lastError;
    mutable StorageFault m_lastFault = StorageFault::None;
};
