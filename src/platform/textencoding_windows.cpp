#include "textencoding.h"

#include "codepages.h"

#include <windows.h>

namespace platform {

TextEncoding::TextEncoding(const QByteArray& name)
    : encoder_(name.constData()), decoder_(name.constData()) {
    if (!encoder_.isValid()) {
        // Qt here knows only the Unicode encodings and Latin-1; the 8-bit ones
        // Hunspell's dictionaries use are Windows code pages.
        const unsigned page = windowsCodePageFor(name);
        if (page && IsValidCodePage(page))
            codePage_ = page;
    }
}

bool TextEncoding::isValid() const {
    return encoder_.isValid() || codePage_ != 0;
}

std::optional<QByteArray> TextEncoding::encode(const QString& text) {
    QByteArray bytes;
    if (codePage_ == 0) {
        encoder_.resetState();
        bytes = encoder_(text);
        if (encoder_.hasError())
            return std::nullopt;
    } else if (!text.isEmpty()) {
        const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
        BOOL lacking = FALSE;
        const int size = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide,
                                             int(text.size()), nullptr, 0, nullptr, &lacking);
        bytes.resize(size);
        if (size <= 0 || lacking ||
            WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide, int(text.size()),
                                bytes.data(), size, nullptr, &lacking) != size ||
            lacking)
            return std::nullopt;
    }
    // A character the encoding lacks comes back as another one.
    if (decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString TextEncoding::decode(QByteArrayView bytes) {
    if (codePage_ == 0) {
        decoder_.resetState();
        return decoder_(bytes);
    }
    if (bytes.isEmpty())
        return {};
    const int size = MultiByteToWideChar(codePage_, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    QString text(size, Qt::Uninitialized);
    MultiByteToWideChar(codePage_, 0, bytes.data(), int(bytes.size()),
                        reinterpret_cast<wchar_t*>(text.data()), size);
    return text;
}

} // namespace platform
