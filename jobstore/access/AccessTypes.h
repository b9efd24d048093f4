// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mdbtools.h>

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
