#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed inputs of every fuzz target into fuzz/corpus/<target>/ (run once; the files are kept)."""
import os, sqlite3, tempfile

here = os.path.dirname(os.path.abspath(__file__))

def write(target, name, data):
    os.makedirs(os.path.join(here, target), exist_ok=True)
    with open(os.path.join(here, target, name), 'wb') as f:
        f.write(data)

def utf16(text):
    return text.encode('utf-16-le', 'surrogatepass')

for i, text in enumerate(['1500', '۱۲۳٬۴۵۶', '1,500,000', '-12.5', ' +7', '٣٫٥', 'abc', '', '12abc', '.5',
                          '1e5', '9' * 400, '1500.5', '۲,۵۰۰', '- 5', '0x1F']):
    write('fuzz_amounts', 'seed%02d' % i, utf16(text))

for i, text in enumerate(['850712', '85/07/12', '۰۳/۱۲/۲۹', '1_/__/__', 'abc123', '0001', '٠٠/٠١/٠٥', '99/99/99',
                          '04/08/01', '99/12/30', '000000']):
    # The first two bytes choose today (here 1403/08/..), the rest is the typed text.
    write('fuzz_dateboxes', 'seed%02d' % i, b'\x00\x30' + utf16(text))

settings = ['2', 'تعميرگاه موبايل', 'رسيد', 'خوش آمديد', 'a', 'b', 'c', 'd', 'شرايط\nخط دوم', 'آدرس', 'فروشگاه',
            '021-1234', 'www.example.com', 'logo.bmp']
write('fuzz_receipttexts', 'legacy', ''.join(s + '\r\n' for s in settings).encode('cp1256'))
write('fuzz_receipttexts', 'utf8', b'\xef\xbb\xbf' + ''.join(s + '\r\n' for s in settings + ['ی ۱۲']).encode('utf-8'))
write('fuzz_receipttexts', 'lone-cr', b'3\rshop\r\r\nx')

for i, (stored, typed) in enumerate([('علي رضايي', 'رضا'), ('Nokia 1100', 'nok'), ('50% off', '%'), ('a_b', '_'),
                                     ('c:\\x', '\\'), ('كيك', 'کی'), ('۱۲۳', '123'), ('ی', 'ى'), ('abc', ''),
                                     ('x\u200fy', '\u200f'), ('😀 phone', '😀')]):
    write('fuzz_search', 'seed%02d' % i, utf16(stored + '\uffff' + typed))

for i, data in enumerate([b'\x00' * 12, b'\xff' * 12, bytes(range(12)), b'\x10\x27\x00\x00\x01\x00\x00\x00']):
    write('fuzz_solardate', 'seed%02d' % i, data)

columns = ['num', 'name', 'nameph', 'serial', 'tel', 'datein', 'dateout', 'warranty', 'minp', 'deposit',
           'accessory', 'service', 'panel', 'panelp', 'endp', 'status', 'desc']
numeric = {'num', 'datein', 'dateout', 'minp', 'deposit', 'panelp', 'endp'}
def job_database(name, rows, page_size=512, indexes=True):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'db.mdb')
        con = sqlite3.connect(path)
        con.execute('pragma page_size=%d' % page_size)
        con.execute('create table table1 (%s)' % ', '.join('"%s" %s' % (c, 'NUMERIC' if c in numeric else 'TEXT')
                                                           for c in columns))
        if indexes:
            for c in ('num', 'datein', 'dateout'):
                con.execute('create index table1_%s on table1 (%s)' % (c, c))
        for row in rows:
            con.execute('insert into table1 values (%s)' % ','.join('?' * len(columns)), row)
        con.commit()
        con.close()
        with open(path, 'rb') as f:
            write('fuzz_restorecheck', name, f.read())

job = [1, 'علي', 'Nokia 1100', '123', '0912', 920208, 920211, 'ندارد', 50000, 10000, 'باتري', 'x', '', 0, 0,
       'در حال تعمير', 'شرح']
job_database('jobs', [job, [2] + job[1:]])
job_database('empty', [])
job_database('no-indexes', [job], indexes=False)
with tempfile.TemporaryDirectory() as tmp:
    con = sqlite3.connect(os.path.join(tmp, 'other.db'))
    con.execute('pragma page_size=512')
    con.execute('create table table1 (a, b)')
    con.commit()
    con.close()
    write('fuzz_restorecheck', 'other-table', open(os.path.join(tmp, 'other.db'), 'rb').read())
write('fuzz_restorecheck', 'text', b'not a database\n')
