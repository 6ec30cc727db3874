#pragma once
// Appends the fixed-width integers of the Windows file formats, least
// significant byte first, whatever the machine's byte order.
#include <QByteArray>
#include <QtGlobal>

namespace belvanto {

class LittleEndianBytes {
public:
    explicit LittleEndianBytes(QByteArray& target) : out(target) {}
    void u8(quint8 v) { out.append(char(v)); }
    void u16(quint16 v)
    {
        u8(quint8(v));
        u8(quint8(v >> 8));
    }
    void u32(quint32 v)
    {
        u16(quint16(v));
        u16(quint16(v >> 16));
    }
    void i32(qint32 v) { u32(quint32(v)); }

private:
    QByteArray& out;
};

} // namespace belvanto
