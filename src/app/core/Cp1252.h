#pragma once

#include <QByteArray>
#include <QString>

namespace kiro {

// Windows-1252, the encoding of the profile files that outside programs
// write. Qt only offers it through ICU, which is not always built in, so the
// 32 characters in which it differs from Latin-1 are mapped here.
//
// Bytes without a character in Windows-1252 (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// decode to the C1 control of the same number, so that reading and writing a
// file back keeps them. Characters that Windows-1252 cannot represent
// encode to '?'.
QString fromCp1252(const QByteArray& bytes);
QByteArray toCp1252(const QString& text);

} // namespace kiro
