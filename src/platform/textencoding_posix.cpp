#include "textencoding.h"

namespace platform {

// Qt converts through ICU, which knows every encoding a dictionary names.
TextEncoding::TextEncoding(const QByteArray& name)
    : encoder_(name.constData()), decoder_(name.constData()) {}

bool TextEncoding::isValid() const {
    return encoder_.isValid();
}

std::optional<QByteArray> TextEncoding::encode(const QString& text) {
    encoder_.resetState();
    const QByteArray bytes = encoder_(text);
    // A character the encoding lacks comes back as another one.
    if (encoder_.hasError() || decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString TextEncoding::decode(QByteArrayView bytes) {
    decoder_.resetState();
    return decoder_(bytes);
}

} // namespace platform
