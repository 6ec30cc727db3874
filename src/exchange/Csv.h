#pragma once
// Separator-delimited text: the options record shared by the CSV export and
// the CSV import, the line parser, the unit table writer and the CSV reader
// as an import source.
#include "core/TextCodec.h"
#include "exchange/ImportSource.h"
#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace belvanto {

class Regional;
class Session;
class UserInterface;

// What the " Deli&mited Fields " and " Fields &Delimited by " choices make of
// the two delimiters.
enum class CsvDelimited { TextFieldsOnly, AllFields, Nothing };

struct CsvOptions {
    QString TextDelimiter = QStringLiteral("\"");   // at most one character; "" with "Nothing"
    QString AllFieldsDelimiter;                     // the text delimiter with "All fields", else ""
    QString Separator = QStringLiteral(";");        // one character
    bool FirstRowNames = false;
    bool Oem = false;
    // Between excavation and unit name in a key, and between the entries of
    // a relationship list.
    QString KeySeparator = QStringLiteral(":");
    QString ListSeparator = QStringLiteral(",");
    // A delimiter inside a delimited field stands doubled (our text table);
    // the CSV files of the options dialog never double it.
    bool DoubledDelimiters = false;

    // Sets both delimiters as the two radio groups do; `delimiter` is the
    // text delimiter for the first two choices.
    void setDelimited(CsvDelimited choice, const QString& delimiter = QStringLiteral("\""));
    CodePage codePage() const { return Oem ? CodePage::Oem850 : CodePage::Windows1252; }
};

struct CsvLine {
    QStringList fields;
    QString error;        // "" when none
    bool open = false;    // the line ended inside a delimited field
};
CsvLine ParseCsvLine(QStringView line, const CsvOptions& options);

// Writes the unit table with its relationship lists. False after showing the
// reason (file not writable, a character outside the code page).
bool ExportCsv(Session& session, const QString& path, const CsvOptions& options);

// A value as a CSV field: in the delimiter, line breaks kept inside a
// delimited field and made one blank without a delimiter, so that every
// record stays one record for our own reader.
QString CsvField(const QString& value, const QString& delimiter);

// Longest record the reader accepts, so that a file of one endless line is
// refused instead of filling the memory.
inline constexpr qint64 kMaxCsvRecordBytes = 1 << 20;

// The records of a separator-delimited file, read a block at a time: a
// record is one line, or several while a delimited field is open (a line
// break inside a value); empty lines hold no record. Every refusal names the
// file and the record's first line.
class CsvRecordReader {
public:
    // Throws ImportError when the separator is not one character or the
    // file cannot be opened.
    CsvRecordReader(const QString& path, const CsvOptions& options);

    void rewind();
    // The next record's fields; false at the end. Throws ImportError.
    bool nextFields(QStringList& fields);
    // The first line of the record nextFields gave last, counted from 1.
    int position() const { return recordLine_; }

    // "<file>, line <n>: <reason>" for the last record.
    QString lineError(const QString& reason) const;
    // "<file>: <n> fields expected, but <m> fields in line <k>".
    QString countError(qsizetype expected, qsizetype found) const;

private:
    std::optional<QByteArray> readPhysicalLine();

    QString path_;
    CsvOptions options_;
    QFile file_;
    QByteArray buffer_;
    qsizetype bufferPos_ = 0;
    bool atEnd_ = false;
    int physicalLine_ = 0;   // physical lines read
    int recordLine_ = 0;     // first physical line of the last record
};

// A CSV file as an import source: the header and the column types are read
// when it is made (a whole pass over the file), records are parsed on demand.
class CsvSource : public ImportSource {
public:
    // Throws ImportError naming the file and the line.
    CsvSource(const QString& path, const CsvOptions& options, const Regional& regional);
    ~CsvSource() override;

    QString filePath() const override { return path_; }
    const std::vector<SourceColumn>& columns() const override { return columns_; }
    void rewind() override;
    bool next(std::vector<Value>& record) override;
    int position() const override { return reader_.position(); }
    bool givesText() const override { return true; }

    const CsvOptions& options() const { return options_; }

    // The next record's fields; false at the end. Throws ImportError.
    bool nextFields(QStringList& fields) { return reader_.nextFields(fields); }

private:
    void analyse(const Regional& regional);

    QString path_;
    CsvOptions options_;
    std::vector<SourceColumn> columns_;
    CsvRecordReader reader_;
};

// The header and column types of a CSV file, or nothing after showing the
// error (OK only).
std::unique_ptr<CsvSource> ReadCsvHeader(UserInterface& ui, const QString& path, const CsvOptions& options,
                                         const Regional& regional);

} // namespace belvanto
