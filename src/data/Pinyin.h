#pragma once
// Pinyin initials of Chinese text, as stored in the PYJM columns.
#include <QByteArray>
#include <QString>

namespace nqb {

// Initial (a capital letter) of one double-byte GBK character given as its two
// bytes; a NUL character when none is known.
QChar PinyinInitial(const QByteArray &gbkPair);

// Initials of a text: ASCII characters are kept as they are, every Chinese
// character gives its initial letter (土豆丝 -> TDS, A1牛奶 -> A1NN). Full-width
// digits and letters give their ASCII form; characters without an initial
// (full-width punctuation, symbols) give nothing: 稻米（代表值） -> DMDBZ.
QString PinyinInitials(const QString &text);

} // namespace nqb
