#pragma once
// Paradox tables written by pxlib's own writer, an independent library, for
// the tests of the Paradox import. Texts are given as the table's bytes.
#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QTime>
#include <gtest/gtest.h>
// pxlib's header declares C functions without saying so.
#include <cstdio>
#include <iconv.h>
extern "C" {
#include <paradox.h>
}

#include <cstring>
#include <string>
#include <vector>

namespace belvanto::testing_support {

struct ParadoxColumn {
    const char* name;
    int type;        // pxfAlpha, pxfLong, ...
    int size = 0;    // alpha width, memo size, bytes width, BCD decimals
};

class ParadoxWriter {
public:
    // A memo file "<base>.mb" is written beside the table when withMemoFile.
    ParadoxWriter(const QString& path, const std::vector<ParadoxColumn>& columns, int codePage = 1252,
                  bool withMemoFile = false)
        : columns_(columns)
    {
        doc_ = PX_new2(quiet, nullptr, nullptr, nullptr);
        auto* fields = static_cast<pxfield_t*>(doc_->malloc(doc_, columns.size() * sizeof(pxfield_t), "fields"));
        int offset = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            fields[c].px_fname = PX_strdup(doc_, columns[c].name);
            fields[c].px_ftype = char(columns[c].type);
            fields[c].px_flen = lengthOf(columns[c]);
            fields[c].px_fdc = columns[c].type == pxfBCD ? columns[c].size : 0;
            offsets_.push_back(offset);
            offset += fields[c].px_flen;
        }
        record_.assign(size_t(offset), '\0');
        const QByteArray name = QFile::encodeName(path);
        EXPECT_EQ(PX_create_file(doc_, fields, int(columns.size()), name.constData(), pxfFileTypNonIndexDB), 0);
        // pxlib closes (and so flushes) only the files it is told to.
        doc_->px_stream->close = px_true;
        doc_->px_head->px_doscodepage = codePage;
        if (withMemoFile) {
            QByteArray memo = name;
            memo.chop(3);
            memo += ".mb";
            pxblob_t* blob = PX_new_blob(doc_);
            EXPECT_EQ(PX_create_blob_file(blob, memo.constData()), 0);
        }
    }
    ~ParadoxWriter()
    {
        PX_close(doc_);
        PX_delete(doc_);
    }
    ParadoxWriter(const ParadoxWriter&) = delete;
    ParadoxWriter& operator=(const ParadoxWriter&) = delete;

    void text(int c, const QByteArray& bytes) { PX_put_data_alpha(doc_, at(c), lengthOf(columns_[size_t(c)]), const_cast<char*>(bytes.constData())); }
    void integer(int c, int v)
    {
        if (columns_[size_t(c)].type == pxfShort)
            PX_put_data_short(doc_, at(c), 2, short(v));
        else
            PX_put_data_long(doc_, at(c), 4, v);
    }
    void number(int c, double v) { PX_put_data_double(doc_, at(c), 8, v); }
    void date(int c, const QDate& d) { PX_put_data_long(doc_, at(c), 4, int(PX_GregorianToSdn(d.year(), d.month(), d.day()) - 1721425)); }
    void time(int c, const QTime& t) { PX_put_data_long(doc_, at(c), 4, t.msecsSinceStartOfDay()); }
    void timestamp(int c, const QDate& d, const QTime& t)
    {
        const double days = double(PX_GregorianToSdn(d.year(), d.month(), d.day()) - 1721425);
        PX_put_data_double(doc_, at(c), 8, days * 86400000.0 + t.msecsSinceStartOfDay());
    }
    void logical(int c, bool v) { PX_put_data_byte(doc_, at(c), 1, char(v ? 1 : 0)); }
    void bytes(int c, const QByteArray& v) { PX_put_data_bytes(doc_, at(c), columns_[size_t(c)].size, const_cast<char*>(v.constData())); }
    void bcd(int c, const char* v) { PX_put_data_bcd(doc_, at(c), columns_[size_t(c)].size, const_cast<char*>(v)); }
    void memo(int c, const QByteArray& v)
    {
        EXPECT_EQ(PX_put_data_blob(doc_, at(c), lengthOf(columns_[size_t(c)]), const_cast<char*>(v.constData()), int(v.size())), 0);
    }
    // Writes the record built so far (unset fields are null) and starts the next.
    void append()
    {
        EXPECT_GE(PX_put_record(doc_, record_.data()), 0);
        std::fill(record_.begin(), record_.end(), '\0');
    }

private:
    static void quiet(pxdoc_t*, int, const char* message, void*) { ADD_FAILURE() << "pxlib: " << message; }
    static int lengthOf(const ParadoxColumn& c)
    {
        switch (c.type) {
        case pxfAlpha:
        case pxfBytes:
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb: return c.size;
        case pxfShort: return 2;
        case pxfLogical: return 1;
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime: return 4;
        case pxfBCD: return 17;
        default: return 8;
        }
    }
    char* at(int c) { return record_.data() + offsets_[size_t(c)]; }

    pxdoc_t* doc_ = nullptr;
    std::vector<ParadoxColumn> columns_;
    std::vector<int> offsets_;
    std::vector<char> record_;
};

} // namespace belvanto::testing_support
