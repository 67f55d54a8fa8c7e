#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace zuvo::fuzz {

// Keeps the product's warnings about bad input off the terminal: every input is bad.
void Quiet();

// The input as the product receives a reply: bytes read as UTF-8.
inline QString Text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Splits the input at its first newline: a short parameter line, then the rest.
inline void SplitFirstLine(const QString& text, QString& first, QString& rest) {
    const qsizetype end = text.indexOf(u'\n');
    first = end < 0 ? text : text.left(end);
    rest = end < 0 ? QString() : text.mid(end + 1);
}

}  // namespace zuvo::fuzz
