#pragma once
// Pinyin initials of Chinese text, as stored in the PYJM columns.
#include <QByteArray>
#include <QString>

namespace nqb {

// Initial (a capital letter) of one double-byte GBK character given as its two
// bytes; a NUL character when none is known.
QChar PinyinInitial(const QByteArray &gbkPair);

// Initials of a text: ASCII characters are kept as they are, every Chinese
// character gives its initial letter (土豆丝 -> TDS, A1牛奶 -> A1NN).
QString PinyinInitials(const QString &text);

} // namespace nqb
