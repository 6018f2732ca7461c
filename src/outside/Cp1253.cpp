#include "Cp1253.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
const char* const kName = "windows-1253";
}

namespace Cp1253 {
QByteArray encode(const QString& text) {
    QStringEncoder encoder(kName);
    if (!encoder.isValid()) {
        // Qt without ICU: keep what is plain ASCII rather than write nothing.
        QByteArray ascii;
        for (QChar c : text) ascii += c.unicode() < 0x80 ? char(c.unicode()) : '?';
        return ascii;
    }
    QByteArray bytes = encoder(text);
    if (!encoder.hasError()) return bytes;
    // The converter marks unmappable characters with its own substitute: redo them one by one as '?'.
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder one(kName);
        const QByteArray b = one(QStringView(text).mid(i, len));
        bytes += one.hasError() ? QByteArray("?") : b;
        i += len - 1;
    }
    return bytes;
}

QString decode(const QByteArray& bytes) {
    QStringDecoder decoder(kName);
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder(bytes);
}
}  // namespace Cp1253
