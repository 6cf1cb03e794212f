#pragma once
// File names between the system and Qt.
//
// A file name on Linux is a string of bytes; it need not be UTF-8. QString holds
// UTF-16, and QFile::decodeName turns every byte that is not part of a UTF-8 character
// into U+FFFD, so a name holding such a byte could not be opened again. These
// functions convert without loss instead:
//
//  - DecodeFileName decodes well-formed UTF-8 as usual and every other byte b (always
//    0x80 or above) as the lone low surrogate U+DC00 + b, which well-formed UTF-8 never
//    yields. EncodeFileName undoes it, so EncodeFileName(DecodeFileName(bytes)) == bytes
//    for every byte string. For valid UTF-8 both agree with QFile's functions.
//  - Whatever reaches the file system is encoded with EncodeFileName; Qt's own file
//    functions (QFileInfo, QFile) would encode such a name lossily, so names that came
//    from the system go through the helpers below.
//  - DisplayFileName is for people (titles, menus): each escaped byte shows as U+FFFD.

#include <QByteArray>
#include <QString>

QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

// True when name holds an escaped byte (it is not valid UTF-8 on disk).
bool HasEscapedBytes(const QString& name);
QString DisplayFileName(const QString& name);

// name made absolute against the working folder and cleaned of "." and ".." parts
// and repeated slashes, as QFileInfo::absoluteFilePath does, without loss.
QString AbsoluteFileName(const QString& name);
// The resolved name (links followed); empty when the file does not exist.
QString CanonicalFileName(const QString& name);
