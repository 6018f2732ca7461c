#pragma once

#include <QByteArray>
#include <QString>

// The Greek 8-bit code page of the files the system writes; unmappable characters become '?'.
namespace Cp1253 {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
}  // namespace Cp1253
